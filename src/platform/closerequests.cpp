#include "closerequests.h"

#include <QGuiApplication>
#include <qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace platform {

namespace {

quint32 internAtom(xcb_connection_t* connection, const char* name)
{
    const xcb_intern_atom_cookie_t cookie = xcb_intern_atom(connection, 0, quint16(std::strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    if (reply == nullptr) {
        return XCB_ATOM_NONE;
    }
    const quint32 atom = reply->atom;
    std::free(reply);
    return atom;
}

} // namespace

CloseRequestFilter::CloseRequestFilter(WId window, std::function<bool()> refuse)
    : m_window(window), m_refuse(std::move(refuse))
{
    auto* x11 = qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (x11 == nullptr || x11->connection() == nullptr) {
        return;
    }
    m_protocols = internAtom(x11->connection(), "WM_PROTOCOLS");
    m_deleteWindow = internAtom(x11->connection(), "WM_DELETE_WINDOW");
    if (m_protocols != XCB_ATOM_NONE && m_deleteWindow != XCB_ATOM_NONE) {
        qGuiApp->installNativeEventFilter(this);
    }
}

CloseRequestFilter::~CloseRequestFilter()
{
    if (qGuiApp != nullptr) {
        qGuiApp->removeNativeEventFilter(this);
    }
}

bool CloseRequestFilter::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (eventType != "xcb_generic_event_t") {
        return false;
    }
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & ~0x80) != XCB_CLIENT_MESSAGE) {
        return false;
    }
    const auto* client = static_cast<const xcb_client_message_event_t*>(message);
    if (client->format != 32 || client->window != m_window || client->type != m_protocols ||
        client->data.data32[0] != m_deleteWindow) {
        return false;
    }
    return m_refuse();
}

} // namespace platform

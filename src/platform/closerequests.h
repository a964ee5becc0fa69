#pragma once

// The window manager's request to close a window (its close box), seen before the toolkit sees
// it. The toolkit drops such a request without a word while the window is blocked by a modal
// window, so a window that must say why it stays open watches for the request here.
// Only an X11 display sends it this way; elsewhere (offscreen, Wayland) nothing is watched.

#include <functional>
#include <QAbstractNativeEventFilter>
#include <QWindow>

namespace platform {

class CloseRequestFilter final : public QAbstractNativeEventFilter {
public:
    // `refuse` is called for each request to close `window`; the request is dropped when it
    // returns true and goes on as usual when it returns false.
    CloseRequestFilter(WId window, std::function<bool()> refuse);
    ~CloseRequestFilter() override;
    CloseRequestFilter(const CloseRequestFilter&) = delete;
    CloseRequestFilter& operator=(const CloseRequestFilter&) = delete;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    WId m_window;
    std::function<bool()> m_refuse;
    quint32 m_protocols = 0;
    quint32 m_deleteWindow = 0;
};

} // namespace platform

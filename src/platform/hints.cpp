#include "hints.h"

#include "display.h"

#include <QApplication>
#include <QStatusTipEvent>
#include <QWidget>

namespace platform {
namespace {

HintHandler g_handler;

// Status tips travel up from the hovered control; the first one seen is the application's hint.
class HintFilter final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::StatusTip && watched->isWidgetType()) {
            showHint(display::fromUnicode(static_cast<QStatusTipEvent*>(event)->tip()));
            return true;
        }
        return false;
    }
};

void ensureFilter()
{
    static HintFilter* filter = nullptr;
    if (filter == nullptr && qApp != nullptr) {
        filter = new HintFilter(qApp);
        qApp->installEventFilter(filter);
    }
}

} // namespace

void setHint(QWidget* widget, const QByteArray& hint)
{
    const QString text = display::toUnicode(hint);
    widget->setToolTip(text);
    widget->setStatusTip(text);
}

QByteArray hint(const QWidget* widget)
{
    return display::fromUnicode(widget->statusTip());
}

HintHandler setHintHandler(HintHandler handler)
{
    ensureFilter();
    HintHandler previous = std::move(g_handler);
    g_handler = std::move(handler);
    return previous;
}

void showHint(const QByteArray& hint)
{
    if (g_handler) {
        g_handler(hint);
    }
}

} // namespace platform

#include "statusbar.h"

#include "display.h"

#include <QLabel>

namespace platform {

PanelStatusBar::PanelStatusBar(const QList<int>& widths, QWidget* parent) : QStatusBar(parent)
{
    setSizeGripEnabled(false);
    for (int i = 0; i < widths.size(); ++i) {
        auto* label = new QLabel(this);
        label->setObjectName(QStringLiteral("Panel%1").arg(i));
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        const bool last = i == widths.size() - 1;
        if (last) {
            label->setMinimumWidth(widths[i]);
        } else {
            // The widths are the least a panel gets; a longer text widens it rather than being cut.
            label->setMinimumWidth(widths[i]);
        }
        addWidget(label, last ? 1 : 0);
        m_panels << label;
    }
}

void PanelStatusBar::setPanelText(int index, const QByteArray& yuscii)
{
    if (QLabel* label = m_panels.value(index)) {
        label->setText(display::toUnicode(yuscii));
    }
}

QByteArray PanelStatusBar::panelText(int index) const
{
    const QLabel* label = m_panels.value(index);
    return label != nullptr ? display::fromUnicode(label->text()) : QByteArray();
}

} // namespace platform

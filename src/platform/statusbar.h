#pragma once

// A status bar of fixed-width text panels, addressed by index.

#include <QByteArray>
#include <QList>
#include <QStatusBar>

class QLabel;

namespace platform {

class PanelStatusBar final : public QStatusBar {
    Q_OBJECT
public:
    // One panel per width; the last one stretches.
    PanelStatusBar(const QList<int>& widths, QWidget* parent = nullptr);

    void setPanelText(int index, const QByteArray& yuscii);
    QByteArray panelText(int index) const;
    QLabel* panel(int index) const { return m_panels.value(index); }

private:
    QList<QLabel*> m_panels;
};

} // namespace platform

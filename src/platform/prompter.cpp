#include "prompter.h"

#include "display.h"

#include <algorithm>
#include <QApplication>
#include <QFontMetrics>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>

namespace platform {
namespace {

QByteArray g_title = "Korvelin";

QWidget* dialogParent()
{
    return QApplication::activeWindow();
}

// The boxes are the program's own, so their buttons speak its language.
QString buttonText(QMessageBox::StandardButton button)
{
    switch (button) {
    case QMessageBox::Ok:
        return display::toUnicode("U redu");
    case QMessageBox::Cancel:
        return display::toUnicode("Otka`i");
    case QMessageBox::Yes:
        return display::toUnicode("Da");
    case QMessageBox::No:
        return display::toUnicode("Ne");
    default:
        return {};
    }
}

QMessageBox::StandardButton ask(QMessageBox::Icon icon, const QString& title, const QByteArray& text,
                                QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton)
{
    QMessageBox box(icon, title, screenMessage(text), buttons, dialogParent());
    for (QAbstractButton* button : box.buttons()) {
        button->setText(buttonText(box.standardButton(button)));
    }
    box.setDefaultButton(defaultButton);
    // Escape and the window's close button answer with Cancel when the box has it, else with OK.
    return QMessageBox::StandardButton(box.exec());
}

// The width at which a window shows `title` whole in its title bar, beside the window manager's
// icon and buttons (the title bar's font is the window manager's: taken as a bold one of the
// dialog's size, with room to spare).
int widthForTitle(const QWidget& window, const QString& title)
{
    QFont font = QApplication::font("QMdiSubWindowTitleBar");
    font.setBold(true);
    const int titleBar = std::max(window.style()->pixelMetric(QStyle::PM_TitleBarHeight), QFontMetrics(font).height());
    return QFontMetrics(font).horizontalAdvance(title) + 5 * titleBar;
}

class ScreenPrompter final : public Prompter {
public:
    void message(const QByteArray& text) override
    {
        ask(QMessageBox::Information, display::toUnicode(g_title), text, QMessageBox::Ok, QMessageBox::Ok);
    }

    void error(const QByteArray& text) override
    {
        ask(QMessageBox::Critical, display::toUnicode(g_title), text, QMessageBox::Ok, QMessageBox::Ok);
    }

    bool confirm(const QByteArray& text) override
    {
        return ask(QMessageBox::Question, QStringLiteral("Potvrda"), text, QMessageBox::Ok | QMessageBox::Cancel,
                   QMessageBox::Ok) == QMessageBox::Ok;
    }

    Answer warningYesNoCancel(const QByteArray& text) override
    {
        switch (ask(QMessageBox::Warning, QStringLiteral("Upozorenje"), text,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes)) {
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        default:
            return Answer::Cancel;
        }
    }

    std::optional<QByteArray> input(const QByteArray& caption, const QByteArray& prompt,
                                    const QByteArray& value) override
    {
        QInputDialog dialog(dialogParent());
        dialog.setWindowTitle(display::toUnicode(caption));
        dialog.setLabelText(screenMessage(prompt));
        dialog.setTextValue(display::toUnicode(value));
        dialog.setOkButtonText(buttonText(QMessageBox::Ok));
        dialog.setCancelButtonText(buttonText(QMessageBox::Cancel));
        // The dialog takes its width from its field (its layout overrides a width set on it).
        if (auto* field = dialog.findChild<QLineEdit*>()) {
            const QStyle* style = dialog.style();
            const int margins =
                style->pixelMetric(QStyle::PM_LayoutLeftMargin) + style->pixelMetric(QStyle::PM_LayoutRightMargin);
            field->setMinimumWidth(widthForTitle(dialog, dialog.windowTitle()) - margins);
        }
        if (dialog.exec() != QDialog::Accepted) {
            return std::nullopt;
        }
        return display::fromUnicode(dialog.textValue());
    }
};

Prompter* g_current = nullptr;

} // namespace

QString screenMessage(const QByteArray& text)
{
    QByteArray lines;
    lines.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\r' && c != '\n') {
            lines += c;
            continue;
        }
        lines += '\n';
        // The other character of a pair belongs to the same line end.
        const char other = c == '\r' ? '\n' : '\r';
        if (i + 1 < text.size() && text[i + 1] == other) {
            ++i;
        }
    }
    return display::toUnicode(lines);
}

Prompter& prompter()
{
    static ScreenPrompter screen;
    return g_current ? *g_current : screen;
}

void setPrompter(Prompter* p)
{
    g_current = p;
}

QByteArray applicationTitle()
{
    return g_title;
}

void setApplicationTitle(const QByteArray& title)
{
    g_title = title;
}

} // namespace platform

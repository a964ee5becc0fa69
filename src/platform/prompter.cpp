#include "prompter.h"

#include "display.h"
#include "screentext.h"

#include <algorithm>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
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

// The screen a box comes up on: its parent's, else the primary one.
QScreen* boxScreen(const QWidget* parent)
{
    if (parent != nullptr && parent->screen() != nullptr) {
        return parent->screen();
    }
    return QGuiApplication::primaryScreen();
}

// The height `text` takes wrapped at `width` in the dialogs' font.
int textHeight(const QString& text, int width)
{
    QLabel label;
    label.setTextFormat(Qt::PlainText);
    label.setWordWrap(true);
    label.setText(text);
    return label.heightForWidth(width);
}

// Room a box needs beside its text: the button row, the margins and the window manager's title
// bar and borders, taken generously.
constexpr int kBoxChrome = 160;
// A standard box wraps its text at no less than this width (about half a small screen, less the
// icon); measured at it, the text's height is the most the box can take.
constexpr int kNarrowestWrap = 360;

// A message too long for a standard box on its screen: the text in a scrolling area whose height
// keeps the box, its buttons included, inside the screen's free area.
class ScrollingMessageBox final : public QDialog {
public:
    ScrollingMessageBox(QMessageBox::Icon icon, const QString& title, const QString& text,
                        QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton,
                        QWidget* parent)
        : QDialog(parent)
    {
        setObjectName(QStringLiteral("ScrollingMessageBox"));
        setWindowTitle(title);
        auto* layout = new QGridLayout(this);
        // Its size is the one worked out below, like a standard box's.
        layout->setSizeConstraint(QLayout::SetFixedSize);
        auto* iconLabel = new QLabel(this);
        iconLabel->setPixmap(iconPixmap(icon));
        layout->addWidget(iconLabel, 0, 0, Qt::AlignTop);
        m_text = new QLabel(text);
        m_text->setObjectName(QStringLiteral("MessageText"));
        m_text->setTextFormat(Qt::PlainText);
        m_text->setWordWrap(true);
        m_text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        m_text->setTextInteractionFlags(Qt::TextSelectableByMouse);
        m_scroll = new QScrollArea(this);
        m_scroll->setObjectName(QStringLiteral("MessageArea"));
        m_scroll->setFrameShape(QFrame::NoFrame);
        m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        m_scroll->setWidgetResizable(true);
        m_scroll->setWidget(m_text);
        layout->addWidget(m_scroll, 0, 1);
        auto* box = new QDialogButtonBox(QDialogButtonBox::StandardButtons(int(buttons)), this);
        for (QAbstractButton* button : box->buttons()) {
            const auto standard = QMessageBox::StandardButton(box->standardButton(button));
            button->setText(buttonText(standard));
            if (standard == defaultButton) {
                static_cast<QPushButton*>(button)->setDefault(true);
                button->setFocus();
            }
        }
        connect(box, &QDialogButtonBox::clicked, this,
                [this, box](QAbstractButton* button) { done(int(box->standardButton(button))); });
        layout->addWidget(box, 1, 0, 1, 2);
        m_escape = buttons.testFlag(QMessageBox::Cancel) ? QMessageBox::Cancel : QMessageBox::Ok;
        fitTo(boxScreen(parent));
    }

    // Escape and the window's close button answer as a standard box does.
    void reject() override { done(int(m_escape)); }

private:
    QPixmap iconPixmap(QMessageBox::Icon icon) const
    {
        QStyle::StandardPixmap which = QStyle::SP_MessageBoxInformation;
        switch (icon) {
        case QMessageBox::Critical:
            which = QStyle::SP_MessageBoxCritical;
            break;
        case QMessageBox::Warning:
            which = QStyle::SP_MessageBoxWarning;
            break;
        case QMessageBox::Question:
            which = QStyle::SP_MessageBoxQuestion;
            break;
        default:
            break;
        }
        const int extent = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
        return style()->standardIcon(which, nullptr, this).pixmap(extent, extent);
    }

    void fitTo(const QScreen* screen)
    {
        const QRect free = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
        const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        const int width = std::clamp(free.width() - 384, kNarrowestWrap, 640);
        // The window manager's title bar and borders, which come on top of the box's own height.
        const int frame = 2 * std::max(style()->pixelMetric(QStyle::PM_TitleBarHeight), fontMetrics().height()) + 8;
        // The box's height beside the text, as its layout makes it.
        m_scroll->setFixedSize(width + scrollBar, 0);
        const int beside = layout()->sizeHint().height();
        const int room = std::max(free.height() - beside - frame, 3 * fontMetrics().lineSpacing());
        const int needed = m_text->heightForWidth(width);
        m_scroll->setFixedSize(width + (needed > room ? scrollBar : 0), std::min(needed, room));
        adjustSize();
        // Centred in the free area with its frame, which the window manager adds around it.
        const QSize outer = size() + QSize(0, frame);
        move(free.x() + (free.width() - outer.width()) / 2, free.y() + (free.height() - outer.height()) / 2);
    }

    QLabel* m_text = nullptr;
    QScrollArea* m_scroll = nullptr;
    QMessageBox::StandardButton m_escape = QMessageBox::Ok;
};

QMessageBox::StandardButton ask(QMessageBox::Icon icon, const QString& title, const QByteArray& text,
                                QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton)
{
    const QString shown = screenMessage(text);
    QWidget* parent = dialogParent();
    // A standard box grows with its text past the screen's edge, its buttons out of reach.
    const QScreen* screen = boxScreen(parent);
    if (screen != nullptr && textHeight(shown, kNarrowestWrap) + kBoxChrome > screen->availableGeometry().height()) {
        ScrollingMessageBox box(icon, title, shown, buttons, defaultButton, parent);
        return QMessageBox::StandardButton(box.exec());
    }
    QMessageBox box(icon, title, shown, buttons, parent);
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
            // The answer is read back as YUSCII: the field shows what will be read.
            installPlainRule(field);
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

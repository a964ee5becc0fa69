#include "prompter.h"

#include "display.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

namespace platform {
namespace {

QByteArray g_title = "Korvelin";

QWidget* dialogParent()
{
    return QApplication::activeWindow();
}

class ScreenPrompter final : public Prompter {
public:
    void message(const QByteArray& text) override
    {
        QMessageBox::information(dialogParent(), display::toUnicode(g_title), display::toUnicode(text));
    }

    void error(const QByteArray& text) override
    {
        QMessageBox::critical(dialogParent(), display::toUnicode(g_title), display::toUnicode(text));
    }

    bool confirm(const QByteArray& text) override
    {
        return QMessageBox::question(dialogParent(), QStringLiteral("Potvrda"), display::toUnicode(text),
                                     QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok) == QMessageBox::Ok;
    }

    Answer warningYesNoCancel(const QByteArray& text) override
    {
        switch (QMessageBox::warning(dialogParent(), QStringLiteral("Warning"), display::toUnicode(text),
                                     QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes)) {
        case QMessageBox::Yes: return Answer::Yes;
        case QMessageBox::No: return Answer::No;
        default: return Answer::Cancel;
        }
    }

    std::optional<QByteArray> input(const QByteArray& caption, const QByteArray& prompt,
                                    const QByteArray& value) override
    {
        bool ok = false;
        const QString text = QInputDialog::getText(dialogParent(), display::toUnicode(caption),
                                                   display::toUnicode(prompt), QLineEdit::Normal,
                                                   display::toUnicode(value), &ok);
        if (!ok) {
            return std::nullopt;
        }
        return display::fromUnicode(text);
    }
};

Prompter* g_current = nullptr;

} // namespace

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

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
        QMessageBox::information(dialogParent(), display::toUnicode(g_title), screenMessage(text));
    }

    void error(const QByteArray& text) override
    {
        QMessageBox::critical(dialogParent(), display::toUnicode(g_title), screenMessage(text));
    }

    bool confirm(const QByteArray& text) override
    {
        return QMessageBox::question(dialogParent(), QStringLiteral("Potvrda"), screenMessage(text),
                                     QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok) == QMessageBox::Ok;
    }

    Answer warningYesNoCancel(const QByteArray& text) override
    {
        switch (QMessageBox::warning(dialogParent(), QStringLiteral("Warning"), screenMessage(text),
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
                                                   screenMessage(prompt), QLineEdit::Normal,
                                                   display::toUnicode(value), &ok);
        if (!ok) {
            return std::nullopt;
        }
        return display::fromUnicode(text);
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

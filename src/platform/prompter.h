#pragma once

// Every message box, question and input box of the program goes through the prompter, so tests
// can answer them. Texts are YUSCII, as the program holds them; the prompter maps them for the
// screen.

#include <QByteArray>
#include <QString>
#include <optional>

namespace platform {

enum class Answer { Ok, Cancel, Yes, No };

class Prompter {
public:
    virtual ~Prompter() = default;

    // A notice with an OK button, captioned with the application title.
    virtual void message(const QByteArray& text) = 0;
    // The standard error box for a failure that no handler caught; shows the failure's own text.
    virtual void error(const QByteArray& text) = 0;
    // OK and Cancel; true only for OK (closing the dialog counts as Cancel).
    virtual bool confirm(const QByteArray& text) = 0;
    // A warning with Yes, No and Cancel.
    virtual Answer warningYesNoCancel(const QByteArray& text) = 0;
    // An input box; empty when cancelled.
    virtual std::optional<QByteArray> input(const QByteArray& caption, const QByteArray& prompt,
                                            const QByteArray& value) = 0;
};

// What the on-screen prompter shows for a YUSCII text: the text mapped for the screen, with each
// line end one line break, whether it is written CR LF, LF CR (as some of the program's messages
// are), LF or CR alone.
QString screenMessage(const QByteArray& text);

// The prompter in use: the on-screen one unless a test has installed its own.
Prompter& prompter();
// Installs `p` (not owned); nullptr goes back to the on-screen prompter.
void setPrompter(Prompter* p);

// The title that captions plain message boxes.
QByteArray applicationTitle();
void setApplicationTitle(const QByteArray& title);

} // namespace platform

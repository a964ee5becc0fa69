#pragma once

// A prompter for tests: it records every prompt and answers questions from a queue. A question
// with no answer queued is recorded as unexpected and answered with Cancel; a test checks
// unexpected() (the fixture's cleanup does) so it fails instead of blocking on a dialog.

#include "prompter.h"

#include <functional>
#include <QByteArray>
#include <QList>
#include <QQueue>
#include <variant>

namespace testsupport {

struct Prompt {
    enum Kind { Message, Error, Confirm, YesNoCancel, Input } kind;
    QByteArray text;    // the text shown (for an input box, its prompt)
    QByteArray caption; // input boxes only
    QByteArray value;   // input boxes only: the proposed value
};

class ScriptedPrompter final : public platform::Prompter {
public:
    ScriptedPrompter();           // installs itself
    ~ScriptedPrompter() override; // goes back to the screen prompter

    // Queue answers in the order the questions will come. An input answer of nullopt cancels.
    void answer(platform::Answer a);
    void answerInput(std::optional<QByteArray> value);

    const QList<Prompt>& asked() const { return m_asked; }
    QList<QByteArray> texts() const;
    QList<Prompt> unexpected() const { return m_unexpected; }
    int pendingAnswers() const { return int(m_answers.size()); }
    void clear();

    // Called with every prompt as it is shown, so a test can look at the program meanwhile.
    std::function<void(const Prompt&)> onPrompt;

    void message(const QByteArray& text) override;
    void error(const QByteArray& text) override;
    bool confirm(const QByteArray& text) override;
    platform::Answer warningYesNoCancel(const QByteArray& text) override;
    std::optional<QByteArray> input(const QByteArray& caption, const QByteArray& prompt,
                                    const QByteArray& value) override;

private:
    using Scripted = std::variant<platform::Answer, std::optional<QByteArray>>;
    bool take(const Prompt& p, Scripted& out);
    void record(const Prompt& p);

    QList<Prompt> m_asked;
    QList<Prompt> m_unexpected;
    QQueue<Scripted> m_answers;
};

// The build's bin folder, where the generated fonts lie.
QString binFolder();

} // namespace testsupport

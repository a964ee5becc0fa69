#include "scriptedprompter.h"

#include <QCoreApplication>

namespace testsupport {

ScriptedPrompter::ScriptedPrompter()
{
    platform::setPrompter(this);
}

ScriptedPrompter::~ScriptedPrompter()
{
    platform::setPrompter(nullptr);
}

void ScriptedPrompter::answer(platform::Answer a)
{
    m_answers.enqueue(a);
}

void ScriptedPrompter::answerInput(std::optional<QByteArray> value)
{
    m_answers.enqueue(std::move(value));
}

QList<QByteArray> ScriptedPrompter::texts() const
{
    QList<QByteArray> out;
    for (const Prompt& p : m_asked) {
        out << p.text;
    }
    return out;
}

void ScriptedPrompter::clear()
{
    m_asked.clear();
    m_unexpected.clear();
    m_answers.clear();
}

void ScriptedPrompter::record(const Prompt& p)
{
    m_asked << p;
    if (onPrompt) {
        onPrompt(p);
    }
}

bool ScriptedPrompter::take(const Prompt& p, Scripted& out)
{
    record(p);
    if (m_answers.isEmpty()) {
        m_unexpected << p;
        return false;
    }
    out = m_answers.dequeue();
    return true;
}

void ScriptedPrompter::message(const QByteArray& text)
{
    record({Prompt::Message, text, {}, {}});
}

void ScriptedPrompter::error(const QByteArray& text)
{
    record({Prompt::Error, text, {}, {}});
}

bool ScriptedPrompter::confirm(const QByteArray& text)
{
    Scripted a;
    if (!take({Prompt::Confirm, text, {}, {}}, a)) {
        return false;
    }
    const auto* answer = std::get_if<platform::Answer>(&a);
    return answer != nullptr && *answer == platform::Answer::Ok;
}

platform::Answer ScriptedPrompter::warningYesNoCancel(const QByteArray& text)
{
    Scripted a;
    if (!take({Prompt::YesNoCancel, text, {}, {}}, a)) {
        return platform::Answer::Cancel;
    }
    const auto* answer = std::get_if<platform::Answer>(&a);
    return answer != nullptr ? *answer : platform::Answer::Cancel;
}

std::optional<QByteArray> ScriptedPrompter::input(const QByteArray& caption, const QByteArray& prompt,
                                                  const QByteArray& value)
{
    Scripted a;
    if (!take({Prompt::Input, prompt, caption, value}, a)) {
        return std::nullopt;
    }
    const auto* answer = std::get_if<std::optional<QByteArray>>(&a);
    return answer != nullptr ? *answer : std::nullopt;
}

QString binFolder()
{
    const QByteArray env = qgetenv("KORVELIN_TEST_BIN");
    return env.isEmpty() ? QCoreApplication::applicationDirPath() : QString::fromLocal8Bit(env);
}

} // namespace testsupport

#include "screentext.h"

#include "yuscii.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTextEdit>
#include <QValidator>

#include <algorithm>
#include <utility>

namespace platform {
namespace {

// A validator sees every edit of a line edit, typed or pasted. Only what the edit brought is
// mapped: the rest of the text was mapped when it came, or the program put it in, and a title's
// ";" or "'" put in by the program is not the key of a letter.
class KeyFilterValidator final : public QValidator {
    Q_OBJECT
public:
    KeyFilterValidator(KeyFilter filter, QLineEdit* edit) : QValidator(edit), m_filter(filter), m_accepted(edit->text())
    {
    }

    KeyFilter filter() const { return m_filter; }
    // Program text: taken as it is given.
    bool bypass = false;

    State validate(QString& input, int& pos) const override
    {
        if (bypass) {
            m_accepted = input;
            return Acceptable;
        }
        const auto [head, tail] = unchangedEnds(input, pos);
        const QString brought = input.mid(head, input.size() - head - tail);
        const QString mapped = display::mapTypedText(brought, m_filter);
        if (m_filter == KeyFilter::DigitsOnly && mapped.size() != brought.size()) {
            return Invalid; // a swallowed key leaves the text as it was
        }
        input = input.left(head) + mapped + input.right(tail);
        m_accepted = input;
        return Acceptable;
    }

private:
    // How many characters at the start and at the end of `input` were there before the edit. An
    // edit ends at the cursor, so the text behind it is the old end: that tells where a key typed
    // into a run of equal characters went.
    std::pair<qsizetype, qsizetype> unchangedEnds(const QString& input, int pos) const
    {
        const qsizetype shorter = std::min(input.size(), m_accepted.size());
        qsizetype tail = std::clamp<qsizetype>(input.size() - pos, 0, shorter);
        if (QStringView(input).right(tail) != QStringView(m_accepted).right(tail)) {
            tail = 0;
            while (tail < shorter && input.at(input.size() - 1 - tail) == m_accepted.at(m_accepted.size() - 1 - tail)) {
                ++tail;
            }
        }
        qsizetype head = 0;
        while (head < shorter - tail && input.at(head) == m_accepted.at(head)) {
            ++head;
        }
        return {head, tail};
    }

    KeyFilter m_filter;
    mutable QString m_accepted; // the text as last accepted
};

class TextEditKeyFilter final : public QObject {
public:
    TextEditKeyFilter(KeyFilter filter, QTextEdit* edit) : QObject(edit), m_filter(filter), m_edit(edit) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress || watched != m_edit) {
            return false;
        }
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Paste)) {
            if (!m_edit->isReadOnly()) {
                m_edit->insertPlainText(display::mapTypedText(QApplication::clipboard()->text(), m_filter));
            }
            return true;
        }
        const QString text = key->text();
        if (text.isEmpty() || !text.at(0).isPrint()) {
            return false;
        }
        const QString mapped = display::mapTypedText(text, m_filter);
        if (mapped == text) {
            return false;
        }
        if (!mapped.isEmpty()) {
            QKeyEvent replacement(QEvent::KeyPress, key->key(), key->modifiers(), mapped, key->isAutoRepeat());
            QCoreApplication::sendEvent(m_edit, &replacement);
        }
        return true;
    }

private:
    KeyFilter m_filter;
    QTextEdit* m_edit;
};

} // namespace

void installKeyFilter(QLineEdit* edit, KeyFilter filter)
{
    edit->setValidator(new KeyFilterValidator(filter, edit));
}

void setFieldText(QLineEdit* edit, const QByteArray& yuscii)
{
    auto* validator = edit->findChild<KeyFilterValidator*>(QString(), Qt::FindDirectChildrenOnly);
    // Program text is not typed (its "[" is already Š), but it takes the field's case: an
    // upper-case field holds capitals only, whoever fills it.
    const bool upper = validator != nullptr && validator->filter() == KeyFilter::MapUpper;
    if (validator != nullptr) {
        validator->bypass = true;
    }
    edit->setText(toScreen(upper ? yuscii::yupperW(yuscii) : yuscii));
    if (validator != nullptr) {
        validator->bypass = false;
    }
}

void installKeyFilter(QTextEdit* edit, KeyFilter filter)
{
    edit->installEventFilter(new TextEditKeyFilter(filter, edit));
}

void setCaption(QWidget* widget, const QByteArray& yuscii)
{
    const QString text = toScreen(yuscii);
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(text);
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        setFieldText(edit, yuscii);
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        group->setTitle(text);
    } else {
        widget->setWindowTitle(text);
    }
}

QByteArray caption(const QWidget* widget)
{
    if (auto* label = qobject_cast<const QLabel*>(widget)) {
        return fromScreen(label->text());
    }
    if (auto* button = qobject_cast<const QAbstractButton*>(widget)) {
        return fromScreen(button->text());
    }
    if (auto* edit = qobject_cast<const QLineEdit*>(widget)) {
        return fromScreen(edit->text());
    }
    if (auto* group = qobject_cast<const QGroupBox*>(widget)) {
        return fromScreen(group->title());
    }
    return fromScreen(widget->windowTitle());
}

} // namespace platform

#include "screentext.moc"

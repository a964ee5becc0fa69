#include "screentext.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTextEdit>
#include <QValidator>

namespace platform {
namespace {

// A validator sees every edit of a line edit, typed or pasted. The mapping is idempotent, so
// mapping the whole text maps just the new part. Text the program sets (setFieldText) passes as is.
class KeyFilterValidator final : public QValidator {
    Q_OBJECT
public:
    KeyFilterValidator(KeyFilter filter, QObject* parent) : QValidator(parent), m_filter(filter) {}

    bool bypass = false;

    State validate(QString& input, int& pos) const override
    {
        if (bypass) {
            return Acceptable;
        }
        const QString mapped = display::mapTypedText(input, m_filter);
        if (m_filter == KeyFilter::DigitsOnly) {
            // A swallowed key leaves the text as it was.
            return mapped.size() == input.size() ? Acceptable : Invalid;
        }
        input = mapped;
        (void)pos;
        return Acceptable;
    }

private:
    KeyFilter m_filter;
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
    if (validator != nullptr) {
        validator->bypass = true;
    }
    edit->setText(toScreen(yuscii));
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

#include "screentext.h"

#include "yuscii.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>
#include <utility>

namespace platform {

ArrivalValidator::ArrivalValidator(QLineEdit* edit) : QValidator(edit), m_accepted(edit->text())
{
    edit->installEventFilter(this);
    // The line edit puts a mapped edit in as if the program had set the text, which clears its
    // modified flag; the user's edit is still an edit, and a field saved when modified must say so.
    connect(edit, &QLineEdit::textEdited, edit, [edit] { edit->setModified(true); });
}

bool ArrivalValidator::eventFilter(QObject* watched, QEvent* event)
{
    // The edit a typed key makes is validated while its key press is delivered; the events that
    // follow it (its release at the latest) end the typing, so a paste after it is a paste.
    switch (event->type()) {
    case QEvent::KeyPress:
        m_typing = isTypedKey(static_cast<QKeyEvent*>(event));
        break;
    case QEvent::InputMethod:
        m_typing = !static_cast<QInputMethodEvent*>(event)->commitString().isEmpty();
        break;
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::DragEnter:
    case QEvent::Drop:
    case QEvent::ContextMenu:
    case QEvent::FocusIn:
    case QEvent::FocusOut:
        m_typing = false;
        break;
    default:
        break;
    }
    return QValidator::eventFilter(watched, event);
}

QValidator::State ArrivalValidator::validate(QString& input, int& pos) const
{
    if (bypass) {
        m_accepted = input;
        return Acceptable;
    }
    const auto [head, tail] = unchangedEnds(input, pos);
    const qsizetype broughtSize = input.size() - head - tail;
    if (broughtSize == 0) {
        m_accepted = input;
        return Acceptable;
    }
    const bool typed = std::exchange(m_typing, false);
    // The field holds one line, whatever the edit brought, and a letter that came written with a
    // combining accent is the one letter that its code is.
    const QString brought = display::oneLine(input.mid(head, broughtSize), head > 0 ? input.at(head - 1) : QChar(),
                                             tail > 0 ? input.at(input.size() - tail) : QChar())
                                .normalized(QString::NormalizationForm_C);
    std::optional<QString> mapped;
    if (brought.isEmpty()) {
        mapped = QString();
    } else {
        mapped = typed ? mapTyped(brought) : mapPasted(brought);
    }
    if (!mapped) {
        return Invalid; // the text stays as it was
    }
    input = input.left(head) + *mapped + input.right(tail);
    // The mapping may change the edit's length (a line end dropped, an accent joined to its
    // letter): a cursor behind the edit stays behind it.
    if (pos >= head + broughtSize) {
        pos += int(mapped->size() - broughtSize);
    } else if (pos > head) {
        pos = std::min(pos, int(head + mapped->size()));
    }
    m_accepted = input;
    return Acceptable;
}

// How many characters at the start and at the end of `input` were there before the edit. An
// edit ends at the cursor, so the text behind it is the old end: that tells where a key typed
// into a run of equal characters went.
std::pair<qsizetype, qsizetype> ArrivalValidator::unchangedEnds(const QString& input, int pos) const
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

bool isTypedKey(const QKeyEvent* event)
{
    const QString text = event->text();
    return !text.isEmpty() && text.at(0).isPrint() &&
           !(event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) && !event->matches(QKeySequence::Paste);
}

namespace {

class KeyFilterValidator final : public ArrivalValidator {
    Q_OBJECT
public:
    KeyFilterValidator(KeyFilter filter, QLineEdit* edit) : ArrivalValidator(edit), m_filter(filter) {}

    KeyFilter filter() const { return m_filter; }

protected:
    std::optional<QString> mapTyped(const QString& brought) const override
    {
        return checked(brought, display::mapTypedText(brought, m_filter));
    }
    std::optional<QString> mapPasted(const QString& brought) const override
    {
        return checked(brought, display::mapPastedText(brought, m_filter));
    }

private:
    // A swallowed key (or pasted character) in the digits field leaves the text as it was.
    std::optional<QString> checked(const QString& brought, const QString& mapped) const
    {
        if (m_filter == KeyFilter::DigitsOnly && mapped.size() != brought.size()) {
            return std::nullopt;
        }
        return mapped;
    }

    KeyFilter m_filter;
};

class PlainValidator final : public ArrivalValidator {
    Q_OBJECT
public:
    using ArrivalValidator::ArrivalValidator;

protected:
    std::optional<QString> mapTyped(const QString& brought) const override { return mapPasted(brought); }
    std::optional<QString> mapPasted(const QString& brought) const override
    {
        return display::mapPastedText(brought, KeyFilter::Map);
    }
};

} // namespace

void installKeyFilter(QLineEdit* edit, KeyFilter filter)
{
    edit->setValidator(new KeyFilterValidator(filter, edit));
}

void installPlainRule(QLineEdit* edit)
{
    edit->setValidator(new PlainValidator(edit));
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

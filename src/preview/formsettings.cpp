#include "formsettings.h"

#include "prompter.h"
#include "registry.h"
#include "screentext.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTextEdit>
#include <QWidget>
#include <climits>
#include <optional>

using platform::RegistryKey;

namespace preview {

QString windowStateText(Qt::WindowStates state)
{
    if (state & Qt::WindowMinimized) {
        return QStringLiteral("MINIMIZED");
    }
    if (state & Qt::WindowMaximized) {
        return QStringLiteral("MAXIMIZED");
    }
    return QStringLiteral("NORMAL");
}

Qt::WindowState windowStateOf(const QString& text)
{
    const QString upper = text.toUpper();
    if (upper == QLatin1String("MAXIMIZED")) {
        return Qt::WindowMaximized;
    }
    if (upper == QLatin1String("MINIMIZED")) {
        return Qt::WindowMinimized;
    }
    return Qt::WindowNoState;
}

int colorNumber(const QColor& color)
{
    return color.red() | (color.green() << 8) | (color.blue() << 16);
}

std::optional<QColor> colorOf(qint64 number)
{
    if (number < 0 || number > 0xFFFFFF) {
        return std::nullopt;
    }
    return QColor(int(number & 0xFF), int((number >> 8) & 0xFF), int((number >> 16) & 0xFF));
}

} // namespace preview

namespace {

const QString kPosition = QStringLiteral("Position");
const QString kValues = QStringLiteral("Values");

std::optional<qint64> readNumber(const std::optional<RegistryKey>& key, const QString& name)
{
    if (!key || !key->hasValue(name)) {
        return std::nullopt;
    }
    bool ok = false;
    const qint64 value = key->readString(name).trimmed().toLongLong(&ok);
    return ok ? std::optional<qint64>(value) : std::nullopt;
}

int readInteger(const std::optional<RegistryKey>& key, const QString& name, int fallback)
{
    const std::optional<qint64> value = readNumber(key, name);
    return value && *value >= INT_MIN && *value <= INT_MAX ? int(*value) : fallback;
}

bool readBool(const std::optional<RegistryKey>& key, const QString& name, bool fallback)
{
    const std::optional<qint64> value = readNumber(key, name);
    return value ? *value != 0 : fallback;
}

QString readText(const std::optional<RegistryKey>& key, const QString& name, const QString& fallback)
{
    return key ? key->readString(name, fallback) : fallback;
}

QString boolText(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

void readFont(const std::optional<RegistryKey>& key, const QString& name, TFont& font)
{
    font.setFamily(readText(key, name + QLatin1String("_Name"), font.family()));
    const int size = readInteger(key, name + QLatin1String("_Size"), font.pointSize());
    if (size > 0) {
        font.setPointSize(size);
    }
    if (const std::optional<qint64> number = readNumber(key, name + QLatin1String("_Color"))) {
        if (const std::optional<QColor> color = preview::colorOf(*number)) {
            font.Color = *color;
        }
    }
    font.setBold(readBool(key, name + QLatin1String("_Bold"), font.bold()));
    font.setItalic(readBool(key, name + QLatin1String("_Italic"), font.italic()));
    font.setUnderline(readBool(key, name + QLatin1String("_Underline"), font.underline()));
    font.setStrikeOut(readBool(key, name + QLatin1String("_StrikeOut"), font.strikeOut()));
}

void writeFont(RegistryKey& key, const QString& name, const TFont& font)
{
    key.writeString(name + QLatin1String("_Name"), font.family());
    key.writeString(name + QLatin1String("_Size"), QString::number(font.pointSize()));
    key.writeString(name + QLatin1String("_Color"), QString::number(preview::colorNumber(font.Color)));
    key.writeString(name + QLatin1String("_Bold"), boolText(font.bold()));
    key.writeString(name + QLatin1String("_Italic"), boolText(font.italic()));
    key.writeString(name + QLatin1String("_Underline"), boolText(font.underline()));
    key.writeString(name + QLatin1String("_StrikeOut"), boolText(font.strikeOut()));
}

void readControl(const std::optional<RegistryKey>& key, QObject* control)
{
    const QString name = control->objectName();
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        edit->setText(readText(key, name, edit->text()));
    } else if (auto* memo = qobject_cast<QPlainTextEdit*>(control)) {
        memo->setPlainText(readText(key, name, memo->toPlainText()));
    } else if (auto* rich = qobject_cast<QTextEdit*>(control)) {
        rich->setPlainText(readText(key, name, rich->toPlainText()));
    } else if (auto* box = qobject_cast<QCheckBox*>(control)) {
        box->setChecked(readBool(key, name, box->isChecked()));
    } else if (auto* radio = qobject_cast<QRadioButton*>(control)) {
        radio->setChecked(readBool(key, name, radio->isChecked()));
    } else if (auto* list = qobject_cast<QListWidget*>(control)) {
        list->setCurrentRow(readInteger(key, name, list->currentRow()));
    } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
        combo->setCurrentIndex(readInteger(key, name, combo->currentIndex()));
    } else if (auto* fonts = qobject_cast<TFontDialog*>(control)) {
        readFont(key, name, fonts->Font);
    }
}

void writeControl(RegistryKey& key, QObject* control)
{
    const QString name = control->objectName();
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        key.writeString(name, edit->text());
    } else if (auto* memo = qobject_cast<QPlainTextEdit*>(control)) {
        key.writeString(name, memo->toPlainText());
    } else if (auto* rich = qobject_cast<QTextEdit*>(control)) {
        key.writeString(name, rich->toPlainText());
    } else if (auto* box = qobject_cast<QCheckBox*>(control)) {
        key.writeString(name, boolText(box->isChecked()));
    } else if (auto* radio = qobject_cast<QRadioButton*>(control)) {
        key.writeString(name, boolText(radio->isChecked()));
    } else if (auto* list = qobject_cast<QListWidget*>(control)) {
        key.writeString(name, QString::number(list->currentRow()));
    } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
        key.writeString(name, QString::number(combo->currentIndex()));
    } else if (auto* fonts = qobject_cast<TFontDialog*>(control)) {
        writeFont(key, name, fonts->Font);
    }
}

bool isValueControl(const QObject* o)
{
    return qobject_cast<const QLineEdit*>(o) || qobject_cast<const QPlainTextEdit*>(o) ||
           qobject_cast<const QTextEdit*>(o) || qobject_cast<const QCheckBox*>(o) ||
           qobject_cast<const QRadioButton*>(o) || qobject_cast<const QListWidget*>(o) ||
           qobject_cast<const QComboBox*>(o);
}

} // namespace

TFontDialog::TFontDialog(QObject* owner, const QString& name) : QObject(owner)
{
    setObjectName(name);
}

bool TFontDialog::Execute(QWidget* parent)
{
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, Font, parent);
    if (ok) {
        const QColor color = Font.Color;
        static_cast<QFont&>(Font) = chosen;
        Font.Color = color;
    }
    return ok;
}

TFormSettings::TFormSettings(QWidget* owner) : QObject(owner)
{
    setObjectName(QStringLiteral("FormSettings1"));
}

QWidget* TFormSettings::window() const
{
    auto* owner = qobject_cast<QWidget*>(parent());
    return owner != nullptr && owner->isWindow() ? owner : nullptr;
}

QString TFormSettings::KeyName() const
{
    if (!m_keyName.isEmpty() || parent() == nullptr) {
        return m_keyName;
    }
    return QStringLiteral("Software\\") + platform::toScreen(platform::applicationTitle()) + QLatin1Char('\\') +
           parent()->objectName();
}

QList<QObject*> TFormSettings::handledControls() const
{
    QObject* root = m_rootControl != nullptr ? m_rootControl : parent();
    QList<QObject*> values;
    QList<QObject*> fonts;
    // Children come in the order they were made, each one's own children right after it.
    for (QObject* o : root->findChildren<QObject*>()) {
        if (o->objectName().isEmpty()) {
            continue;
        }
        if (isValueControl(o)) {
            values << o;
        } else if (qobject_cast<TFontDialog*>(o)) {
            fonts << o;
        }
    }
    return values + fonts;
}

void TFormSettings::Loaded()
{
    LoadSettings();
}

std::optional<RegistryKey> TFormSettings::openKey() const
{
    if (window() == nullptr) {
        return std::nullopt;
    }
    return RegistryKey::open(platform::Hive::CurrentUser, KeyName(), true);
}

void TFormSettings::LoadSettings()
{
    const std::optional<RegistryKey> key = openKey();
    if (!key) {
        return;
    }
    QWidget* w = window();
    if (m_savePosition) {
        const std::optional<RegistryKey> position = key->subKey(kPosition, false);
        w->move(readInteger(position, QStringLiteral("Left"), w->x()),
                readInteger(position, QStringLiteral("Top"), w->y()));
        w->resize(readInteger(position, QStringLiteral("Width"), w->width()),
                  readInteger(position, QStringLiteral("Height"), w->height()));
        const QString state = readText(position, QStringLiteral("WindowState"), QStringLiteral("Normal"));
        w->setWindowState(preview::windowStateOf(state));
    }
    if (m_loadValues) {
        const std::optional<RegistryKey> values = key->subKey(kValues, false);
        for (QObject* control : handledControls()) {
            readControl(values, control);
        }
    }
}

void TFormSettings::SaveSettings()
{
    const std::optional<RegistryKey> key = openKey();
    if (!key) {
        return;
    }
    const QWidget* w = window();
    if (m_savePosition) {
        std::optional<RegistryKey> position = key->subKey(kPosition, true);
        // The bounds of a maximized or minimized window are not the ones to come back to.
        if (!(w->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized))) {
            position->writeString(QStringLiteral("Left"), QString::number(w->x()));
            position->writeString(QStringLiteral("Top"), QString::number(w->y()));
            position->writeString(QStringLiteral("Width"), QString::number(w->width()));
            position->writeString(QStringLiteral("Height"), QString::number(w->height()));
        }
        position->writeString(QStringLiteral("WindowState"), preview::windowStateText(w->windowState()));
    }
    if (m_saveValues) {
        std::optional<RegistryKey> values = key->subKey(kValues, true);
        for (QObject* control : handledControls()) {
            writeControl(*values, control);
        }
    }
}

#pragma once

// Stored window settings under one key of the user's registry: a window's position and size and
// the values of its edit fields, check boxes, radio buttons, list and combo selections and font
// dialogs, each under the control's object name.

#include "textoptions.h"

#include <QObject>
#include <QString>
#include <optional>

class QWidget;

namespace platform {
class RegistryKey;
}

// A window's font dialog: the font it offers and returns, kept between showings.
class TFontDialog final : public QObject {
    Q_OBJECT
public:
    TFontDialog(QObject* owner, const QString& name);

    TFont Font;
    // Lets the user choose a font; true when one was chosen.
    bool Execute(QWidget* parent);
};

class TFormSettings final : public QObject {
    Q_OBJECT
public:
    explicit TFormSettings(QWidget* owner);

    bool SavePosition() const { return m_savePosition; }
    void setSavePosition(bool on) { m_savePosition = on; }
    bool SaveValues() const { return m_saveValues; }
    void setSaveValues(bool on) { m_saveValues = on; }
    bool LoadValues() const { return m_loadValues; }
    void setLoadValues(bool on) { m_loadValues = on; }
    // The key under the current user; by default "Software\<application title>\<window name>".
    QString KeyName() const;
    void setKeyName(const QString& key) { m_keyName = key; }
    // Whose controls are handled; none means the owning window.
    QWidget* RootControl() const { return m_rootControl; }
    void setRootControl(QWidget* root) { m_rootControl = root; }

    // Called once the owning window has made its controls: loads the settings.
    void Loaded();
    // A value missing or unreadable leaves its control as it is.
    void LoadSettings();
    // Bounds are written only for a window in its normal state; the state always.
    void SaveSettings();

private:
    QWidget* window() const;
    // The key for one load or save, made when missing; none when the owner is no window.
    std::optional<platform::RegistryKey> openKey() const;
    QList<QObject*> handledControls() const;

    bool m_savePosition = true;
    bool m_saveValues = false;
    bool m_loadValues = false;
    QString m_keyName;
    QWidget* m_rootControl = nullptr;
};

namespace preview {

// The window-state text as stored; reading ignores letter case and takes anything unknown as
// normal.
QString windowStateText(Qt::WindowStates state);
Qt::WindowState windowStateOf(const QString& text);

// A colour as a number: red in the low byte, then green, then blue. Numbers outside that range
// (the system's own colours) give nullopt.
int colorNumber(const QColor& color);
std::optional<QColor> colorOf(qint64 number);

} // namespace preview

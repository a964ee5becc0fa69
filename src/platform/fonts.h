#pragma once

// The program's three font families. They are generated at build time beside the program; at
// start the desktop is given those it lacks, and the process loads those its own table lacks.

#include <QString>

struct _FcConfig;

namespace platform {

struct FontNames {
    QString latin;    // Latin YUSCII text
    QString cyrillic; // the Cyrillic form
    QString ui;       // the user interface
};

// The font table that families are looked up in and files added to.
class FontTable {
public:
    virtual ~FontTable() = default;
    virtual bool hasFamily(const QString& family) const = 0;
    virtual void addFontFile(const QString& path) = 0;
    virtual void removeFontFile(const QString& path) = 0;
};

// The process's font table (QFontDatabase).
class ApplicationFontTable final : public FontTable {
public:
    bool hasFamily(const QString& family) const override;
    void addFontFile(const QString& path) override;
    void removeFontFile(const QString& path) override;
};

// The desktop's font table (fontconfig): the families every program of the user sees. Files are
// given to it by copying them into the user's font folder, where they stay after the program
// ends, so that other programs show text in these families with real letters.
class DesktopFontTable final : public FontTable {
public:
    // Reads the desktop's fonts as another program would find them now: a configuration of its
    // own, without the fonts this process has loaded for itself.
    DesktopFontTable();
    ~DesktopFontTable() override;
    DesktopFontTable(const DesktopFontTable&) = delete;
    DesktopFontTable& operator=(const DesktopFontTable&) = delete;

    bool hasFamily(const QString& family) const override;
    // Copies the file into folder(). As with the system call this stands in for, a file that
    // cannot be given is not reported: the program still loads it for itself.
    void addFontFile(const QString& path) override;
    // Fonts given to the desktop stay: other programs' documents rely on them.
    void removeFontFile(const QString&) override {}
    // Brings the font cache of folder() up to date, so other programs find the files without
    // scanning for them; does nothing when no file was added.
    void updateCache();

    // "Korvelin" in the user's font folder ($XDG_DATA_HOME/fonts, by default ~/.local/share/fonts);
    // empty without a home folder, when the desktop is given nothing.
    static QString folder();

private:
    _FcConfig* m_config = nullptr;
    bool m_added = false;
};

// For each family in order: when it is missing, add its files from `folder`, in order.
FontNames installFonts(FontTable& table, const QString& folder);

// For each family the table has, removes its files from `folder` (the reverse of installFonts).
void uninstallFonts(FontTable& table, const QString& folder);

// The start-up step: gives the desktop the families it lacks (nothing without a home folder), then
// loads for the program those the process's table lacks, all from `folder`.
FontNames makeFontsAvailable(const QString& folder);

} // namespace platform

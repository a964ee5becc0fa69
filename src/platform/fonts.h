#pragma once

// The program's three font families. They are generated at build time beside the program and
// added to the process's font table at start when the system lacks them.

#include <QString>

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

// For each family in order: when it is missing, add its files from `folder`, in order.
FontNames installFonts(FontTable& table, const QString& folder);

// For each family the table has, removes its files from `folder` (the reverse of installFonts).
void uninstallFonts(FontTable& table, const QString& folder);

} // namespace platform

#include "fonts.h"

#include <QDir>
#include <QFontDatabase>
#include <QHash>
#include <QStringList>

namespace platform {
namespace {
struct Family {
    const char* name;
    QStringList files;
};

// Font ids by file, so that a file added can be removed again.
QHash<QString, int>& addedFonts()
{
    static QHash<QString, int> ids;
    return ids;
}

const QList<Family>& families()
{
    static const QList<Family> list = {
        {"YHelvetica", {QStringLiteral("Yhelvn.TTF"), QStringLiteral("Yhelvb.TTF")}},
        {"CHelvetica", {QStringLiteral("Cir Helvetica.TTF"), QStringLiteral("Cir Helvetica Bold.TTF")}},
        {"YU Sans Serif", {QStringLiteral("Yuerife.FON")}},
    };
    return list;
}
} // namespace

bool ApplicationFontTable::hasFamily(const QString& family) const
{
    return QFontDatabase::families().contains(family, Qt::CaseInsensitive);
}

void ApplicationFontTable::addFontFile(const QString& path)
{
    // As with the system call this stands in for, a file that cannot be added is not reported:
    // text then falls back to another font.
    const int id = QFontDatabase::addApplicationFont(path);
    if (id >= 0) {
        addedFonts().insert(path, id);
    }
}

void ApplicationFontTable::removeFontFile(const QString& path)
{
    const auto it = addedFonts().find(path);
    if (it != addedFonts().end()) {
        QFontDatabase::removeApplicationFont(it.value());
        addedFonts().erase(it);
    }
}

FontNames installFonts(FontTable& table, const QString& folder)
{
    const QDir dir(folder);
    for (const Family& family : families()) {
        if (!table.hasFamily(QString::fromLatin1(family.name))) {
            for (const QString& file : family.files) {
                table.addFontFile(dir.filePath(file));
            }
        }
    }
    return {QStringLiteral("YHelvetica"), QStringLiteral("CHelvetica"), QStringLiteral("YU Sans Serif")};
}

void uninstallFonts(FontTable& table, const QString& folder)
{
    const QDir dir(folder);
    for (const Family& family : families()) {
        if (table.hasFamily(QString::fromLatin1(family.name))) {
            for (const QString& file : family.files) {
                table.removeFontFile(dir.filePath(file));
            }
        }
    }
}

} // namespace platform

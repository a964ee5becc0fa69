#include "fonts.h"

#include <QDir>
#include <QFontDatabase>

namespace platform {
namespace {
struct Family {
    const char* name;
    QStringList files;
};

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
    QFontDatabase::addApplicationFont(path);
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

QStringList fontFilesOf(const QString& family)
{
    for (const Family& f : families()) {
        if (family == QLatin1String(f.name)) {
            return f.files;
        }
    }
    return {};
}

} // namespace platform

#include "fonts.h"

#include "paths.h"

#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QHash>
#include <QSaveFile>
#include <QStringList>

#include <fontconfig/fontconfig.h>

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

DesktopFontTable::DesktopFontTable() : m_config(FcInitLoadConfigAndFonts()) {}

DesktopFontTable::~DesktopFontTable()
{
    if (m_config != nullptr) {
        FcConfigDestroy(m_config);
    }
}

bool DesktopFontTable::hasFamily(const QString& family) const
{
    if (m_config == nullptr) {
        // Nothing can be told about the desktop; giving it the files again does no harm.
        return false;
    }
    const QByteArray name = family.toUtf8();
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.constData()));
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
    FcFontSet* fonts = FcFontList(m_config, pattern, objects);
    const bool found = fonts != nullptr && fonts->nfont > 0;
    if (fonts != nullptr) {
        FcFontSetDestroy(fonts);
    }
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    return found;
}

void DesktopFontTable::addFontFile(const QString& path)
{
    QFile source(path);
    if (folder().isEmpty() || !QDir().mkpath(folder()) || !source.open(QIODevice::ReadOnly)) {
        return;
    }
    // Written whole under another name and renamed into place: a desktop that scans the folder
    // meanwhile never meets half a font.
    QSaveFile target(QDir(folder()).filePath(QFileInfo(path).fileName()));
    if (target.open(QIODevice::WriteOnly) && target.write(source.readAll()) == source.size() && target.commit()) {
        m_added = true;
    }
}

void DesktopFontTable::updateCache()
{
    if (!m_added || m_config == nullptr) {
        return;
    }
    // Forced scans write the caches of the font folder (which now lists our folder) and of ours.
    const QString fonts = QFileInfo(folder()).path();
    for (const QString& dir : {fonts, folder()}) {
        const QByteArray name = QFile::encodeName(dir);
        if (FcCache* cache = FcDirCacheRead(reinterpret_cast<const FcChar8*>(name.constData()), FcTrue, m_config)) {
            FcDirCacheUnload(cache);
        }
    }
    m_added = false;
}

QString DesktopFontTable::folder()
{
    const QString data = userFolder("XDG_DATA_HOME", QStringLiteral(".local/share"));
    return data.isEmpty() ? QString() : data + QStringLiteral("/fonts/Korvelin");
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

FontNames makeFontsAvailable(const QString& folder)
{
    // The process's own table is read before the desktop gets new files: the families it lacks
    // are then loaded from the files beside the program, which stay while it runs.
    QFontDatabase::families();
    // Without a home folder there is no user's desktop to give fonts to; even reading the
    // desktop's fonts is skipped, as fontconfig would write its caches wherever it could.
    if (!DesktopFontTable::folder().isEmpty()) {
        DesktopFontTable desktop;
        installFonts(desktop, folder);
        desktop.updateCache();
    }
    ApplicationFontTable program;
    return installFonts(program, folder);
}

} // namespace platform

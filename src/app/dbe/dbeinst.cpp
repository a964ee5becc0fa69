// The database engine's installer library. Registering it records where the engine's library lies,
// which the program reads back to check the engine's version.

#include "registry.h"

#include <QFileInfo>
#include <dlfcn.h>

namespace {
QString ownFolder()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&ownFolder), &info) == 0 || info.dli_fname == nullptr) {
        return {};
    }
    return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absolutePath();
}
} // namespace

extern "C" __attribute__((visibility("default"))) long DllRegisterServer()
{
    auto key = platform::RegistryKey::open(platform::Hive::LocalMachine, QStringLiteral("SOFTWARE\\DBE\\Database Engine"),
                                           true);
    if (!key) {
        return 1;
    }
    key->writeString(QStringLiteral("DLLPATH"), ownFolder());
    return 0;
}

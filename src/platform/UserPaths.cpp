#include "platform/UserPaths.h"

#include <QDir>
#include <QStandardPaths>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace {

QString AbsoluteFolderFromEnvironment(const char* pszName)
{
    const QString folder = qEnvironmentVariable(pszName);
    if (folder.isEmpty() || !QDir::isAbsolutePath(folder))
        return {};
    return QDir::cleanPath(folder);
}

} // namespace

QString CurrentUserName()
{
    long nBufferSize = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(static_cast<std::size_t>(nBufferSize > 0 ? nBufferSize : 16384));
    passwd entry{};
    passwd* pResult = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &pResult) == 0 && pResult && pResult->pw_name
        && *pResult->pw_name)
        return QString::fromLocal8Bit(pResult->pw_name);
    for (const char* pszName : {"USER", "LOGNAME"}) {
        const QString name = qEnvironmentVariable(pszName);
        if (!name.isEmpty())
            return name;
    }
    return {};
}

QString UserConfigFolder()
{
    if (QString folder = AbsoluteFolderFromEnvironment("XDG_CONFIG_HOME"); !folder.isEmpty())
        return folder;
    if (QString home = AbsoluteFolderFromEnvironment("HOME"); !home.isEmpty())
        return home == QLatin1String("/") ? QStringLiteral("/.config") : home + QStringLiteral("/.config");
    return QStringLiteral("/home/") + CurrentUserName() + QStringLiteral("/.config");
}

QString UserRuntimeFolder()
{
    if (QString folder = AbsoluteFolderFromEnvironment("XDG_RUNTIME_DIR"); !folder.isEmpty())
        return folder;
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

#include "app/TarnApp.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <new>

#include "platform/MessageBoxService.h"
#include "platform/UserPaths.h"
#include "prefs/Preference.h"

namespace {

bool IsWritableFolder(const QString& strFolder)
{
    const QFileInfo info(strFolder);
    return info.isDir() && info.isWritable();
}

} // namespace

ResultCode CTarnApp::SetupPreferencePath()
{
    return SetupPreferencePath(QCoreApplication::applicationFilePath());
}

ResultCode CTarnApp::SetupPreferencePath(const QString& strProgramPath)
{
    if (strProgramPath.isEmpty())
        return RC_MODULE_PATH_UNREADABLE;

    QString folders[3];
    try {
        const QString strProgramName = QFileInfo(strProgramPath).completeBaseName();
        folders[0] = UserConfigFolder() + QLatin1Char('/');
        folders[1] = folders[0] + QStringLiteral("Corvane/");
        folders[2] = folders[1] + QStringLiteral("Sonvale Data Manager/");
        m_strProfilePath = folders[2] + strProgramName + QStringLiteral(".ini");
    } catch (const std::bad_alloc&) {
        (void)CMessageBoxService::Show(nullptr, {QStringLiteral("Tarn"), QStringLiteral("It is memory shortage!"),
                                                 MessageBoxIcon::Warning, MessageBoxButtons::Ok});
        return RC_PATH_NO_MEMORY;
    }
    g_Preference.SetProfilePath(m_strProfilePath);

    // The profile path stays in force even when a folder cannot be made; the store then cannot save.
    for (const QString& strFolder : folders) {
        if (!IsWritableFolder(strFolder) && !QDir().mkpath(strFolder))
            return RC_FOLDER_NOT_CREATED;
    }
    return RC_OK;
}

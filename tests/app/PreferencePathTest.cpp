// Where the preference file goes: the user's configuration folder, the maker's and the product's
// folders, and a file named after the program.
#include "ShellFixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "prefs/Preference.h"
#include "prefs/Win32PrefHandler.h"

namespace {

class PreferencePath : public ShellTest
{
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        ASSERT_EQ(g_Preference.Create(), RC_OK);
    }

    static QString ProductFolder(const QString& base)
    {
        return base + QStringLiteral("/Corvane/Sonvale Data Manager/");
    }
};

TEST_F(PreferencePath, FollowsXdgConfigHomeAndTheProgramFileName)
{
    EXPECT_EQ(app->SetupPreferencePath(), RC_OK);
    EXPECT_EQ(app->ProfilePath(), ProductFolder(folders.ConfigFolder()) + QStringLiteral("app_tests.ini"));
    EXPECT_TRUE(QFileInfo(ProductFolder(folders.ConfigFolder())).isDir());
    auto* pStore = dynamic_cast<CWin32PrefHandler*>(g_Preference.GetHandler());
    ASSERT_NE(pStore, nullptr);
    EXPECT_EQ(pStore->ProfilePath(), app->ProfilePath());
}

TEST_F(PreferencePath, RenamedProgramFileRenamesThePreferenceFile)
{
    EXPECT_EQ(app->SetupPreferencePath(QStringLiteral("/opt/tools/Studio Copy.v2.bin")), RC_OK);
    EXPECT_EQ(app->ProfilePath(), ProductFolder(folders.ConfigFolder()) + QStringLiteral("Studio Copy.v2.ini"));
    EXPECT_EQ(app->SetupPreferencePath(QStringLiteral("/usr/bin/sonvale")), RC_OK);
    EXPECT_EQ(app->ProfilePath(), ProductFolder(folders.ConfigFolder()) + QStringLiteral("sonvale.ini"));
}

TEST_F(PreferencePath, WithoutXdgConfigHomeTheHomeFolderIsUsed)
{
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(app->SetupPreferencePath(QStringLiteral("/x/prog")), RC_OK);
    EXPECT_EQ(app->ProfilePath(), ProductFolder(folders.Root() + QStringLiteral("/home/.config")) + "prog.ini");

    // A relative XDG_CONFIG_HOME is not a configuration folder.
    qputenv("XDG_CONFIG_HOME", "relative/config");
    EXPECT_EQ(app->SetupPreferencePath(QStringLiteral("/x/prog")), RC_OK);
    EXPECT_EQ(app->ProfilePath(), ProductFolder(folders.Root() + QStringLiteral("/home/.config")) + "prog.ini");
}

TEST_F(PreferencePath, WithoutAnyHomeTheUsersHomeUnderSlashHomeIsNamed)
{
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("HOME");
    // Only the name is checked: the folders may not be creatable here.
    (void)app->SetupPreferencePath(QStringLiteral("/x/prog"));
    EXPECT_TRUE(app->ProfilePath().startsWith(QStringLiteral("/home/")));
    EXPECT_TRUE(app->ProfilePath().endsWith(QStringLiteral("/.config/Corvane/Sonvale Data Manager/prog.ini")));
}

TEST_F(PreferencePath, LongPathsWork)
{
    const QString deep = folders.ConfigFolder() + QStringLiteral("/") + QString(120, QLatin1Char('d')) +
                         QStringLiteral("/") + QString(120, QLatin1Char('e'));
    qputenv("XDG_CONFIG_HOME", deep.toLocal8Bit());
    EXPECT_EQ(app->SetupPreferencePath(QStringLiteral("/x/") + QString(200, QLatin1Char('p'))), RC_OK);
    EXPECT_GT(app->ProfilePath().size(), 400);
    EXPECT_TRUE(QFileInfo(ProductFolder(deep)).isDir());
}

TEST_F(PreferencePath, UnreadableProgramPathChangesNothing)
{
    EXPECT_EQ(app->SetupPreferencePath(QString()), RC_MODULE_PATH_UNREADABLE);
    EXPECT_TRUE(app->ProfilePath().isEmpty());
}

TEST_F(PreferencePath, FolderThatCannotBeMadeIsReportedAndThePathStays)
{
    // A regular file where the configuration folder should be: no user can make folders in it.
    const QString blocker = folders.Root() + QStringLiteral("/not-a-folder");
    QFile file(blocker);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    qputenv("XDG_CONFIG_HOME", blocker.toLocal8Bit());
    EXPECT_EQ(app->SetupPreferencePath(QStringLiteral("/x/prog")), RC_FOLDER_NOT_CREATED);
    EXPECT_EQ(app->ProfilePath(), ProductFolder(blocker) + QStringLiteral("prog.ini"));
}

} // namespace

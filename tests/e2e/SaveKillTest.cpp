// The preference file under a program killed at any moment of Save: after every kill it is the
// complete old file or the complete new one; a save cut short leaves only its temporary file beside it.
#include <gtest/gtest.h>
#include <signal.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <random>
#include <thread>

#include "ChildProcess.h"
#include "JackTestServer.h"

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool RunOnce(const QString& path, const char* generation, const std::string& log)
{
    CChildProcess writer;
    if (!writer.Start({SAVE_WRITER_PATH, path.toStdString(), generation}, log))
        return false;
    return CJackTestServer::WaitFor([&] { return !writer.Running(); }, 10000) && writer.Stop(SIGKILL) == 0;
}

TEST(PreferenceFileUnderKill, AKillAtAnyMomentOfSaveLeavesTheOldOrTheNewFile)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString refs = folder.filePath(QStringLiteral("refs"));
    const QString prefs = folder.filePath(QStringLiteral("prefs"));
    ASSERT_TRUE(QDir().mkpath(refs) && QDir().mkpath(prefs));
    const std::string log = folder.filePath(QStringLiteral("writer.log")).toStdString();
    ASSERT_TRUE(RunOnce(refs + QStringLiteral("/a.ini"), "a", log));
    ASSERT_TRUE(RunOnce(refs + QStringLiteral("/b.ini"), "b", log));
    const QByteArray a = ReadAll(refs + QStringLiteral("/a.ini"));
    const QByteArray b = ReadAll(refs + QStringLiteral("/b.ini"));
    ASSERT_GT(a.size(), 15000);
    ASSERT_NE(a, b);

    const QString target = prefs + QStringLiteral("/sonvale-data-manager.ini");
    ASSERT_TRUE(QFile::copy(refs + QStringLiteral("/a.ini"), target));
    std::mt19937 random(20240607);
    int nOld = 0, nNew = 0, nLeftovers = 0;
    for (int i = 0; i < 150; ++i) {
        const QByteArray before = ReadAll(target);
        CChildProcess writer;
        ASSERT_TRUE(writer.Start({SAVE_WRITER_PATH, target.toStdString(), "loop"}, log));
        ASSERT_TRUE(CJackTestServer::WaitFor([&] { return writer.Log().find("ready") != std::string::npos; }));
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
        writer.Stop(SIGKILL);

        const QByteArray after = ReadAll(target);
        ASSERT_TRUE(after == a || after == b) << "kill " << i << " left " << after.size() << " bytes that are neither file";
        (after == before ? nOld : nNew) += 1;
        // A save cut short leaves at most its own temporary file, never in the preference file's place.
        for (const QString& name : QDir(prefs).entryList(QDir::Files | QDir::Hidden)) {
            if (name == QStringLiteral("sonvale-data-manager.ini"))
                continue;
            ASSERT_TRUE(name.startsWith(QStringLiteral("sonvale-data-manager.ini.tmp-"))) << name.toStdString();
            ++nLeftovers;
            QFile::remove(prefs + QLatin1Char('/') + name);
        }
    }
    // Both outcomes happened: kills landed inside saves, and saves completed between kills.
    EXPECT_GT(nNew, 0);
    EXPECT_GT(nOld + nNew, 0);
    std::printf("kills leaving the file of before: %d, a newer file: %d, a temporary file beside it: %d\n", nOld,
                nNew, nLeftovers);
}

} // namespace

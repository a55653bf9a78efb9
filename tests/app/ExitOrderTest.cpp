// The process-wide objects end in the reverse order of their construction: the application object
// first, then the MIDI holder, then the preference holder. The probe is the program's own main.cpp
// with reporting holders (ExitOrderProbe.cpp).
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(ExitOrder, TheHoldersOutliveTheApplicationObject)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    // Another instance holds the lock, so the probe's start-up ends at once and it runs its exit.
    QLockFile lock(folder.filePath(QStringLiteral("Orla")));
    ASSERT_TRUE(lock.tryLock(0));

    QProcess probe;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), folder.filePath(QStringLiteral("config")));
    probe.setProcessEnvironment(environment);
    probe.start(QStringLiteral(SONVALE_EXIT_ORDER_PROBE), {});
    ASSERT_TRUE(probe.waitForFinished(30000)) << "the probe did not end";
    EXPECT_EQ(probe.exitStatus(), QProcess::NormalExit) << probe.readAllStandardError().toStdString();
    EXPECT_EQ(probe.readAllStandardOutput().toStdString(),
              "MIDI holder destroyed after the application object\n"
              "preference holder destroyed after the MIDI holder\n");
}

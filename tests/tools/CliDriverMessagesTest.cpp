// What sonvale-cli says when it cannot reach a console, for each cause a user can act on: no driver
// module, no JACK server, a server without a "Tarn" pair (CliConsoleTest). libjack's own lines stay off
// standard error unless --verbose asks for them.
#include "CliProcess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>

#include "midi/GraphLock.h"
#include "platform/ComRuntime.h"

namespace {

// What libjack prints by itself when no server answers.
bool HasLibjackNoise(const QByteArray& err)
{
    return err.contains("Cannot connect to server") || err.contains("JackShmReadWritePtr")
           || err.contains("jack server is not running");
}

const QString kUnusedServer = QStringLiteral("sonvale-unused-%1").arg(::getpid());

TEST(CliDriverMessages, WithoutAJackServerSaysHowToStartOneAndNothingOfLibjacks)
{
    for (const QStringList& args : {QStringList{"devices"}, QStringList{"current"}, QStringList{"update", "3"},
                                    QStringList{"ports"}, QStringList{"tag", "a:in", "a:out"},
                                    QStringList{"untag", "a:in", "a:out"}}) {
        const CliRun run = RunCli(args, {{"JACK_DEFAULT_SERVER", kUnusedServer}, {"VORN_JACK_VERBOSE", ""}});
        ASSERT_TRUE(run.finished) << args.join(' ').toStdString();
        EXPECT_EQ(run.exitCode, 4) << args.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains("no JACK server is running")) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(kUnusedServer.toUtf8())) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains("jackd -d dummy")) << run.err.toStdString();
        EXPECT_FALSE(HasLibjackNoise(run.err)) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
    }
}

TEST(CliDriverMessages, AJackLibraryNamedButMissingIsNamedInTheError)
{
    for (const QStringList& args : {QStringList{"devices"}, QStringList{"current"}, QStringList{"update", "3"}}) {
        const CliRun run = RunCli(args, {{"SONVALE_JACK_LIBRARY", "/nowhere/libjack.so.0"}});
        ASSERT_TRUE(run.finished) << args.join(' ').toStdString();
        EXPECT_EQ(run.exitCode, 4) << args.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains("SONVALE_JACK_LIBRARY names /nowhere/libjack.so.0, which does not exist"))
            << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
    }
}

TEST(CliDriverMessages, VerboseShowsLibjacksOwnMessages)
{
    for (const char* command : {"devices", "ports"}) {
        const CliRun run = RunCli({command, "--verbose"}, {{"JACK_DEFAULT_SERVER", kUnusedServer}});
        EXPECT_EQ(run.exitCode, 4) << command;
        EXPECT_TRUE(run.err.contains("vorn-jack: libjack: ")) << command << ": " << run.err.toStdString();
        EXPECT_TRUE(run.err.contains("no JACK server is running")) << command << ": " << run.err.toStdString();
    }
}

// A survey, a port command's client or the transport opening while another program's exchange runs
// would make JACK drop that exchange's message: each waits for the graph lock, then says it went ahead.
TEST(CliDriverMessages, EveryGraphChangeWaitsForARunningExchange)
{
    CGraphLock exchange;
    exchange.SetServer(kUnusedServer.toStdString());
    ASSERT_TRUE(exchange.Acquire(CFileLock::Mode::Shared, 0));
    const std::string lockPath =
        CFileLock::Folder() + "/sonvale-graph-" + CFileLock::Escaped(kUnusedServer.toStdString()) + ".lock";
    for (const QStringList& args : {QStringList{"devices"}, QStringList{"tag", "a:in", "a:out"},
                                    QStringList{"update", "3"}}) {
        const auto start = std::chrono::steady_clock::now();
        const CliRun run = RunCli(args, {{"JACK_DEFAULT_SERVER", kUnusedServer}});
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(CGraphLock::kChangeWaitMs));
        EXPECT_EQ(run.exitCode, 4) << args.join(' ').toStdString();
        EXPECT_TRUE(run.err.startsWith(QByteArray::fromStdString(
            "sonvale-cli: the lock " + lockPath + " was still held by another program after 3.0 s\n")))
            << run.err.toStdString();
        EXPECT_TRUE(run.err.contains("no JACK server is running")) << run.err.toStdString();
    }
    exchange.Release();
    ::unlink(lockPath.c_str());
}

TEST(CliDriverMessages, WithoutADriverModuleSaysWhereItLooked)
{
    const std::vector<std::string> folders = ComDriverFolders();
    if (QFile::exists(QString::fromStdString(folders.back()) + QStringLiteral("/vorn-jack.so")))
        GTEST_SKIP() << "SKIPPED: a driver module is installed in " << folders.back();
    // The program alone in a folder: nothing beside it, no driver folder below its parent.
    QTemporaryDir bare;
    const QString cli = bare.filePath(QStringLiteral("bin/sonvale-cli"));
    ASSERT_TRUE(QDir().mkpath(bare.filePath(QStringLiteral("bin"))));
    ASSERT_TRUE(QFile::copy(QStringLiteral(SONVALE_CLI_PATH), cli));
    for (const QStringList& args : {QStringList{"devices"}, QStringList{"current"}}) {
        const CliRun run = RunCli(args, {{"JACK_DEFAULT_SERVER", kUnusedServer}}, 60000, cli);
        EXPECT_EQ(run.exitCode, 4) << args.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains("no Vorn driver module (vorn-jack.so) was found")) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(bare.filePath(QStringLiteral("bin")).toUtf8())) << run.err.toStdString();
        EXPECT_FALSE(run.err.contains("JACK server")) << run.err.toStdString();
    }
}

} // namespace

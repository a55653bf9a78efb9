#include "CliProcess.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <signal.h>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "drivers/ChildProcess.h"
#include "drivers/JackRequirement.h"
#include "drivers/JackTestServer.h"
#include "midi/ConsoleTurn.h"
#include "platform/FileLock.h"

namespace {

// The emulated console is built next to sonvale-cli.
const QString kEmulator = QFileInfo(QStringLiteral(SONVALE_CLI_PATH)).dir().filePath(QStringLiteral("ostra-emulator"));

// ---------------------------------------------------------------------------------------------------
// The device commands against the emulated console on a private JACK server

class CliConsoleTest : public testing::Test {
protected:
    void SetUp() override
    {
        if (!QFileInfo::exists(kEmulator))
            JACK_UNAVAILABLE() << "the emulated console " << kEmulator.toStdString()
                         << " is not built; devices, current and update were NOT run against a console";
        if (QStandardPaths::findExecutable(QStringLiteral("jackd")).isEmpty())
            JACK_UNAVAILABLE() << "jackd is not installed; devices, current and update were NOT run";
        ASSERT_TRUE(m_dir.isValid());
        std::string reason;
        if (!m_server.Start(256, reason))
            JACK_UNAVAILABLE() << "the private JACK server did not start (" << reason
                         << "); devices, current and update were NOT run";
    }

    void TearDown() override
    {
        if (m_console.Pid() > 0)
            m_console.Stop(SIGTERM);
        m_server.Stop();
    }

    // Starts the emulated console with its flash in the test's folder and waits until it is on the graph.
    void StartConsole(std::vector<std::string> options = {})
    {
        m_flash = m_dir.filePath(QStringLiteral("flash.txt")).toStdString();
        std::vector<std::string> argv = {kEmulator.toStdString(), "--name", "Ostra", "--flash", m_flash};
        argv.insert(argv.end(), options.begin(), options.end());
        ASSERT_TRUE(m_console.Start(argv, m_dir.filePath(QStringLiteral("console.log")).toStdString()));
        ASSERT_TRUE(CJackTestServer::WaitFor([&] { return m_console.Log().find("ready:") != std::string::npos; }, 10000))
            << m_console.Log();
    }

    // The entry name the emulated console keeps in its flash file.
    [[nodiscard]] std::string FlashName() const
    {
        QFile file(QString::fromStdString(m_flash));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        for (const QByteArray& line : file.readAll().split('\n'))
            if (line.startsWith("name="))
                return line.mid(5).toStdString();
        return {};
    }

    QTemporaryDir m_dir;
    CJackTestServer m_server;
    CChildProcess m_console;
    std::string m_flash;
};

TEST_F(CliConsoleTest, UpdateStoresTheEntryAndCurrentThenReportsIt)
{
    StartConsole();
    for (const auto& [key, name] : {std::pair{"14", "Brisa #11 Natural Comp"}, std::pair{"58", "Brisa 2.8:1 R300"},
                                    std::pair{"0", "Preset"}, std::pair{"23", "Brisa 4:1 R10"}}) {
        const CliRun update = RunCli({"update", key});
        ASSERT_TRUE(update.finished);
        EXPECT_EQ(update.exitCode, 0) << update.err.toStdString() << m_console.Log();
        EXPECT_TRUE(update.out.startsWith("Data update completed.")) << update.out.toStdString();
        EXPECT_TRUE(update.err.startsWith(QByteArray("Writing \"") + name + "\" (No. " + key + ")"))
            << update.err.toStdString();
        EXPECT_EQ(FlashName(), name);

        const CliRun current = RunCli({"current"});
        EXPECT_EQ(current.exitCode, 0) << current.err.toStdString();
        EXPECT_EQ(current.out, QByteArray("Current Data : ") + name + " (No. " + key + ")\n");
    }
    const QJsonObject json = QJsonDocument::fromJson(RunCli({"current", "--json"}).out).object();
    EXPECT_EQ(json.value("name").toString(), "Brisa 4:1 R10");
    EXPECT_EQ(json.value("key").toInt(-1), 23);
}

TEST_F(CliConsoleTest, CurrentNamesAnEntryThatIsNoFactoryEntry)
{
    StartConsole({"--entry", "My \"Own\" Mix"});
    const CliRun plain = RunCli({"current"});
    EXPECT_EQ(plain.exitCode, 0) << plain.err.toStdString();
    EXPECT_EQ(plain.out, "Current Data : My \"Own\" Mix (not a factory entry)\n");
    const CliRun json = RunCli({"current", "--json"});
    const QJsonObject object = QJsonDocument::fromJson(json.out).object();
    EXPECT_EQ(object.value("name").toString(), "My \"Own\" Mix");
    EXPECT_TRUE(object.value("key").isNull());
}

TEST_F(CliConsoleTest, DevicesShowsTypeCodesAndWhichPortIsUsed)
{
    StartConsole({"--second-pair", "Xtra"});
    const CliRun run = RunCli({"devices"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("Ostra")) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("type Tarn  used\n    found by: tag\n")) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("type Xtra  not used\n")) << run.out.toStdString();
}

TEST_F(CliConsoleTest, WithoutAConsoleEveryDeviceCommandSaysSoWithStatusFour)
{
    const CliRun devices = RunCli({"devices"});
    EXPECT_EQ(devices.exitCode, 4);
    EXPECT_TRUE(devices.err.contains("no console on the network")) << devices.err.toStdString();
    for (const QStringList& args : {QStringList{"update", "3"}, QStringList{"current"}}) {
        const CliRun run = RunCli(args);
        EXPECT_EQ(run.exitCode, 4) << args.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains("no console on the network")) << run.err.toStdString();
        // How to make a console's ports usable.
        EXPECT_TRUE(run.err.contains("sonvale-cli tag INPUT OUTPUT")) << run.err.toStdString();
        EXPECT_FALSE(run.err.contains("jack server is not running")) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }
}

TEST_F(CliConsoleTest, AConsoleWhosePortsRefuseConnectionsIsNamedAsSuchByDevicesAndUpdate)
{
    // A server that fails every client's connections between its own ports and another client's.
    m_server.Stop();
    std::string reason;
    ASSERT_TRUE(m_server.Start(256, reason, {"-a", "E"})) << reason;
    StartConsole();
    const CliRun devices = RunCli({"devices"});
    EXPECT_EQ(devices.exitCode, 4);
    EXPECT_TRUE(devices.out.contains("type Tarn  used, but its connections are refused\n")) << devices.out.toStdString();
    for (const CliRun& run : {devices, RunCli({"update", "3"}), RunCli({"current"})}) {
        EXPECT_EQ(run.exitCode, 4);
        EXPECT_TRUE(run.err.contains("Ostra offers a \"Tarn\" port pair, but the JACK server refused"))
            << run.err.toStdString();
        EXPECT_FALSE(run.err.contains("sonvale-cli tag")) << run.err.toStdString();
    }
}

struct FaultCase {
    const char* fault;
    QStringList args;
    int exitCode;
    const char* message;
};

class CliConsoleFaultTest : public CliConsoleTest, public testing::WithParamInterface<FaultCase> {};

TEST_P(CliConsoleFaultTest, EachFaultGivesItsStatusAndCause)
{
    StartConsole({"--fault", GetParam().fault});
    const CliRun run = RunCli(GetParam().args);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, GetParam().exitCode) << run.err.toStdString() << m_console.Log();
    EXPECT_TRUE(run.err.contains(GetParam().message)) << run.err.toStdString();
    EXPECT_FALSE(run.out.contains("completed")) << run.out.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Faults, CliConsoleFaultTest,
    testing::Values(FaultCase{"invalid", {"update", "5"}, 2, "Sonvale Data is invalid.\nPlease try to update data again."},
                    FaultCase{"flash-fail", {"update", "5"}, 3, "Can't write Sonvale Data to Flash Memory."},
                    FaultCase{"swap", {"update", "5"}, 4, "the console did not confirm the transfer: no reply (only"},
                    FaultCase{"garbage", {"update", "5"}, 4, "the console did not confirm the transfer: a wrong reply"},
                    FaultCase{"silent", {"update", "5"}, 4, "the console did not confirm the transfer: no reply (no"},
                    FaultCase{"swap", {"current"}, 4, "the console did not say which entry it holds: no reply (only"},
                    FaultCase{"garbage", {"current"}, 4, "the console did not say which entry it holds: a wrong reply"},
                    FaultCase{"silent", {"current"}, 4, "the console did not say which entry it holds: no reply (no"}),
    [](const testing::TestParamInfo<FaultCase>& info) {
        return QString(info.param.fault).remove('-').toStdString() + "_" + info.param.args.front().toStdString();
    });

// Ctrl+C, SIGTERM and SIGHUP while the console takes four seconds to answer an update.
struct SignalCase {
    const char* name;
    std::vector<int> sent; // each after the program said it waits for the console's answer
    int exitCode;
    bool bWaits; // the program waited for the console's answer and reported it
};

void PrintTo(const SignalCase& c, std::ostream* os) { *os << c.name; }

class CliSignalTest : public CliConsoleTest, public testing::WithParamInterface<SignalCase> {};

TEST_P(CliSignalTest, EndsWithTheSignalsStatus)
{
    StartConsole({"--fault", "delay", "--delay", "4000"});
    QProcess process;
    process.setReadChannel(QProcess::StandardError);
    StartCli(process, {"update", "5"});
    ASSERT_TRUE(process.waitForStarted());
    ASSERT_TRUE(CJackTestServer::WaitFor([&] { return m_console.Log().find("data message") != std::string::npos; },
                                         20000))
        << m_console.Log();
    QByteArray err;
    const std::vector<int>& sent = GetParam().sent;
    for (std::size_t i = 0; i < sent.size(); ++i) {
        ASSERT_EQ(::kill(static_cast<pid_t>(process.processId()), sent[i]), 0);
        if (i + 1 == sent.size())
            break;
        ASSERT_TRUE(CJackTestServer::WaitFor([&] {
            (void)process.waitForReadyRead(50);
            err += process.readAllStandardError();
            return err.contains("ending once the console has answered");
        }, 5000)) << err.toStdString();
    }
    ASSERT_TRUE(process.waitForFinished(20000));
    err += process.readAllStandardError();
    const QByteArray out = process.readAllStandardOutput();
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << "ended by the signal itself";
    EXPECT_EQ(process.exitCode(), GetParam().exitCode) << err.toStdString();
    const bool bAnswered = m_console.Log().find("completion reply") != std::string::npos;
    if (GetParam().bWaits) {
        EXPECT_TRUE(out.contains("Data update completed.")) << out.toStdString() << err.toStdString();
        EXPECT_TRUE(bAnswered) << m_console.Log();
    } else {
        EXPECT_FALSE(out.contains("completed")) << out.toStdString();
        EXPECT_FALSE(bAnswered) << "the program waited for the answer: " << m_console.Log();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Signals, CliSignalTest,
    testing::Values(SignalCase{"CtrlC", {SIGINT}, 130, true}, SignalCase{"Term", {SIGTERM}, 143, true},
                    SignalCase{"Hangup", {SIGHUP}, 129, true},
                    SignalCase{"HangupAfterTermIsOneRequest", {SIGTERM, SIGHUP}, 143, true},
                    SignalCase{"CtrlCTwiceEndsAtOnce", {SIGINT, SIGINT}, 130, false},
                    SignalCase{"TermAfterHangupIsOneRequest", {SIGHUP, SIGTERM}, 129, true},
                    SignalCase{"TermTwiceAfterHangupEndsAtOnce", {SIGHUP, SIGTERM, SIGTERM}, 129, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CliConsoleTest, SplitRepliesStillCompleteTheUpdate)
{
    StartConsole({"--fault", "split"});
    const CliRun run = RunCli({"update", "7"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString() << m_console.Log();
    EXPECT_EQ(FlashName(), "Brisa #04 EG Comp");
}

// A record of the console's owed answers that makes no sense: each run names it once, a stored write is
// still proven by reading back the console's entry, and a refusal cannot be told, for that reason.
TEST_F(CliConsoleTest, AnUnusableRecordOfOwedAnswersIsNamedOnceAsTheReason)
{
    StartConsole({"--flash-fail-entry", "Brisa #04 EG Comp"});
    const std::string folder = CFileLock::Folder();
    ASSERT_FALSE(folder.empty()) << "no private folder for the record";
    std::string record = CConsoleTurn::FileName(m_server.Name(), "Ostra", 1);
    record = folder + '/' + record.replace(record.size() - 5, 5, ".owed");
    std::ofstream(record, std::ios::trunc) << "not a record of owed answers\n";
    struct Removal {
        std::string path;
        ~Removal() { std::remove(path.c_str()); }
    } const removal{record};
    const QByteArray said = QByteArray("sonvale-cli: the record of the console's owed answers (") + record.c_str() +
                            ") makes no sense; its debts are unknown; until it can be used, no answer of the console "
                            "can be checked against earlier messages";
    const CliRun stored = RunCli({"update", "3"});
    EXPECT_EQ(stored.exitCode, 0) << stored.err.toStdString() << m_console.Log();
    EXPECT_EQ(stored.err.count(said), 1) << stored.err.toStdString();
    EXPECT_EQ(FlashName(), "Fenwick Series Vol.3");

    const CliRun refused = RunCli({"update", "7"});
    EXPECT_EQ(refused.exitCode, 4) << refused.err.toStdString() << m_console.Log();
    EXPECT_EQ(refused.err.count(said), 1) << refused.err.toStdString();
    EXPECT_TRUE(refused.err.contains(QByteArray("the console did not confirm the transfer: its answer could be a late "
                                                "answer to an earlier write, which cannot be checked because the "
                                                "record of the console's owed answers (") + record.c_str() +
                                     ") makes no sense"))
        << refused.err.toStdString();
}

} // namespace

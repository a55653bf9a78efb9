// Several programs and several consoles on one JACK graph, judged by what each console received and
// answered: concurrent sonvale-cli runs must each report the answer to their own message, and with
// two consoles on the graph every exchange goes to one of them, or to none when they cannot be told
// apart. Consoles without tags are found by asking them, and clients that are no console are sent
// nothing but that question.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <csignal>

#include <iostream>
#include <memory>

#include "tools/CliGraphFixture.h"

namespace {

// The console of these cases refuses to store this entry (key 7) and stores every other.
constexpr const char* kRefusedEntry = "Brisa #04 EG Comp";

struct ConsoleSpec {
    std::string name;
    std::vector<std::string> options;
    int dataMessages; // data messages it must have received once all rounds ran
    int identityRequests = -1; // identity requests it must have received; -1: any number
    bool onlyIdentityRequests = false; // it must have received nothing else (no console: never used)
};

struct Line {
    QStringList args;
    int exitCode;
    const char* message = nullptr; // what its standard error must hold, when given
    bool noSession = false;        // run as from cron: no XDG_RUNTIME_DIR
    const char* out = nullptr;     // what its standard output must hold, when given
    int killAfterMs = 0;           // killed with `signal` this long after it started (its outcome is not judged)
    int signal = 0;
};

struct SharedCase {
    const char* name;
    std::vector<ConsoleSpec> consoles;
    std::vector<Line> lines; // run at once in each round
    int rounds;
    bool oneAfterAnother = false; // the lines run in turn instead
};

// The console of the late-reply case answers this entry (key 3) eleven seconds late, after its writer
// gave up.
constexpr const char* kLateEntry = "11000:Fenwick Series Vol.3";
// The console of the killed-writer cases answers the same entry five seconds late.
constexpr const char* kSlowEntry = "5000:Fenwick Series Vol.3";

void PrintTo(const SharedCase& c, std::ostream* os) { *os << c.name; }

int Count(const std::string& log, const std::string& what)
{
    int n = 0;
    for (std::size_t at = log.find(what); at != std::string::npos; at = log.find(what, at + 1))
        ++n;
    return n;
}

class SharedGraphTest : public CliGraphFixture, public testing::WithParamInterface<SharedCase> {
protected:
    [[nodiscard]] QString RuntimeFolder() const
    {
        const QString path = m_dir.filePath(QStringLiteral("run"));
        QDir().mkpath(path);
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        return path;
    }

    // Starts every line at once (or each once the one before has ended) and waits for all of them.
    std::vector<CliRun> RunAtOnce(const std::vector<Line>& lines, bool oneAfterAnother)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG", "LANGUAGE"})
            environment.remove(QString::fromLatin1(name));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("config")));
        std::vector<std::unique_ptr<QProcess>> processes;
        for (const Line& line : lines) {
            processes.push_back(std::make_unique<QProcess>());
            // A login session's runtime folder of its own, unless the graph runs there (PipeWire's).
            QProcessEnvironment own = environment;
            if (line.noSession)
                own.remove(QStringLiteral("XDG_RUNTIME_DIR"));
            else if (!RunningGraph())
                own.insert(QStringLiteral("XDG_RUNTIME_DIR"), RuntimeFolder());
            processes.back()->setProcessEnvironment(own);
            processes.back()->start(QStringLiteral(SONVALE_CLI_PATH), line.args);
            if (line.killAfterMs > 0) {
                processes.back()->waitForStarted();
                QThread::msleep(static_cast<unsigned long>(line.killAfterMs)); // the moment of the kill is the case
                ::kill(static_cast<pid_t>(processes.back()->processId()), line.signal);
            }
            if (oneAfterAnother)
                processes.back()->waitForFinished(60000);
        }
        std::vector<CliRun> runs;
        for (const auto& process : processes) {
            CliRun run;
            process->waitForFinished(60000);
            run.finished = process->state() == QProcess::NotRunning && process->exitStatus() == QProcess::NormalExit;
            run.exitCode = process->exitCode();
            run.out = process->readAllStandardOutput();
            run.err = process->readAllStandardError();
            runs.push_back(run);
        }
        return runs;
    }
};

TEST_P(SharedGraphTest, EveryProgramReportsTheAnswerToItsOwnMessage)
{
    const SharedCase& c = GetParam();
    for (const ConsoleSpec& console : c.consoles) {
        std::vector<std::string> options = {"--flash-fail-entry", kRefusedEntry};
        options.insert(options.end(), console.options.begin(), console.options.end());
        StartConsole(console.name, options);
    }
    // bench/two-writers.sh runs the cases many more rounds.
    const int rounds = qEnvironmentVariableIsSet("SONVALE_SHARED_ROUNDS")
                           ? qEnvironmentVariableIntValue("SONVALE_SHARED_ROUNDS")
                           : c.rounds;
    int disagreements = 0;
    for (int round = 0; round < rounds; ++round) {
        const std::vector<CliRun> runs = RunAtOnce(c.lines, c.oneAfterAnother);
        for (std::size_t i = 0; i < runs.size(); ++i) {
            const Line& line = c.lines[i];
            if (line.killAfterMs > 0)
                continue;
            EXPECT_TRUE(runs[i].finished);
            const bool agrees = runs[i].exitCode == line.exitCode &&
                                (!line.message || runs[i].err.contains(line.message)) &&
                                (!line.out || runs[i].out.contains(line.out));
            if (!agrees && ++disagreements <= 3)
                ADD_FAILURE() << "round " << round << ": " << line.args.join(' ').toStdString() << " exited "
                              << runs[i].exitCode << ", expected " << line.exitCode << "\n"
                              << runs[i].out.toStdString() << runs[i].err.toStdString();
        }
    }
    std::cout << c.name << ": " << disagreements << " outcomes of " << rounds * c.lines.size()
              << " disagree with the console's answer\n";
    EXPECT_EQ(disagreements, 0);
    // The console's own record: each message reached the one console it was meant for, once.
    for (const ConsoleSpec& console : c.consoles) {
        const std::string log = ConsoleLog(console.name);
        EXPECT_EQ(Count(log, "(data message \""), console.dataMessages * rounds / c.rounds) << console.name << ":\n" << log;
        if (console.identityRequests >= 0) {
            EXPECT_EQ(Count(log, "(identity request)"), console.identityRequests * rounds / c.rounds)
                << console.name << ":\n" << log;
        }
        if (console.onlyIdentityRequests) {
            EXPECT_EQ(Count(log, "<- ["), Count(log, "(identity request)")) << console.name << ":\n" << log;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Graphs, SharedGraphTest,
    testing::Values(
        // Two programs write at once: the refused entry always fails, the other always succeeds.
        SharedCase{"TwoWriters", {{"Ostra", {}, 24}}, {{{"update", "7"}, 3}, {{"update", "5"}, 0}}, 12},
        // The same when one of them runs from a script without a login session.
        SharedCase{"OneWriterWithoutSession",
                   {{"Ostra", {}, 24}},
                   {{{"update", "7"}, 3}, {{"update", "5"}, 0, nullptr, true}},
                   12},
        // A write and a query at once: neither takes the other's reply for its own.
        SharedCase{"UpdateWithCurrent", {{"Ostra", {}, 12}}, {{{"update", "5"}, 0}, {{"current"}, 0}}, 12},
        // Two clients offer the same console identifier: nothing is written, both are named.
        SharedCase{"OneIdTwice",
                   {{"Ostra-A", {"--port-id", "1"}, 0}, {"Ostra-B", {"--port-id", "1"}, 0}},
                   {{{"update", "5"}, 4, "\"Ostra-A\" and \"Ostra-B\""}, {{"current"}, 4, "\"Ostra-A\" and \"Ostra-B\""}},
                   1},
        // Two consoles: the lowest identifier by default, the other by --id; each gets its own writes only.
        SharedCase{"TwoIds",
                   {{"Ostra-A", {"--port-id", "2"}, 3}, {"Ostra-B", {"--port-id", "1"}, 3}},
                   {{{"update", "5"}, 0}, {{"update", "7", "--id", "2"}, 3}},
                   3},
        // A write whose answer ("stored") comes after its writer gave up, then a write that the console
        // refuses a second after its message: the late "stored" arrives first and is never taken for the
        // refused write's answer, which cannot be told apart from it.
        SharedCase{"LateReplyThenRefusal",
                   {{"Ostra", {"--late-entry", kLateEntry, "--late-entry", std::string("1500:") + kRefusedEntry}, 2}},
                   {{{"update", "3"}, 4, "no reply"}, {{"update", "7"}, 4, "a late answer to an earlier write"}},
                   1,
                   true},
        // The same with a writer killed a second after its message left, whichever way: its debt was
        // recorded before the message left, so the refused write after it is never "completed".
        SharedCase{"KilledWriterThenRefusal",
                   {{"Ostra", {"--late-entry", kSlowEntry, "--late-entry", std::string("6000:") + kRefusedEntry}, 2}},
                   {{{"update", "3"}, 0, nullptr, false, nullptr, 1500, SIGKILL},
                    {{"update", "7"}, 4, "a late answer to an earlier write"}},
                   1,
                   true},
        // Interrupted instead (Ctrl+C), the writer waits for its answer before it ends, so it owes
        // nothing and the refused write after it gets the console's own refusal.
        SharedCase{"InterruptedWriterThenRefusal",
                   {{"Ostra", {"--late-entry", kSlowEntry, "--late-entry", std::string("6000:") + kRefusedEntry}, 2}},
                   {{{"update", "3"}, 0, nullptr, false, nullptr, 1500, SIGINT},
                    {{"update", "7"}, 3}},
                   1,
                   true},
        // A console whose ports carry no tags is found by asking it; the second run asks nothing, as the
        // console was kept as a rule, and the write reaches it. Once untag --keep removed the rule, the
        // next run asks again.
        SharedCase{"UntaggedFoundAndKept",
                   {{"Ostra", {"--untagged"}, 1, 2}},
                   {{{"devices"}, 0, nullptr, false, "type Tarn  used\n    found by: asking\n"},
                    {{"devices"}, 0, nullptr, false, "type Tarn  used\n    found by: asking\n"},
                    {{"update", "5"}, 0},
                    {{"untag", "--keep", "Ostra:Tarn-1-in", "Ostra:Tarn-1-out"}, 0, nullptr, false, "Removed 1 rule"},
                    {{"devices"}, 0, nullptr, false, "type Tarn  used\n    found by: asking\n"}},
                   1,
                   true},
        // Two consoles without tags: both found, each with an identifier of its own, so that each can be
        // chosen and gets its own write.
        SharedCase{"TwoUntagged",
                   {{"Ostra-A", {"--untagged"}, 1, 1}, {"Ostra-B", {"--untagged"}, 1, 1}},
                   {{{"find"}, 0, nullptr, false, "Ostra-B:Tarn-1-in / Ostra-B:Tarn-1-out: a console, holding \"Preset\"; type Tarn, id 2"},
                    {{"update", "5", "--id", "1"}, 0},
                    {{"update", "5", "--id", "2"}, 0}},
                   1,
                   true},
        // Clients that are no console, one silent and one answering garbage, beside an untagged console:
        // they are sent the identity request (once by the first run, once more by find) and nothing else.
        SharedCase{"NoConsolesBesideAnUntaggedOne",
                   {{"Ostra", {"--untagged"}, 1},
                    {"Quiet", {"--untagged", "--fault", "silent"}, 0, 2, true},
                    {"Noise", {"--untagged", "--fault", "garbage"}, 0, 2, true}},
                   {{{"update", "5"}, 0},
                    {{"current"}, 0},
                    {{"find"}, 0, nullptr, false, "Quiet:Tarn-1-in / Quiet:Tarn-1-out: no answer"}},
                   1,
                   true}),
    [](const testing::TestParamInfo<SharedCase>& info) { return std::string(info.param.name); });

} // namespace

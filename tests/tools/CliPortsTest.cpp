#include <QDir>
#include <QFile>

#include "CliGraphFixture.h"

namespace {

// The names the emulator gives the ports of its "Tarn" pair 1.
QString In(const QString& client) { return client + ":Tarn-1-in"; }
QString Out(const QString& client) { return client + ":Tarn-1-out"; }

// These cases are about tags and rules: the driver is kept from asking the pairs without tags.
class CliPortsTest : public CliGraphFixture {
protected:
    CliPortsTest() { m_bAsking = false; }

    void WriteRules(const QByteArray& text) const
    {
        QDir().mkpath(QFileInfo(QString::fromStdString(RulesPath())).path());
        QFile file(QString::fromStdString(RulesPath()));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    }

    // Whether `current` reaches a console; its exit status otherwise tells why not.
    void ExpectFound(bool found, const char* when) const
    {
        const CliRun run = Cli({"current"});
        EXPECT_EQ(run.exitCode, found ? 0 : 4) << when << ": " << run.err.toStdString();
        if (found) {
            EXPECT_EQ(run.out, "Current Data : Preset (No. 0)\n") << when;
        }
    }
};

TEST_F(CliPortsTest, AnUntaggedConsoleIsFoundOnlyWhileItsPairIsTagged)
{
    StartConsole("Bridge", {"--untagged"});
    ExpectFound(false, "untagged");
    const CliRun ports = Cli({"ports"});
    EXPECT_EQ(ports.exitCode, 0);
    EXPECT_TRUE(ports.out.contains("input   Bridge:Tarn-1-in\n      tags: none; rule: none; counts as: nothing"))
        << ports.out.toStdString();

    const CliRun tag = Cli({"tag", In("Bridge"), Out("Bridge")});
    EXPECT_EQ(tag.exitCode, 0) << tag.err.toStdString();
    EXPECT_EQ(tag.out, "Tagged Bridge:Tarn-1-in and Bridge:Tarn-1-out: type Tarn, id 1.\n");
    ExpectFound(true, "tagged");
    EXPECT_TRUE(Cli({"ports"}).out.contains("tags: type Tarn, id 1; rule: none; counts as: type Tarn, id 1"));

    const CliRun untag = Cli({"untag", In("Bridge"), Out("Bridge")});
    EXPECT_EQ(untag.exitCode, 0) << untag.err.toStdString();
    EXPECT_TRUE(untag.err.isEmpty()) << untag.err.toStdString();
    ExpectFound(false, "untagged again");
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(RulesPath()))) << "no --keep, no rules file";
}

TEST_F(CliPortsTest, TagRefusesWhatIsNoPairWithStatusOne)
{
    StartConsole("Bridge", {"--untagged"});
    StartConsole("Other", {"--untagged"});
    // Client names may hold ':' (a bridge's "a2j:Console [20]", say): a pair is still one client's.
    StartConsole("Odd:1", {"--untagged"});
    StartConsole("Odd:2", {"--untagged"});
    struct Case {
        QStringList args;
        const char* message;
    };
    const Case cases[] = {
        {{"tag", "Bridge:nothing", Out("Bridge")}, "there is no port \"Bridge:nothing\""},
        {{"tag", Out("Bridge"), In("Bridge")}, "Are the two names swapped?"},
        {{"tag", In("Bridge"), In("Bridge")}, "OUTPUT must be the port replies come from"},
        {{"tag", In("Bridge"), Out("Other")}, "the two ports belong to different clients (Bridge, Other)"},
        {{"tag", In("Odd:1"), Out("Odd:2")}, "the two ports belong to different clients (Odd:1, Odd:2)"},
        {{"untag", In("Bridge"), "Other:Tarn-2-out"}, "there is no port \"Other:Tarn-2-out\""},
        {{"tag", In("Bridge"), Out("Bridge"), "--type", "Tar"}, "option --type takes four characters"},
        {{"tag", In("Bridge"), Out("Bridge"), "--pattern"}, "give --keep as well"},
        {{"untag", In("Bridge"), Out("Bridge"), "--id", "2"}, "option --id belongs to tag, not to untag"},
    };
    for (const Case& c : cases) {
        const CliRun run = Cli(c.args);
        EXPECT_EQ(run.exitCode, 1) << c.args.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains(c.message)) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
    }
    ExpectFound(false, "after refused tags");
}

TEST_F(CliPortsTest, AKeptRuleFindsARestartedConsoleAndAPatternOneWhoseNumberChanged)
{
    StartConsole("Console [20]", {"--untagged"});
    const CliRun keep = Cli({"tag", In("Console [20]"), Out("Console [20]"), "--keep", "--id", "4"});
    EXPECT_EQ(keep.exitCode, 0) << keep.err.toStdString();
    StartConsole("Console [20]", {"--untagged"}); // its ports, and their tags, went away with it
    ExpectFound(true, "restarted under the same name");

    const CliRun untag = Cli({"untag", In("Console [20]"), Out("Console [20]"), "--keep"});
    EXPECT_EQ(untag.exitCode, 0) << untag.err.toStdString();
    EXPECT_TRUE(untag.out.contains("Removed 1 rule from")) << untag.out.toStdString();
    ExpectFound(false, "rule removed");

    const CliRun pattern = Cli({"tag", In("Console [20]"), Out("Console [20]"), "--keep", "--pattern"});
    EXPECT_EQ(pattern.exitCode, 0) << pattern.err.toStdString();
    EXPECT_TRUE(pattern.out.contains("input Console [*]:Tarn-1-in, output Console [*]:Tarn-1-out"))
        << pattern.out.toStdString();
    StopConsole("Console [20]");
    StartConsole("Console [21]", {"--untagged"});
    ExpectFound(true, "number changed");
    const CliRun ports = Cli({"ports"});
    EXPECT_TRUE(ports.out.contains("tags: none; rule: [Tarn 1 of Console (20)]; counts as: type Tarn, id 1"))
        << ports.out.toStdString();
}

TEST_F(CliPortsTest, ABrokenRulesFileIsReportedOnceAndIgnored)
{
    StartConsole("Ostra");
    StartConsole("Loose", {"--untagged"});
    struct Case {
        QByteArray text;
        const char* message;
    };
    const Case cases[] = {
        {"this is no rules file\n", "is broken: line 1 is neither [section] nor key = value"},
        {"input = Loose:Tarn-1-in\n[a]\n", "is broken: line 1 stands before the first [section]"},
        {"[a\ntype = Tarn\n", "is broken: line 1 opens a section without closing it"},
        {QByteArray("[a]\ntype = \xFF\xFE\n", 15), "is broken: it is not UTF-8 text"},
        {"[a]\ntype = Tarn\ninput = Loose:Tarn-1-in\n", "section [a] has no id, output; it is ignored"},
        {"[a]\ntype = Tarn\nid = one\ninput = Loose:Tarn-1-in\noutput = Loose:Tarn-1-out\n", "has an id that is not"},
        {"[all]\ntype = Tarn\nid = 1\ninput = *:Tarn-1-in\noutput = *:Tarn-1-out\n",
         "the rule [all] matches ports of more than one client (Loose, Ostra); it is ignored"},
    };
    for (const Case& c : cases) {
        WriteRules(c.text);
        const CliRun run = Cli({"devices"});
        ASSERT_TRUE(run.finished) << c.message;
        EXPECT_EQ(run.exitCode, 0) << c.message << ": " << run.err.toStdString();
        EXPECT_EQ(run.err.count("vorn-jack: "), 1) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(c.message)) << run.err.toStdString();
        EXPECT_TRUE(run.out.contains("Ostra")) << run.out.toStdString();
        EXPECT_FALSE(run.out.contains("Loose")) << "an ignored rule made a pair: " << run.out.toStdString();
    }
    // A folder where the file should be.
    QFile::remove(QString::fromStdString(RulesPath()));
    QDir().mkpath(QString::fromStdString(RulesPath()));
    const CliRun run = Cli({"current"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.err.count("vorn-jack: "), 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("cannot be read (it is not a regular file)")) << run.err.toStdString();
}

// Two clients offer console 1, and one of them sends to the other's input as well: `ports` marks the
// clash and names the sender, `devices` says the console is shared.
TEST_F(CliPortsTest, AClashAndAnotherProgramSendingToTheConsoleAreShown)
{
    StartConsole("Ostra-A");
    StartConsole("Ostra-B");
    QProcess connect;
    connect.start(QStringLiteral("jack_connect"), {Out("Ostra-B"), In("Ostra-A")});
    ASSERT_TRUE(connect.waitForFinished(10000) && connect.exitCode() == 0) << connect.readAllStandardError().toStdString();

    const CliRun ports = Cli({"ports"});
    EXPECT_EQ(ports.exitCode, 0) << ports.err.toStdString();
    EXPECT_TRUE(ports.out.contains("input   Ostra-A:Tarn-1-in\n      tags: type Tarn, id 1; rule: none; counts as: "
                                   "type Tarn, id 1 (CLASH: Ostra-B too; nothing is sent to either)\n"
                                   "      also sent to by: Ostra-B:Tarn-1-out\n"))
        << ports.out.toStdString();
    const CliRun devices = Cli({"devices"});
    EXPECT_TRUE(devices.out.contains("type Tarn  used; another program also sends to it")) << devices.out.toStdString();
}

// Two consoles: --console names one by its client, and devices marks the one the window writes to:
// the lowest identifier, or the one the window's user chose in File > Console.
TEST_F(CliPortsTest, ConsoleNamesAClientAndDevicesMarksTheWindowsConsole)
{
    StartConsole("Front", {"--port-id", "1"});
    StartConsole("Monitors", {"--port-id", "5"});
    const CliRun update = Cli({"update", "3", "--console", "Monitors"});
    EXPECT_EQ(update.exitCode, 0) << update.err.toStdString();
    EXPECT_NE(ConsoleLog("Monitors").find("(data message"), std::string::npos) << ConsoleLog("Monitors");
    EXPECT_EQ(ConsoleLog("Front").find("(data message"), std::string::npos) << ConsoleLog("Front");
    const CliRun absent = Cli({"current", "--console", "Nobody"});
    EXPECT_EQ(absent.exitCode, 4);
    EXPECT_TRUE(absent.err.contains("no console on the network is offered by the client \"Nobody\""))
        << absent.err.toStdString();

    const QByteArray marked = "  used, the console the window writes to\n";
    const CliRun lowest = Cli({"devices"});
    EXPECT_TRUE(lowest.out.contains("Front\n  Port 1  type Tarn" + marked)) << lowest.out.toStdString();
    EXPECT_EQ(lowest.out.count(marked), 1) << lowest.out.toStdString();
    const QString folder = QString::fromStdString(Path("config/Corvane/Sonvale Data Manager"));
    QDir().mkpath(folder);
    QFile ini(folder + QStringLiteral("/sonvale-data-manager.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[Console]\nClient=Monitors\nPairId=5\n");
    ini.close();
    const CliRun chosen = Cli({"devices"});
    EXPECT_TRUE(chosen.out.contains("Monitors\n  Port 5  type Tarn" + marked)) << chosen.out.toStdString();
    EXPECT_EQ(chosen.out.count(marked), 1) << chosen.out.toStdString();
}

} // namespace

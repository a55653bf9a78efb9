#include "CliProcess.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

// ---------------------------------------------------------------------------------------------------
// Unknown keys: status 5, the key named, nothing on standard output, nothing written

class CliUnknownKeyTest : public testing::TestWithParam<QStringList> {};

TEST_P(CliUnknownKeyTest, GivesStatusFiveAndNamesTheKey)
{
    const CliRun run = RunCli(GetParam());
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 5);
    EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
    const QByteArray key = GetParam()[1].toUtf8();
    EXPECT_TRUE(run.err.contains("no factory entry has the key " + key)) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("0 to 58")) << run.err.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Commands, CliUnknownKeyTest,
                         testing::Values(QStringList{"show", "59"}, QStringList{"export", "59", "-"},
                                         QStringList{"show", "65535"}, QStringList{"show", "65536"},
                                         QStringList{"show", "99999999999999999999"},
                                         QStringList{"update", "59"}),
                         [](const testing::TestParamInfo<QStringList>& info) {
                             return QString(info.param[0]).replace('-', '_').toStdString() + std::to_string(info.index);
                         });

TEST(CliUnknownKeyFileTest, NoFileIsCreatedForAnUnknownKey)
{
    const QString path = QDir::temp().filePath(QStringLiteral("sonvale-cli-unknown-%1.syx").arg(QCoreApplication::applicationPid()));
    QFile::remove(path);
    EXPECT_EQ(RunCli({"export", "100", path}).exitCode, 5);
    EXPECT_FALSE(QFile::exists(path));
}

// ---------------------------------------------------------------------------------------------------
// Bad command lines: status 1, the cause and a pointer to --help on standard error

class CliUsageErrorTest : public testing::TestWithParam<std::pair<QStringList, QByteArray>> {};

TEST_P(CliUsageErrorTest, GivesStatusOneAndSaysWhatIsWrong)
{
    const auto& [args, cause] = GetParam();
    const CliRun run = RunCli(args);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
    EXPECT_TRUE(run.err.startsWith("sonvale-cli: " + cause)) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("sonvale-cli --help")) << run.err.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Lines, CliUsageErrorTest,
    testing::Values(std::pair{QStringList{}, QByteArray("no command given")},
                    std::pair{QStringList{"upload", "3"}, QByteArray("unknown command \"upload\"")},
                    std::pair{QStringList{"show"}, QByteArray("command show needs KEY")},
                    std::pair{QStringList{"export", "3"}, QByteArray("command export needs FILE")},
                    std::pair{QStringList{"show", "three"}, QByteArray("KEY must be a decimal number, not \"three\"")},
                    std::pair{QStringList{"update", "-2"}, QByteArray("unknown option \"-2\"")},
                    std::pair{QStringList{"--lang", "fr", "list"}, QByteArray("option --lang takes en or ja")},
                    std::pair{QStringList{"devices", "now"}, QByteArray("command devices takes no arguments")},
                    std::pair{QStringList{"export-all", "a", "--json"}, QByteArray("command export-all has no --json")}),
    [](const testing::TestParamInfo<std::pair<QStringList, QByteArray>>& info) {
        return "Line" + std::to_string(info.index);
    });

// ---------------------------------------------------------------------------------------------------
// Help

TEST(CliHelpTest, HelpListsEveryCommandAndEveryExitStatus)
{
    for (const QStringList& args : {QStringList{"--help"}, QStringList{"help"}, QStringList{"update", "-h"}}) {
        const CliRun run = RunCli(args);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_TRUE(run.err.isEmpty());
        for (const char* text : {"list [--json]", "show KEY", "export KEY FILE", "export-all DIR", "devices", "current",
                                 "update KEY", "--lang en|ja", "0  success", "1  usage error",
                                 "2  the console rejected the data as invalid",
                                 "3  the console failed to write its flash memory",
                                 "4  no connection, no reply, or a wrong reply", "5  unknown key"})
            EXPECT_TRUE(run.out.contains(text)) << text;
    }
}

} // namespace

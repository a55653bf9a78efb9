#include "CatalogCommands.h"
#include "CliOptions.h"
#include "ConsoleCommands.h"
#include "JsonText.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace {

CCliOptions Parse(std::initializer_list<std::string_view> args)
{
    return CCliOptions::Parse(std::vector<std::string_view>(args));
}

// ---------------------------------------------------------------------------------------------------
// Command lines that are accepted

TEST(CliOptionsTest, OptionsMayStandBeforeOrAfterTheCommand)
{
    const CCliOptions before = Parse({"--lang", "ja", "--json", "list"});
    EXPECT_EQ(before.m_command, CliCommand::List);
    EXPECT_EQ(before.m_language, CliLanguage::Japanese);
    EXPECT_TRUE(before.m_bJson);

    const CCliOptions after = Parse({"show", "14", "--lang=en", "--json"});
    EXPECT_TRUE(after.m_strError.empty()) << after.m_strError;
    EXPECT_EQ(after.m_command, CliCommand::Show);
    EXPECT_EQ(after.m_language, CliLanguage::English);
    EXPECT_EQ(after.m_strKey, "14");
}

TEST(CliOptionsTest, IdChoosesTheConsoleOfCurrentUpdateAndSend)
{
    for (const std::vector<std::string_view>& line : std::vector<std::vector<std::string_view>>{
             {"update", "5", "--id", "2"}, {"--id", "2", "current"}, {"send", "f.syx", "--id", "2"}}) {
        const CCliOptions options = CCliOptions::Parse(line);
        EXPECT_TRUE(options.m_strError.empty()) << options.m_strError;
        EXPECT_EQ(options.m_id, 2U);
    }
}

TEST(CliOptionsTest, ConsoleNamesTheClientForCurrentUpdateAndSend)
{
    const CCliOptions options = CCliOptions::Parse({"update", "5", "--console", "Monitors", "--id", "2"});
    EXPECT_TRUE(options.m_strError.empty()) << options.m_strError;
    EXPECT_EQ(options.m_strConsole, "Monitors");
    EXPECT_EQ(options.m_id, 2U);
}

TEST(CliOptionsTest, DashIsStandardOutputAndDoubleDashEndsOptions)
{
    const CCliOptions toStdout = Parse({"export", "0", "-"});
    EXPECT_EQ(toStdout.m_command, CliCommand::Export);
    EXPECT_EQ(toStdout.m_strPath, "-");

    const CCliOptions dashedName = Parse({"export", "3", "--", "--json"});
    EXPECT_TRUE(dashedName.m_strError.empty()) << dashedName.m_strError;
    EXPECT_EQ(dashedName.m_strPath, "--json");
    EXPECT_FALSE(dashedName.m_bJson);
}

TEST(CliOptionsTest, HelpWinsOverEverythingElseOnTheLine)
{
    EXPECT_EQ(Parse({"--help"}).m_command, CliCommand::Help);
    EXPECT_EQ(Parse({"update", "--help"}).m_command, CliCommand::Help);
    EXPECT_EQ(Parse({"-h", "nonsense", "words"}).m_command, CliCommand::Help);
    EXPECT_EQ(Parse({"help"}).m_command, CliCommand::Help);
    EXPECT_EQ(Parse({"--version"}).m_command, CliCommand::Version);
}

TEST(CliOptionsTest, KeyNumberTakesLeadingZerosAndRejectsWhatNoEntryCanHave)
{
    EXPECT_EQ(Parse({"show", "007"}).KeyNumber(), 7u);
    EXPECT_EQ(Parse({"show", "0"}).KeyNumber(), 0u);
    EXPECT_EQ(Parse({"show", "00000000000000000058"}).KeyNumber(), 58u);
    EXPECT_EQ(Parse({"show", "65535"}).KeyNumber(), 65535u);
    EXPECT_EQ(Parse({"show", "65536"}).KeyNumber(), std::nullopt);
    EXPECT_EQ(Parse({"show", "123456789012345678901234567890"}).KeyNumber(), std::nullopt);
}

// ---------------------------------------------------------------------------------------------------
// Command lines that are refused, each with the cause in its message

struct Malformed {
    std::vector<std::string_view> args;
    std::string_view expectedInMessage;
};

class CliMalformedLineTest : public testing::TestWithParam<Malformed> {};

TEST_P(CliMalformedLineTest, IsRefusedWithItsCause)
{
    const CCliOptions options = CCliOptions::Parse(GetParam().args);
    EXPECT_EQ(options.m_command, CliCommand::None);
    EXPECT_NE(options.m_strError.find(GetParam().expectedInMessage), std::string::npos) << options.m_strError;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, CliMalformedLineTest,
    testing::Values(Malformed{{}, "no command"}, Malformed{{"--json"}, "no command"},
                    Malformed{{"frobnicate"}, "unknown command \"frobnicate\""},
                    Malformed{{"list", "--loud"}, "unknown option \"--loud\""},
                    Malformed{{"show"}, "needs KEY"}, Malformed{{"export"}, "needs KEY"},
                    Malformed{{"export", "0"}, "needs FILE"}, Malformed{{"export-all"}, "needs DIR"},
                    Malformed{{"update"}, "needs KEY"}, Malformed{{"export-all", ""}, "non-empty DIR"},
                    Malformed{{"show", "abc"}, "KEY must be a decimal number, not \"abc\""},
                    Malformed{{"show", "-1"}, "unknown option \"-1\""},
                    Malformed{{"show", "--", "-1"}, "not \"-1\""}, Malformed{{"show", "+3"}, "not \"+3\""},
                    Malformed{{"show", " 3"}, "not \" 3\""}, Malformed{{"list", "extra"}, "no arguments, not \"extra\""},
                    Malformed{{"show", "1", "2"}, "takes 1 argument, not \"2\""},
                    Malformed{{"export", "1", "a", "b"}, "takes 2 arguments, not \"b\""},
                    Malformed{{"export", "0", "-", "--json"}, "export has no --json"},
                    Malformed{{"update", "0", "--json"}, "update has no --json"},
                    Malformed{{"--lang", "de", "list"}, "takes en or ja, not \"de\""},
                    Malformed{{"--lang=", "list"}, "takes en or ja, not \"\""},
                    Malformed{{"list", "--lang"}, "--lang needs a value"},
                    Malformed{{"list", "--id", "2"}, "option --id belongs to tag, not to list"},
                    Malformed{{"devices", "--console", "A"}, "option --console belongs to current, update and send, not to devices"},
                    Malformed{{"find", "--json"}, "command find has no --json output"},
                    Malformed{{"current", "--console"}, "option --console needs the name of a client"},
                    Malformed{{"update", "0", "--type", "Tarn"}, "option --type belongs to tag, not to update"}),
    [](const testing::TestParamInfo<Malformed>& info) { return "Line" + std::to_string(info.index); });

// ---------------------------------------------------------------------------------------------------
// JSON text, file names, exit statuses

TEST(CliJsonTextTest, EscapesWhatJsonRequiresAndKeepsUnicode)
{
    EXPECT_EQ(JsonString("Preset"), "\"Preset\"");
    EXPECT_EQ(JsonString("say \"hi\" \\ bye"), "\"say \\\"hi\\\" \\\\ bye\"");
    EXPECT_EQ(JsonString("a\nb\tc\rd\be\ff"), "\"a\\nb\\tc\\rd\\be\\ff\"");
    EXPECT_EQ(JsonString(std::string_view("\x01\x1f\x00", 3)), "\"\\u0001\\u001f\\u0000\"");
    EXPECT_EQ(JsonString("/ and \x7f stay"), "\"/ and \x7f stay\"");
    EXPECT_EQ(JsonString("プリセットデータ"), "\"プリセットデータ\"");
}

TEST(CliJsonTextTest, InvalidUtf8FromADeviceBecomesReplacementCharacters)
{
    // 0xFF never occurs in UTF-8; 0xE3 0x83 is a three-byte character cut short.
    EXPECT_EQ(JsonString("A\xff" "B"), "\"A\xef\xbf\xbd" "B\"");
    const std::string cut = JsonString("C\xe3\x83");
    EXPECT_TRUE(cut.starts_with("\"C\xef\xbf\xbd")) << cut;
    EXPECT_EQ(cut.find("\xe3\x83"), std::string::npos) << cut;
}

TEST(CliFileNameTest, NamesCarryTheKeyAndAPortableFormOfTheName)
{
    EXPECT_EQ(CCatalogCommands::FileNameFor(0, "Preset"), "00_Preset.syx");
    EXPECT_EQ(CCatalogCommands::FileNameFor(4, "Brisa #01 Vo Soft"), "04_Brisa_#01_Vo_Soft.syx");
    EXPECT_EQ(CCatalogCommands::FileNameFor(23, "Brisa 4:1 R10"), "23_Brisa_4-1_R10.syx");
    EXPECT_EQ(CCatalogCommands::FileNameFor(20, "Brisa #17 A-R Gang"), "20_Brisa_#17_A-R_Gang.syx");
    EXPECT_EQ(CCatalogCommands::FileNameFor(7, "../a/b\\c*?\"<>|"), "07_.._a_b_c______.syx");
    EXPECT_EQ(CCatalogCommands::FileNameFor(1234, nullptr), "1234_.syx");
}

// ---------------------------------------------------------------------------------------------------
// Names from the console on a terminal

TEST(CliShownNameTest, ControlCharactersAndInvalidBytesNeverReachTheTerminalRaw)
{
    EXPECT_EQ(CConsoleCommands::ShownName("Preset"), "Preset");
    EXPECT_EQ(CConsoleCommands::ShownName("\x1b[2JX"), "\\x1B[2JX");
    EXPECT_EQ(CConsoleCommands::ShownName(std::string("a\x00" "b\x7f", 4)), "a\\x00b\\x7F");
    EXPECT_EQ(CConsoleCommands::ShownName("\xff"), "\xef\xbf\xbd");
}

TEST(CliExitStatusTest, ConsoleResultsMapToTheDocumentedStatuses)
{
    EXPECT_EQ(CConsoleCommands::ExitCodeFor(RC_EXCHANGE_OK), CliExitCode::Ok);
    EXPECT_EQ(CConsoleCommands::ExitCodeFor(RC_DATA_INVALID), CliExitCode::DataInvalid);
    EXPECT_EQ(CConsoleCommands::ExitCodeFor(RC_FLASH_WRITE_FAILED), CliExitCode::FlashFailed);
    for (ResultCode failure : {RC_SEND_FAILED, RC_RECEIVE_FAILED, RC_DRIVER_UNAVAILABLE, RC_OBSERVER_REFUSED,
                               RC_NO_USABLE_PORT, RC_UPDATE_NO_RESULT, RC_OUT_OF_MEMORY})
        EXPECT_EQ(CConsoleCommands::ExitCodeFor(failure), CliExitCode::NoConnection) << std::hex << failure;
}

} // namespace

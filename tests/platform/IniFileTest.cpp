#include "platform/IniFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>

struct IntCase
{
    const char* value;
    std::int32_t expected;
};

class IniFileIntTest : public ::testing::TestWithParam<IntCase>
{
};

// Profile integers read like the platform's: leading number only, anything else is 0, and an empty
// value counts as missing.
TEST_P(IniFileIntTest, ReadsTheLeadingNumber)
{
    CIniFile ini;
    ini.Parse(std::string("[S]\nkey=") + GetParam().value + "\n");
    EXPECT_EQ(ini.GetInt("S", "key", -1), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Values, IniFileIntTest,
                         ::testing::Values(IntCase{"42", 42}, IntCase{"  7", 7}, IntCase{"+3", 3}, IntCase{"-5", -5},
                                           IntCase{"12abc", 12}, IntCase{"abc", 0}, IntCase{"0x10", 0},
                                           IntCase{"", -1}, IntCase{"\"\"", -1}, IntCase{"\"8\"", 8},
                                           IntCase{"2147483647", 2147483647},
                                           IntCase{"99999999999999999999999", 2147483647},
                                           IntCase{"-99999999999999999999999", -2147483647 - 1}));

TEST(IniFileTest, MissingKeyGivesNothingAndTheDefault)
{
    CIniFile ini;
    ini.Parse("[S]\nother=1\n");
    EXPECT_FALSE(ini.GetString("S", "key").has_value());
    EXPECT_FALSE(ini.GetString("T", "other").has_value());
    EXPECT_EQ(ini.GetInt("S", "key", 17), 17);
}

TEST(IniFileTest, ValuesStayOnOneLine)
{
    CIniFile ini;
    ini.SetString("S", "k", std::string("a\r\nb\nc\rd\0e", 10));
    ini.SetString("S", "next", "1");
    EXPECT_EQ(ini.Serialize(), "[S]\nk=a b c d e\nnext=1\n");
}

TEST(IniFileTest, SettingAKeyReplacesEveryOccurrenceInPlace)
{
    CIniFile ini;
    ini.Parse("; top\n[s]\nA=1\nB=2\na=3\n# note\nC=4\n");
    ini.SetString("S", "a", "9");
    ini.SetString("S", "D", "5");
    ini.SetString("New", "x", "y");
    const std::string text = ini.Serialize();
    EXPECT_NE(text.find("[s]\na=9\nB=2\n"), std::string::npos) << text;
    EXPECT_NE(text.find("# note\nC=4\nD=5\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[New]\nx=y\n"), std::string::npos) << text;
    EXPECT_EQ(text.rfind("; top", 0), 0u) << text;
}

// What the shared reader and saver promise every file of the program: the replaced file keeps its
// permissions, and a FIFO put where the file should be is refused at once rather than waited on.
TEST(IniFileTest, AReplacedFileKeepsItsModeAndAFifoIsNeverWaitedOn)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("prefs.ini"));
    const std::string name = QFile::encodeName(path).toStdString();
    CIniFile ini;
    ini.SetString("S", "k", "1");
    ASSERT_TRUE(ini.WriteTo(path));
    ASSERT_EQ(chmod(name.c_str(), 0600), 0);
    ini.SetString("S", "k", "2");
    ASSERT_TRUE(ini.WriteTo(path));
    struct stat info {};
    ASSERT_EQ(stat(name.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    ASSERT_TRUE(ini.ReadFrom(path));
    EXPECT_EQ(ini.GetString("S", "k"), "2");

    ASSERT_EQ(unlink(name.c_str()), 0);
    ASSERT_EQ(mkfifo(name.c_str(), 0600), 0);
    EXPECT_FALSE(ini.ReadFrom(path));
}

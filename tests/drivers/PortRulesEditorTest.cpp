#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "PortRules.h"
#include "PortRulesEditor.h"
#include "platform/FileLock.h"

namespace {

class PortRulesEditorTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    [[nodiscard]] std::string Path() const { return m_dir.filePath("vorn-jack/ports.ini").toStdString(); }
    [[nodiscard]] std::string Text() const
    {
        std::ifstream in(Path(), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    void Write(const std::string& text) const
    {
        std::error_code ignored;
        std::filesystem::create_directories(std::filesystem::path(Path()).parent_path(), ignored);
        std::ofstream(Path(), std::ios::binary) << text;
    }
    static VornPortRule Rule(const std::string& section, std::uint32_t id, const std::string& input,
                             const std::string& output)
    {
        return {section, "Tarn", id, input, output};
    }

    QTemporaryDir m_dir;
};

// Two sonvale-cli tag --keep at once: both exit 0, so both rules must be in the file.
TEST_F(PortRulesEditorTest, TwoProcessesKeepingRulesAtOnceKeepThemAll)
{
    Write("; the user's own\n");
    ASSERT_EQ(chmod(Path().c_str(), 0640), 0);
    std::vector<pid_t> children;
    for (int process = 0; process < 2; ++process) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            bool ok = true;
            for (int i = 0; i < 50; ++i) {
                const std::string name = "p" + std::to_string(process) + "-" + std::to_string(i);
                std::string error;
                ok = CPortRulesEditor::Add(Path(), Rule(name, 1, name + ":in", name + ":out"), error) && ok;
            }
            _exit(ok ? 0 : 1);
        }
        children.push_back(child);
    }
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    const CPortRules rules = CPortRules::Load(Path());
    EXPECT_EQ(rules.Rules().size(), 100u);
    EXPECT_TRUE(rules.Problems().empty());
    EXPECT_TRUE(Text().starts_with("; the user's own\n"));
    struct stat info {};
    ASSERT_EQ(stat(Path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u) << "the file keeps its permissions";
}

// Port names INI cannot hold as they stand, a section name that differs from another only in case, and
// a file whose comments and blank lines must all outlive a rule kept and removed again.
TEST_F(PortRulesEditorTest, HostileNamesReadBackAndEveryOtherLineStays)
{
    const std::string before = "\xEF\xBB\xBF# my consoles\n\n[tarn 1 of a2j]\ntype = Tarn ; mine\nid = 1\n"
                               "input = a2j:x\noutput = a2j:y\n\n; the last line, no line break";
    Write(before);
    const std::vector<std::string> names = {
        "a2j:ends in a blank ", " a2j:starts with one", "a2j:line\nbreak", "a2j:carriage\rreturn",
        "a2j:tab\tand \x01 control", "a2j:with ; a comment", "a2j:# hash", "\"a2j:quoted\"", "a2j:back\\slash",
        "a2j:no UTF-8 \xFF",
    };
    std::uint32_t id = 2;
    for (const std::string& name : names) {
        std::string error;
        ASSERT_TRUE(CPortRulesEditor::Add(Path(), Rule("Tarn 1 of a2j", id++, name, name + "-out"), error)) << error;
    }
    const CPortRules rules = CPortRules::Load(Path());
    EXPECT_TRUE(rules.Problems().empty()) << rules.Problems().front();
    ASSERT_EQ(rules.Rules().size(), names.size() + 1);
    EXPECT_EQ(rules.Rules()[0].section, "tarn 1 of a2j") << "another pair's rule stays as it was";
    EXPECT_EQ(rules.Rules()[0].input, "a2j:x");
    EXPECT_EQ(rules.Rules()[1].section, "Tarn 1 of a2j 2");
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(rules.Rules()[i + 1].input, names[i]);
        EXPECT_EQ(rules.Rules()[i + 1].output, names[i] + "-out");
    }
    EXPECT_TRUE(Text().starts_with(before + "\n")) << Text();

    for (const std::string& name : names) {
        int removed = 0;
        std::string error;
        ASSERT_TRUE(CPortRulesEditor::Remove(Path(), name, name + "-out", removed, error)) << error;
        EXPECT_EQ(removed, 1) << name;
    }
    EXPECT_EQ(Text(), before + "\n");
    std::string error;
    EXPECT_FALSE(CPortRulesEditor::Add(Path(), {"x", "Tarnx", 1, "a:in", "a:out"}, error));
    EXPECT_NE(error.find("cannot be written so that the driver reads it back"), std::string::npos) << error;
    EXPECT_EQ(Text(), before + "\n");
}

// A FIFO or a huge file where the rules file should be is refused at once and never read.
TEST_F(PortRulesEditorTest, AFileThatIsNoSmallRegularFileIsRefusedWithoutWaiting)
{
    Write("");
    ASSERT_EQ(unlink(Path().c_str()), 0);
    ASSERT_EQ(mkfifo(Path().c_str(), 0600), 0);
    const auto start = std::chrono::steady_clock::now();
    const CPortRules fifo = CPortRules::Load(Path());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    ASSERT_EQ(fifo.Problems().size(), 1u);
    EXPECT_NE(fifo.Problems().front().find("cannot be read (it is not a regular file)"), std::string::npos);
    std::string error;
    EXPECT_FALSE(CPortRulesEditor::Add(Path(), Rule("a", 1, "a:in", "a:out"), error));

    ASSERT_EQ(unlink(Path().c_str()), 0);
    Write("; " + std::string(64 * 1024, 'x') + "\n");
    const CPortRules huge = CPortRules::Load(Path());
    EXPECT_TRUE(huge.Broken());
    ASSERT_EQ(huge.Problems().size(), 1u);
    EXPECT_NE(huge.Problems().front().find("cannot be read (it is larger than 64 KiB)"), std::string::npos);
}

} // namespace

// A change that never ends (a stuck sonvale-cli) once made every later tag --keep wait for ever.
TEST_F(PortRulesEditorTest, AChangeThatNeverEndsRefusesTheNextAfterTenSeconds)
{
    Write("; mine\n");
    CFileLock stuck(Path() + ".lock");
    ASSERT_EQ(stuck.Acquire(CFileLock::Mode::Exclusive, std::chrono::milliseconds(0)), CFileLock::Outcome::Held);
    const auto start = std::chrono::steady_clock::now();
    std::string error;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(CPortRulesEditor::Add(Path(), Rule("a", 1, "a:in", "a:out"), error));
    (void)testing::internal::GetCapturedStderr();
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(error, Path() + ".lock: another change of the file did not end within 10 s; nothing was changed");
    EXPECT_EQ(Text(), "; mine\n");
}

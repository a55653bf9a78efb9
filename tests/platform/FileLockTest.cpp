#include "platform/FileLock.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <chrono>
#include <string>

namespace {

using namespace std::chrono_literals;
using Mode = CFileLock::Mode;
using Outcome = CFileLock::Outcome;

class FileLockTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    void TearDown() override
    {
        for (const std::string& path : m_inFolder)
            ::unlink(path.c_str());
    }

    [[nodiscard]] std::string PathOf(const char* name) const { return m_dir.filePath(name).toStdString(); }
    // A lock in the user's own lock folder, removed again when the test ends.
    void NameInFolder(CFileLock& lock, const std::string& name)
    {
        lock.SetNameInFolder(name);
        ASSERT_FALSE(lock.Path().empty()) << "this user has no lock folder";
        m_inFolder.push_back(lock.Path());
    }

    QTemporaryDir m_dir;
    std::vector<std::string> m_inFolder;
};

TEST_F(FileLockTest, ASecondHolderWaitsUntilTheDeadlineAndSaysSo)
{
    CFileLock first(PathOf("turn.lock"));
    CFileLock second(PathOf("turn.lock"));
    ASSERT_EQ(first.Acquire(Mode::Exclusive, 0ms), Outcome::Held);
    testing::internal::CaptureStderr();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(second.Acquire(Mode::Exclusive, 300ms), Outcome::TimedOut);
    const auto waited = std::chrono::steady_clock::now() - start;
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_GE(waited, 300ms);
    EXPECT_LT(waited, 3s);
    EXPECT_NE(said.find(PathOf("turn.lock") + " was still held by another program after 0.3 s\n"), std::string::npos)
        << said;
    EXPECT_FALSE(second.Held());

    first.Release();
    EXPECT_EQ(second.Acquire(Mode::Exclusive, 0ms), Outcome::Held);
}

TEST_F(FileLockTest, SharedHoldersMeetButExcludeAnExclusiveOne)
{
    CFileLock exchange(PathOf("graph.lock")), other(PathOf("graph.lock")), change(PathOf("graph.lock"));
    ASSERT_EQ(exchange.Acquire(Mode::Shared, 0ms), Outcome::Held);
    EXPECT_EQ(other.Acquire(Mode::Shared, 0ms), Outcome::Held);
    testing::internal::CaptureStderr();
    EXPECT_EQ(change.Acquire(Mode::Exclusive, 50ms), Outcome::TimedOut);
    (void)testing::internal::GetCapturedStderr();
    exchange.Release();
    other.Release();
    EXPECT_EQ(change.Acquire(Mode::Exclusive, 0ms), Outcome::Held);
}

// Over-long JACK server or client names once made every lock silently count as taken.
TEST_F(FileLockTest, OverLongNamesGiveLocksOfTheirOwn)
{
    const std::string stem = "sonvale-test-" + std::to_string(::getpid()) + "-" + std::string(300, 'c');
    CFileLock a, b, sameAsA;
    NameInFolder(a, stem + "a.lock");
    NameInFolder(b, stem + "b.lock");
    NameInFolder(sameAsA, stem + "a.lock");
    ASSERT_EQ(a.Acquire(Mode::Exclusive, 0ms), Outcome::Held);
    EXPECT_EQ(b.Acquire(Mode::Exclusive, 0ms), Outcome::Held) << "names that differ only at the end are two locks";
    testing::internal::CaptureStderr();
    EXPECT_EQ(sameAsA.Acquire(Mode::Exclusive, 0ms), Outcome::TimedOut) << "the fitted name is a lock that holds";
    (void)testing::internal::GetCapturedStderr();
    EXPECT_NE(a.Path(), b.Path());
    EXPECT_TRUE(a.Path().ends_with(".lock"));
    EXPECT_LE(a.Path().size() - a.Path().rfind('/') - 1, 255u);
}

TEST_F(FileLockTest, ALinkOrAFolderOthersCanChangeIsRefusedAndSaidOnce)
{
    ASSERT_EQ(::symlink(PathOf("elsewhere").c_str(), PathOf("linked.lock").c_str()), 0);
    CFileLock linked(PathOf("linked.lock"));
    testing::internal::CaptureStderr();
    EXPECT_EQ(linked.Acquire(Mode::Exclusive, 0ms), Outcome::Unavailable);
    EXPECT_EQ(linked.Acquire(Mode::Exclusive, 0ms), Outcome::Unavailable);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said, std::string(program_invocation_short_name) + ": the lock " + PathOf("linked.lock") +
                        " cannot be opened (it is a symbolic link)\n");
    EXPECT_NE(::access(PathOf("elsewhere").c_str(), F_OK), 0) << "the link was followed";

    const std::string open = PathOf("open");
    ASSERT_EQ(::mkdir(open.c_str(), 0700), 0);
    ASSERT_EQ(::chmod(open.c_str(), 0777), 0);
    CFileLock shared(open + "/x.lock");
    testing::internal::CaptureStderr();
    EXPECT_EQ(shared.Acquire(Mode::Exclusive, 0ms), Outcome::Unavailable);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("open to changes by others"), std::string::npos);
}

TEST_F(FileLockTest, TheNoteGoesToTheNextHolder)
{
    CFileLock writer(PathOf("console.lock")), reader(PathOf("console.lock"));
    EXPECT_FALSE(writer.WriteNote("not held"));
    ASSERT_EQ(writer.Acquire(Mode::Exclusive, 0ms), Outcome::Held);
    ASSERT_TRUE(writer.WriteNote("a longer note that the next one replaces"));
    ASSERT_TRUE(writer.WriteNote("late reply of #7"));
    EXPECT_FALSE(writer.WriteNote(std::string(CFileLock::kMaxNote + 1, 'x')));
    writer.Release();

    EXPECT_EQ(reader.ReadNote(), "") << "nothing is read while not held";
    ASSERT_EQ(reader.Acquire(Mode::Shared, 0ms), Outcome::Held);
    EXPECT_EQ(reader.ReadNote(), "late reply of #7");
    EXPECT_FALSE(reader.WriteNote("shared holders only read"));
    ASSERT_EQ(reader.Acquire(Mode::Exclusive, 0ms), Outcome::Held);
    EXPECT_TRUE(reader.WriteNote(""));
    EXPECT_EQ(reader.ReadNote(), "");
}

} // namespace

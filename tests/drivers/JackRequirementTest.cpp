// A JACK suite run where no server can be had: it skips, unless the run requires JACK, where it fails
// and says why. The suite runs as its own process with jackd out of reach (an empty PATH).
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/wait.h>

namespace {

struct SuiteRun {
    int exitCode = -1;
    std::string output;
};

SuiteRun RunJackSuiteWithoutJackd(bool requireJack)
{
    const std::filesystem::path empty = std::filesystem::temp_directory_path() / "sonvale-no-jackd";
    std::filesystem::create_directories(empty);
    const std::string command = std::string("env ") + (requireJack ? "SONVALE_REQUIRE_JACK=1" : "-u SONVALE_REQUIRE_JACK")
                                + " PATH=" + empty.string() + " '" VORN_DRIVER_TESTS_PATH
                                "' --gtest_filter=VornDriverTest.BothClassesCreateTheDriverObject 2>&1";
    SuiteRun run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr)
        return run;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        run.output.append(buffer, n);
    const int status = ::pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TEST(JackRequirement, WithoutTheSwitchAJackTestWithoutServerSkips)
{
    const SuiteRun run = RunJackSuiteWithoutJackd(false);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("SKIPPED"), std::string::npos) << run.output;
}

TEST(JackRequirement, WithTheSwitchAJackTestWithoutServerFailsAndSaysWhy)
{
    const SuiteRun run = RunJackSuiteWithoutJackd(true);
    EXPECT_NE(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("SONVALE_REQUIRE_JACK is set"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("jackd is not installed"), std::string::npos) << run.output;
}

} // namespace

// The whole program beside two yardsticks, in one run, on the offscreen platform, with a private JACK
// server and an emulated console. The yardsticks: a Qt 6 program that opens a JACK client, registers,
// activates and connects one MIDI port pair and then shows one empty window (the least a JACK MIDI
// program with a window does), and a Qt 6 program that only shows one empty window. Figures:
//  - cold start: from fork to the main window shown (the program listens on its single-instance socket
//    right after showing the window; the yardsticks do the same after theirs), fresh user folders;
//  - resident memory two seconds after that (the program has asked the console for its entry by then),
//    whole and without shared memory (JACK maps its server's segment, about 100 MB, into every client),
//    and the pages no other process shares (Private_* of smaps_rollup);
//  - CPU time (user + system, all threads) over an idle period with all three running.
// Usage: bench_whole_program [starts (default 10)] [idle seconds (default 30)]
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "ChildProcess.h"
#include "ProcStat.h"
#include "JackTestServer.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Subject {
    const char* label;
    std::string path;
    std::vector<double> startMs;
    std::vector<double> rssMb;
    std::vector<double> ownMb; // without shared memory: JACK's server segment is mapped into every client
    std::vector<double> privateMb;
    double idleCpuMs = -1;
};

long ReadStatusKb(pid_t pid, const std::string& key)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(key + ":", 0) == 0)
            return std::stol(line.substr(key.size() + 1));
    return -1;
}

// Private_Clean + Private_Dirty of the process, in kB; -1 when it cannot be read.
long PrivateKb(pid_t pid)
{
    std::ifstream rollup("/proc/" + std::to_string(pid) + "/smaps_rollup");
    long total = -1;
    for (std::string line; std::getline(rollup, line);)
        if (line.rfind("Private_Clean:", 0) == 0 || line.rfind("Private_Dirty:", 0) == 0)
            total = std::max(total, 0L) + std::stol(line.substr(line.find(':') + 1));
    return total;
}

// utime + stime of every thread of the process, in clock ticks.
long CpuTicks(pid_t pid)
{
    return ProcStatTicks("/proc/" + std::to_string(pid) + "/stat");
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

// Fresh user folders for one start, so that no lock, socket or preference file of an earlier start is seen.
std::string PrepareFolders(const fs::path& base, int run)
{
    const fs::path root = base / std::to_string(run);
    for (const char* sub : {"config", "home", "run"})
        fs::create_directories(root / sub);
    fs::permissions(root / "run", fs::perms::owner_all, fs::perm_options::replace);
    ::setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
    ::setenv("HOME", (root / "home").c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", (root / "run").c_str(), 1);
    return (root / "run" / "UniqueOrla").string();
}

// Starts the subject and waits until its window is shown; the time taken, or a negative value.
double StartAndWait(CChildProcess& process, const std::string& program, const std::string& socket,
                    const std::string& log)
{
    const auto t0 = Clock::now();
    if (!process.Start({program}, log))
        return -1;
    while (!fs::exists(socket)) {
        if (!process.Running() || Clock::now() - t0 > std::chrono::seconds(30))
            return -1;
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

} // namespace

int main(int argc, char** argv)
{
    const int starts = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const int idleSeconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 30;
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"})
        ::unsetenv(name);

    CJackTestServer server;
    std::string reason;
    if (!server.Start(256, reason)) {
        std::fprintf(stderr, "bench_whole_program: no private JACK server: %s\n", reason.c_str());
        return 1;
    }
    const fs::path base = fs::temp_directory_path() / ("sonvale-bench-" + std::to_string(::getpid()));
    fs::create_directories(base);
    CChildProcess emulator;
    if (!emulator.Start({OSTRA_EMULATOR_PATH, "--flash", (base / "flash.bin").string()}, (base / "emulator.log").string())
        || !CJackTestServer::WaitFor([&] { return emulator.Log().find("ready:") != std::string::npos; })) {
        std::fprintf(stderr, "bench_whole_program: the emulated console did not come up\n");
        return 1;
    }

    constexpr int kSubjects = 3;
    Subject subjects[kSubjects] = {{"program", SONVALE_PROGRAM_PATH, {}, {}, {}, {}, -1},
                                   {"JACK window", MINIMAL_JACK_QT_WINDOW_PATH, {}, {}, {}, {}, -1},
                                   {"Qt window", MINIMAL_QT_WINDOW_PATH, {}, {}, {}, {}, -1}};
    CChildProcess running[kSubjects];
    int run = 0;
    for (int i = 0; i < starts; ++i) {
        for (int s = 0; s < kSubjects; ++s) {
            Subject& subject = subjects[s];
            const std::string socket = PrepareFolders(base, run++);
            const double ms = StartAndWait(running[s], subject.path, socket, (base / ("log-" + std::to_string(run))).string());
            if (ms < 0) {
                std::fprintf(stderr, "bench_whole_program: %s did not show its window:\n%s\n", subject.label,
                             running[s].Log().c_str());
                return 1;
            }
            subject.startMs.push_back(ms);
            std::this_thread::sleep_for(std::chrono::seconds(2));
            const pid_t pid = running[s].Pid();
            subject.rssMb.push_back(static_cast<double>(ReadStatusKb(pid, "VmRSS")) / 1024.0);
            subject.ownMb.push_back(static_cast<double>(ReadStatusKb(pid, "RssAnon") + ReadStatusKb(pid, "RssFile")) / 1024.0);
            subject.privateMb.push_back(static_cast<double>(PrivateKb(pid)) / 1024.0);
            if (i + 1 < starts)
                running[s].Stop(SIGTERM); // the program closes as File > Exit does
        }
    }

    // All stay up for the idle period.
    long before[kSubjects], after[kSubjects];
    for (int s = 0; s < kSubjects; ++s)
        before[s] = CpuTicks(running[s].Pid());
    std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
    for (int s = 0; s < kSubjects; ++s) {
        after[s] = CpuTicks(running[s].Pid());
        subjects[s].idleCpuMs = 1000.0 * static_cast<double>(after[s] - before[s]) / static_cast<double>(sysconf(_SC_CLK_TCK));
        running[s].Stop(SIGTERM);
    }
    emulator.Stop(SIGTERM);
    std::error_code ec;
    fs::remove_all(base, ec);

    // Each figure of the three, and the program's ratio to the JACK-opening yardstick.
    const auto row = [&](const char* figure, std::vector<double> Subject::*values, const char* format) {
        double median[kSubjects];
        std::printf("%-38s", figure);
        for (int s = 0; s < kSubjects; ++s) {
            median[s] = Median(subjects[s].*values);
            std::printf(format, median[s]);
        }
        std::printf(" %8.2f\n", median[0] / median[1]);
    };
    std::printf("%-38s %12s %12s %12s %8s\n", "figure (median of starts)", subjects[0].label, subjects[1].label,
                subjects[2].label, "ratio");
    row("start to window shown, ms", &Subject::startMs, " %12.1f");
    row("resident memory after start-up, MB", &Subject::rssMb, " %12.1f");
    row("  without shared memory, MB", &Subject::ownMb, " %12.1f");
    row("  private pages only, MB", &Subject::privateMb, " %12.1f");
    std::printf("%-38s", ("CPU while idle (" + std::to_string(idleSeconds) + " s), %").c_str());
    for (const Subject& subject : subjects)
        std::printf(" %12.2f", subject.idleCpuMs / (10.0 * idleSeconds));
    std::printf("\n(ratio: program / JACK window; %d starts each, in turn; JACK period 256 frames at 48 kHz, "
                "dummy backend)\n", starts);
    return 0;
}

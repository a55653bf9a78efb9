// The whole program beside a minimal Qt 6 program that shows one empty window, in one run, on the
// offscreen platform, with a private JACK server and an emulated console:
//  - cold start: from fork to the main window shown (the program listens on its single-instance socket
//    right after showing the window; the minimal program does the same after its window);
//  - resident memory two seconds after that (the program has asked the console for its entry by then),
//    whole and without shared memory (JACK maps its server's segment, about 100 MB, into every client);
//  - CPU time (user + system, all threads) over an idle period with both running.
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

    Subject subjects[2] = {{"sonvale-data-manager", SONVALE_PROGRAM_PATH, {}, {}, {}},
                           {"minimal Qt window", MINIMAL_QT_WINDOW_PATH, {}, {}, {}}};
    CChildProcess running[2];
    int run = 0;
    for (int i = 0; i < starts; ++i) {
        for (int s = 0; s < 2; ++s) {
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
            if (i + 1 < starts)
                running[s].Stop(SIGTERM); // the program closes as File > Exit does
        }
    }

    // Both stay up for the idle period.
    long before[2], after[2];
    for (int s = 0; s < 2; ++s)
        before[s] = CpuTicks(running[s].Pid());
    std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
    for (int s = 0; s < 2; ++s) {
        after[s] = CpuTicks(running[s].Pid());
        subjects[s].idleCpuMs = 1000.0 * static_cast<double>(after[s] - before[s]) / static_cast<double>(sysconf(_SC_CLK_TCK));
        running[s].Stop(SIGTERM);
    }
    emulator.Stop(SIGTERM);
    std::error_code ec;
    fs::remove_all(base, ec);

    const Subject& p = subjects[0];
    const Subject& m = subjects[1];
    std::printf("%-36s %14s %14s %8s\n", "figure (median of starts)", p.label, m.label, "ratio");
    std::printf("%-36s %14.1f %14.1f %8.2f\n", "start to window shown, ms", Median(p.startMs), Median(m.startMs),
                Median(p.startMs) / Median(m.startMs));
    std::printf("%-36s %14.1f %14.1f %8.2f\n", "resident memory after start-up, MB", Median(p.rssMb), Median(m.rssMb),
                Median(p.rssMb) / Median(m.rssMb));
    std::printf("%-36s %14.1f %14.1f %8.2f\n", "  of which not shared memory, MB", Median(p.ownMb), Median(m.ownMb),
                Median(p.ownMb) / Median(m.ownMb));
    std::printf("%-36s %14.0f %14.0f\n", ("CPU over " + std::to_string(idleSeconds) + " idle s, ms").c_str(),
                p.idleCpuMs, m.idleCpuMs);
    std::printf("(%d starts each, alternating; JACK period 256 frames at 48 kHz, dummy backend)\n", starts);
    return 0;
}

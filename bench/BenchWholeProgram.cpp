// The whole program beside three yardsticks, in one run, on the offscreen platform, with a private JACK
// server and an emulated console. The yardsticks: a window of Qt's stock widgets that shows what the
// program's main window shows over the same JACK work (one MIDI pair with a process callback, connected
// to the console; the one the program is judged against), a Qt 6 program that opens a JACK client,
// registers, activates and connects one MIDI port pair and then shows one empty window (the least a JACK
// MIDI program with a window does), and a Qt 6 program that only shows one empty window. Figures:
//  - cold start: from fork to the main window shown (the program listens on its single-instance socket
//    right after showing the window; the yardsticks do the same after theirs), fresh user folders;
//  - resident memory a settling time after that (the program has asked the console for its entry by
//    then), whole and without shared memory (JACK maps its server's segment, about 100 MB, into every
//    client), and the pages no other process shares (Private_* of smaps_rollup);
//  - CPU time (user + system, all threads) over an idle period with all four running.
// The ratios are the program's to the stock window. The exit status is 2 when the program's start-up
// (median) or its memory without shared memory is above its limit, 1 when the run itself failed.
// Usage: bench_whole_program [starts (default 10)] [idle seconds (default 30)]
//        [--settle SECONDS (default 2)] [--start-limit RATIO (default 1.2)] [--memory-limit RATIO (default 1.1)]
// A limit of 0 is not checked.
// bench_whole_program --untagged-starts N instead starts the program alone N times beside a console whose
// ports carry no tags (found by asking it, as no rule is kept between the fresh user folders) and N times
// beside a tagged one, and prints the time from start to the window shown and to the console's answer to
// the window's question for its entry (the entry is shown as that answer arrives).
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

struct Options {
    int starts = 10;
    int idleSeconds = 30;
    int settleSeconds = 2;
    double startLimit = 1.2;
    double memoryLimit = 1.1;
    int untaggedStarts = 0; // > 0: only the start-up beside an untagged and a tagged console
};

int Count(const std::string& text, const std::string& what)
{
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// Starts the program beside an emulated console with these options, `starts` times; prints the medians.
bool EntryStarts(const fs::path& base, int& run, int starts, bool untagged)
{
    std::vector<std::string> argv = {OSTRA_EMULATOR_PATH, "--name", untagged ? "Bridge" : "Ostra", "--flash",
                                     (base / "flash.bin").string()};
    if (untagged)
        argv.push_back("--untagged");
    CChildProcess emulator;
    const std::string emulatorLog = (base / (untagged ? "untagged.log" : "tagged.log")).string();
    if (!emulator.Start(argv, emulatorLog)
        || !CJackTestServer::WaitFor([&] { return emulator.Log().find("ready:") != std::string::npos; }))
        return false;
    // Untagged, the driver's asking is answered before the window's own question.
    const int repliesPerStart = untagged ? 2 : 1;
    std::vector<double> windowMs, entryMs;
    for (int i = 0; i < starts; ++i) {
        const int before = Count(emulator.Log(), "(identity reply)");
        CChildProcess program;
        const std::string socket = PrepareFolders(base, run++);
        const auto t0 = Clock::now();
        const double shown = StartAndWait(program, SONVALE_PROGRAM_PATH, socket, (base / ("log-" + std::to_string(run))).string());
        if (shown < 0 || !CJackTestServer::WaitFor([&] {
                return Count(emulator.Log(), "(identity reply)") >= before + repliesPerStart;
            }))
            return false;
        entryMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        windowMs.push_back(shown);
        program.Stop(SIGTERM);
    }
    emulator.Stop(SIGTERM);
    std::printf("%-28s start to window shown %7.1f ms, to the entry's answer %7.1f ms (median of %d)\n",
                untagged ? "console without tags:" : "tagged console:", Median(windowMs), Median(entryMs), starts);
    return true;
}

bool ParseOptions(int argc, char** argv, Options& options)
{
    int positional = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--", 0) == 0) {
            if (i + 1 >= argc)
                return false;
            const char* value = argv[++i];
            if (arg == "--settle")
                options.settleSeconds = std::max(0, std::atoi(value));
            else if (arg == "--start-limit")
                options.startLimit = std::atof(value);
            else if (arg == "--memory-limit")
                options.memoryLimit = std::atof(value);
            else if (arg == "--untagged-starts")
                options.untaggedStarts = std::max(0, std::atoi(value));
            else
                return false;
        } else if (positional == 0) {
            options.starts = std::max(1, std::atoi(arg.c_str()));
            ++positional;
        } else if (positional == 1) {
            options.idleSeconds = std::max(1, std::atoi(arg.c_str()));
            ++positional;
        } else {
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: bench_whole_program [starts] [idle seconds] [--settle SECONDS] "
                             "[--start-limit RATIO] [--memory-limit RATIO] | --untagged-starts N\n");
        return 1;
    }
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
    if (options.untaggedStarts > 0) {
        int run = 0;
        const bool measured = EntryStarts(base, run, options.untaggedStarts, true) &&
                              EntryStarts(base, run, options.untaggedStarts, false);
        std::error_code ec;
        fs::remove_all(base, ec);
        if (!measured)
            std::fprintf(stderr, "bench_whole_program: a start did not show its window or ask the console\n");
        return measured ? 0 : 1;
    }
    CChildProcess emulator;
    if (!emulator.Start({OSTRA_EMULATOR_PATH, "--flash", (base / "flash.bin").string()}, (base / "emulator.log").string())
        || !CJackTestServer::WaitFor([&] { return emulator.Log().find("ready:") != std::string::npos; })) {
        std::fprintf(stderr, "bench_whole_program: the emulated console did not come up\n");
        return 1;
    }

    constexpr int kSubjects = 4;
    Subject subjects[kSubjects] = {{"program", SONVALE_PROGRAM_PATH, {}, {}, {}, {}, -1},
                                   {"stock window", STOCK_JACK_WINDOW_PATH, {}, {}, {}, {}, -1},
                                   {"JACK window", MINIMAL_JACK_QT_WINDOW_PATH, {}, {}, {}, {}, -1},
                                   {"Qt window", MINIMAL_QT_WINDOW_PATH, {}, {}, {}, {}, -1}};
    CChildProcess running[kSubjects];
    int run = 0;
    for (int i = 0; i < options.starts; ++i) {
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
            std::this_thread::sleep_for(std::chrono::seconds(options.settleSeconds));
            const pid_t pid = running[s].Pid();
            subject.rssMb.push_back(static_cast<double>(ReadStatusKb(pid, "VmRSS")) / 1024.0);
            subject.ownMb.push_back(static_cast<double>(ReadStatusKb(pid, "RssAnon") + ReadStatusKb(pid, "RssFile")) / 1024.0);
            subject.privateMb.push_back(static_cast<double>(PrivateKb(pid)) / 1024.0);
            if (i + 1 < options.starts)
                running[s].Stop(SIGTERM); // the program closes as File > Exit does
        }
    }

    // All stay up for the idle period.
    long before[kSubjects], after[kSubjects];
    for (int s = 0; s < kSubjects; ++s)
        before[s] = CpuTicks(running[s].Pid());
    std::this_thread::sleep_for(std::chrono::seconds(options.idleSeconds));
    for (int s = 0; s < kSubjects; ++s) {
        after[s] = CpuTicks(running[s].Pid());
        subjects[s].idleCpuMs = 1000.0 * static_cast<double>(after[s] - before[s]) / static_cast<double>(sysconf(_SC_CLK_TCK));
        running[s].Stop(SIGTERM);
    }
    emulator.Stop(SIGTERM);
    std::error_code ec;
    fs::remove_all(base, ec);

    // Each figure of the four, and the program's ratio to the stock window.
    const auto row = [&](const char* figure, std::vector<double> Subject::*values, const char* format) {
        double median[kSubjects];
        std::printf("%-38s", figure);
        for (int s = 0; s < kSubjects; ++s) {
            median[s] = Median(subjects[s].*values);
            std::printf(format, median[s]);
        }
        const double ratio = median[1] > 0 ? median[0] / median[1] : 0.0;
        std::printf(" %8.2f\n", ratio);
        return ratio;
    };
    std::printf("%-38s", "figure (median of starts)");
    for (const Subject& subject : subjects)
        std::printf(" %12s", subject.label);
    std::printf(" %8s\n", "ratio");
    const double startRatio = row("start to window shown, ms", &Subject::startMs, " %12.1f");
    row("resident memory after start-up, MB", &Subject::rssMb, " %12.1f");
    const double memoryRatio = row("  without shared memory, MB", &Subject::ownMb, " %12.1f");
    row("  private pages only, MB", &Subject::privateMb, " %12.1f");
    std::printf("%-38s", ("CPU while idle (" + std::to_string(options.idleSeconds) + " s), %").c_str());
    for (const Subject& subject : subjects)
        std::printf(" %12.2f", subject.idleCpuMs / (10.0 * options.idleSeconds));
    const double stockIdle = subjects[1].idleCpuMs;
    if (stockIdle > 0)
        std::printf(" %8.2f", subjects[0].idleCpuMs / stockIdle);
    std::printf("\n(ratio: program / stock window; %d starts each, in turn; JACK period 256 frames at 48 kHz, "
                "dummy backend)\n", options.starts);

    bool over = false;
    if (options.startLimit > 0 && startRatio > options.startLimit) {
        std::printf("OVER THE LIMIT: start-up is %.2f times the stock window's (limit %.2f)\n", startRatio,
                    options.startLimit);
        over = true;
    }
    if (options.memoryLimit > 0 && memoryRatio > options.memoryLimit) {
        std::printf("OVER THE LIMIT: memory without shared memory is %.2f times the stock window's (limit %.2f)\n",
                    memoryRatio, options.memoryLimit);
        over = true;
    }
    return over ? 2 : 0;
}

// Round trip of one data update (data message out, completion reply back) through the program's
// transport, the driver module and an emulated console on a private JACK server, at three JACK periods;
// and the CPU the driver's thread uses while nothing happens.
#include <benchmark/benchmark.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>
#include <thread>

#include "ChildProcess.h"
#include "ProcStat.h"
#include "JackTestServer.h"
#include "data/SonvaleData.h"
#include "data/SysExConverter.h"
#include "midi/Win32VornMIDIController.h"

namespace {

// A server at the given period with one console, and the transport opened on it.
struct Rig {
    CJackTestServer server;
    CChildProcess emulator;
    std::unique_ptr<CWin32VornMIDIController> controller;
    std::string error;

    explicit Rig(unsigned period)
    {
        if (!server.Start(period, error))
            return;
        const auto log = std::filesystem::temp_directory_path() / (server.Name() + "-bench-emulator.log");
        if (!emulator.Start({OSTRA_EMULATOR_PATH, "--name", "Ostra"}, log.string())
            || !CJackTestServer::WaitFor([&] { return emulator.Log().find("ready:") != std::string::npos; })) {
            error = "the emulator did not come up";
            return;
        }
        controller = std::make_unique<CWin32VornMIDIController>();
        if (controller->Open() != RC_EXCHANGE_OK)
            error = "the transport did not open";
    }
    ~Rig()
    {
        controller.reset();
        emulator.Stop(SIGTERM);
        std::error_code ec;
        if (error.empty()) std::filesystem::remove(emulator.LogPath(), ec);
    }
};

double Percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(p * static_cast<double>(values.size() - 1))];
}

void BM_WriteEntryRoundTrip(benchmark::State& state)
{
    const auto period = static_cast<unsigned>(state.range(0));
    Rig rig(period);
    if (!rig.error.empty()) {
        state.SkipWithError(rig.error.c_str());
        return;
    }
    CSonvaleData data;
    (void)data.SelectFactoryTable();
    CSysExConverter converter;
    std::uint8_t message[CSysExConverter::kDataMessageLength];
    std::uint32_t length = sizeof message;
    const DataEntry& entry = *data.EntryAt(0);
    (void)converter.BuildDataMessage(message, entry.parameterSets, entry.name, length);

    std::vector<double> ms;
    for (auto _ : state) {
        for (int i = 0; i < 200; ++i) {
            const auto start = std::chrono::steady_clock::now();
            std::uint8_t reply[1024];
            std::uint16_t replyLength = sizeof reply;
            const ResultCode sent = rig.controller->Send(message, static_cast<std::uint16_t>(length), 3000);
            const ResultCode received = sent == RC_EXCHANGE_OK ? rig.controller->Receive(reply, &replyLength, 10000) : sent;
            if (received != RC_EXCHANGE_OK) {
                const std::string error = "exchange " + std::to_string(i) + " failed with " + std::to_string(received);
                rig.error = error;
                state.SkipWithError(error.c_str());
                return;
            }
            ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        }
    }
    const double periodMs = 1000.0 * period / CJackTestServer::SampleRate();
    state.counters["median_ms"] = Percentile(ms, 0.5);
    state.counters["p95_ms"] = Percentile(ms, 0.95);
    state.counters["floor_ms"] = 2 * periodMs + 10.0; // two JACK periods plus the transport's 10 ms polling step
}
BENCHMARK(BM_WriteEntryRoundTrip)->Arg(64)->Arg(256)->Arg(1024)->Iterations(1)->Unit(benchmark::kMillisecond);

// Clock ticks (utime + stime) of the thread named "vorn-driver" in this process.
long DriverThreadTicks()
{
    long ticks = -1;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream comm(task.path() / "comm");
        std::string name;
        std::getline(comm, name);
        if (name != "vorn-driver")
            continue;
        ticks = ProcStatTicks(task.path() / "stat");
    }
    return ticks;
}

void BM_DriverThreadIdleCpu(benchmark::State& state)
{
    Rig rig(256);
    if (!rig.error.empty()) {
        state.SkipWithError(rig.error.c_str());
        return;
    }
    for (auto _ : state) {
        const long before = DriverThreadTicks();
        std::this_thread::sleep_for(std::chrono::seconds(10));
        const long after = DriverThreadTicks();
        if (before < 0 || after < 0) {
            state.SkipWithError("no driver thread found");
            return;
        }
        const double seconds = static_cast<double>(after - before) / static_cast<double>(sysconf(_SC_CLK_TCK));
        state.counters["cpu_ms_per_10s"] = seconds * 1000.0;
        state.counters["cpu_percent"] = seconds * 10.0;
    }
}
BENCHMARK(BM_DriverThreadIdleCpu)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();

// One update and one current-name query against a console that answers at once: the cost of the
// controller's own work (look-ups, message building, reply recognition) around the transport.
#include "data/ConsoleMessages.h"
#include "data/DataController.h"
#include "data/FakeMIDIController.h"
#include "midi/MIDIDevice.h"
#include "platform/SystemLanguage.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

struct Console {
    Console()
    {
        SetSystemDefaultLangIDOverride(LANG_ENGLISH);
        pFake = new FakeMIDIController;
        pFake->recordSent = false;
        device.m_pController = pFake;
        controller.SetDevice(&device);
        if (controller.Initialize() != RC_OK)
            pFake = nullptr;
    }
    CMIDIDevice device;
    FakeMIDIController* pFake = nullptr;
    CDataController controller;
};

void BM_WriteEntry(benchmark::State& state)
{
    Console console;
    if (!console.pFake) {
        state.SkipWithError("no factory table");
        return;
    }
    console.pFake->standingAnswer = {console_messages::kCompletion, 0};
    for (auto _ : state) {
        benchmark::DoNotOptimize(console.controller.WriteEntry(58));
    }
}
BENCHMARK(BM_WriteEntry);

void BM_QueryCurrentDataName(benchmark::State& state)
{
    Console console;
    if (!console.pFake) {
        state.SkipWithError("no factory table");
        return;
    }
    std::string name;
    console.pFake->standingAnswer = {console_messages::kIdentity, 0};
    for (auto _ : state) {
        benchmark::DoNotOptimize(console.controller.QueryCurrentDataName(name));
    }
}
BENCHMARK(BM_QueryCurrentDataName);

} // namespace

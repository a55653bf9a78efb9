// Cost of building the data message and of recognising each kind of reply the console sends.
#include "data/FactoryTables.h"
#include "data/SysExConverter.h"

#include <benchmark/benchmark.h>

#include <string_view>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

void BM_BuildDataMessage(benchmark::State& state)
{
    const CSysExConverter converter;
    const DataEntry& entry = EnglishFactoryTable()[58];
    std::uint8_t buffer[CSysExConverter::kDataMessageLength];
    for (auto _ : state) {
        std::uint32_t length = sizeof buffer;
        benchmark::DoNotOptimize(converter.BuildDataMessage(buffer, std::span<const ParameterSet, 9>(entry.parameterSets),
                                                            entry.name, length));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_BuildDataMessage);

void BM_BuildIdentityRequest(benchmark::State& state)
{
    const CSysExConverter converter;
    std::uint8_t buffer[CSysExConverter::kIdentityRequestLength];
    for (auto _ : state) {
        std::uint32_t length = sizeof buffer;
        benchmark::DoNotOptimize(converter.BuildIdentityRequest(buffer, length));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_BuildIdentityRequest);

// A real reply of each kind, taken from the converter's own output where possible.
Bytes IdentityReply()
{
    Bytes m = {0xF0, 0x7D, 0x00, 0x3E, 0x00, 0x2E, 0x13, 0x53, 0x44, 0x49, 0x44, 16};
    for (const char c : std::string_view("Brisa 2.8:1 R300"))
        m.push_back(static_cast<std::uint8_t>(c));
    m.resize(53, 0x00);
    unsigned sum = 0;
    for (std::size_t i = 7; i < 53; ++i)
        sum += m[i];
    m.push_back(static_cast<std::uint8_t>((0u - sum) & 0x7F));
    m.push_back(0xF7);
    return m;
}

void ParseBench(benchmark::State& state, const Bytes& reply, int expectedKind)
{
    const CSysExConverter converter;
    char name[64];
    int kind = -1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            converter.ParseReply(reply.data(), static_cast<std::uint32_t>(reply.size()), name, sizeof name, kind));
        benchmark::DoNotOptimize(kind);
    }
    if (kind != expectedKind)
        state.SkipWithError("reply not recognised as expected");
}

void BM_ParseCompletionReply(benchmark::State& state)
{
    ParseBench(state, {0xF0, 0x7D, 0x10, 0x3E, 0x13, 0x53, 0x44, 0x45, 0x44, 0x7F, 0xF7},
               CSysExConverter::kReplyCompletion);
}
BENCHMARK(BM_ParseCompletionReply);

void BM_ParseIdentityReply(benchmark::State& state)
{
    ParseBench(state, IdentityReply(), CSysExConverter::kReplyIdentity);
}
BENCHMARK(BM_ParseIdentityReply);

void BM_ParseForeignMessage(benchmark::State& state)
{
    Bytes reply = IdentityReply();
    reply[53] ^= 0x01; // wrong checksum: checked in full, then refused
    ParseBench(state, reply, CSysExConverter::kReplyNone);
}
BENCHMARK(BM_ParseForeignMessage);

} // namespace

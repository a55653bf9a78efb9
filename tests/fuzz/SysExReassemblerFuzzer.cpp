// Feeds arbitrary MIDI byte streams to the driver's system-exclusive reassembler, once whole and once
// cut into chunks of varying size. Input layout: byte 0 picks the message limit (255: the default,
// otherwise 2 + 4 * byte), byte 1 seeds the chunk sizes, the rest is the stream.
// Checks: every delivered message is F0, data bytes only, F7, within the limit; the outcomes do not
// depend on how the stream was cut; after a stream that ends outside a message nothing is pending.
#include "SysExReassembler.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

// Every outcome in order: a delivered message as its bytes, a broken one as a single empty entry.
struct RecordingSink : CSysExReassembler::Sink {
    explicit RecordingSink(std::size_t limit) : limit(limit) {}
    void OnMessage(const std::uint8_t* pBytes, std::size_t count) override
    {
        Require(count >= 2 && count <= limit);
        Require(pBytes[0] == 0xF0 && pBytes[count - 1] == 0xF7);
        for (std::size_t i = 1; i + 1 < count; ++i)
            Require(pBytes[i] < 0x80);
        outcomes.emplace_back(pBytes, pBytes + count);
    }
    void OnBroken() override { outcomes.emplace_back(); }

    std::size_t limit;
    std::vector<std::vector<std::uint8_t>> outcomes;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return -1;
    const std::size_t limit = data[0] == 255 ? CSysExReassembler::DEFAULT_LIMIT : 2 + 4 * std::size_t{data[0]};
    std::uint32_t seed = data[1] | 1u;
    const std::uint8_t* stream = data + 2;
    const std::size_t count = size - 2;

    CSysExReassembler whole(limit);
    RecordingSink wholeSink(limit);
    whole.Feed(stream, count, wholeSink);

    CSysExReassembler chunked(limit);
    RecordingSink chunkedSink(limit);
    for (std::size_t at = 0; at < count;) {
        seed = seed * 1103515245u + 12345u;
        const std::size_t chunk = std::min<std::size_t>(1 + (seed >> 16) % 17, count - at);
        chunked.Feed(stream + at, chunk, chunkedSink);
        at += chunk;
    }
    chunked.Feed(stream, 0, chunkedSink); // an empty chunk changes nothing

    Require(wholeSink.outcomes == chunkedSink.outcomes);
    Require(whole.InMessage() == chunked.InMessage());

    // After Reset, a fresh well-formed message within the limit comes through whole.
    whole.Reset();
    RecordingSink afterReset(limit);
    const std::uint8_t probe[] = {0xF0, 0x7E, 0xF7};
    const std::uint8_t shortest[] = {0xF0, 0xF7};
    if (limit >= sizeof probe)
        whole.Feed(probe, sizeof probe, afterReset);
    else
        whole.Feed(shortest, sizeof shortest, afterReset);
    Require(afterReset.outcomes.size() == 1 && !afterReset.outcomes[0].empty());
    return 0;
}

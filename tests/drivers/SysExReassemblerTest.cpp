#include <gtest/gtest.h>

#include <random>
#include <string>

#include "SysExReassembler.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// What the reassembler reported, in order: each message as its bytes, each break as an empty entry.
struct Outcomes : CSysExReassembler::Sink {
    std::vector<Bytes> items;
    void OnMessage(const std::uint8_t* p, std::size_t n) override { items.emplace_back(p, p + n); }
    void OnBroken() override { items.emplace_back(); }
};

std::vector<Bytes> FeedChunks(const std::vector<Bytes>& chunks, std::size_t limit = CSysExReassembler::DEFAULT_LIMIT)
{
    CSysExReassembler reassembler(limit);
    Outcomes out;
    for (const Bytes& chunk : chunks)
        reassembler.Feed(chunk.data(), chunk.size(), out);
    return out.items;
}

const Bytes BROKEN; // how a break shows in the outcome list

struct Case {
    const char* name;
    std::vector<Bytes> chunks;
    std::vector<Bytes> expected;
};

class SysExReassemblerCases : public ::testing::TestWithParam<Case> {};

TEST_P(SysExReassemblerCases, YieldsExactlyTheExpectedOutcomes)
{
    EXPECT_EQ(FeedChunks(GetParam().chunks), GetParam().expected);
}

const Case CASES[] = {
    {"Whole",
     {{0xF0, 0x7D, 0x10, 0xF7}},                                 // one message in one event
     {{0xF0, 0x7D, 0x10, 0xF7}}},
    {"SplitOverTwo",
     {{0xF0, 0x7D}, {0x10, 0xF7}},                               // cut after the manufacturer byte
     {{0xF0, 0x7D, 0x10, 0xF7}}},
    {"SplitOverThree",
     {{0xF0}, {0x7D, 0x10}, {0xF7}},                             // start alone, middle, end alone
     {{0xF0, 0x7D, 0x10, 0xF7}}},
    {"RealtimeInside",
     {{0xF0, 0xF8, 0x7D}, {0xFE, 0x10, 0xFA, 0xF7}},             // clock, active sensing, start
     {{0xF0, 0x7D, 0x10, 0xF7}}},
    {"SecondStartEndsTheFirst",
     {{0xF0, 0x01, 0x02}, {0xF0, 0x03, 0xF7}},                   // first never ends
     {BROKEN, {0xF0, 0x03, 0xF7}}},
    {"EmptyMessage",
     {{0xF0, 0xF7}},                                             // nothing between start and end
     {{0xF0, 0xF7}}},
    {"ChannelMessageBreaksIt",
     {{0xF0, 0x01, 0x90, 0x40, 0x7F}, {0xF0, 0x02, 0xF7}},       // note-on inside a message
     {BROKEN, {0xF0, 0x02, 0xF7}}},
    {"StrayEnd",
     {{0xF7}, {0xF0, 0x01, 0xF7}},                               // end without start
     {BROKEN, {0xF0, 0x01, 0xF7}}},
    {"ChannelTrafficOutsideIsIgnored",
     {{0x90, 0x40, 0x7F, 0x41, 0x00}, {0xB0, 0x07, 0x64}},       // notes and a controller
     {}},
    {"TwoInOneEvent",
     {{0xF0, 0x01, 0xF7, 0xF0, 0x02, 0xF7}},                     // back to back
     {{0xF0, 0x01, 0xF7}, {0xF0, 0x02, 0xF7}}},
    {"UnfinishedAtTheEnd",
     {{0xF0, 0x01, 0x02}},                                       // still waiting for more
     {}},
};

INSTANTIATE_TEST_SUITE_P(Table, SysExReassemblerCases, ::testing::ValuesIn(CASES),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SysExReassembler, MessageOverOneKilobyteIsDeliveredWhole)
{
    Bytes message(3000, 0x42);
    message.front() = 0xF0;
    message.back() = 0xF7;
    const auto items = FeedChunks({Bytes(message.begin(), message.begin() + 1500), Bytes(message.begin() + 1500, message.end())});
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0], message);
}

TEST(SysExReassembler, MessageOverTheLimitIsBrokenAndTheNextOneIsWhole)
{
    Bytes message(40, 0x42);
    message.front() = 0xF0;
    message.back() = 0xF7;
    EXPECT_EQ(FeedChunks({message, {0xF0, 0x01, 0xF7}}, 32), (std::vector<Bytes>{BROKEN, {0xF0, 0x01, 0xF7}}));
    message.resize(32);
    message.back() = 0xF7; // exactly the limit
    EXPECT_EQ(FeedChunks({message}, 32), (std::vector<Bytes>{message}));
}

TEST(SysExReassembler, ResetForgetsAMessageInProgressSilently)
{
    CSysExReassembler reassembler;
    Outcomes out;
    const Bytes start = {0xF0, 0x01};
    const Bytes rest = {0x02, 0xF7};
    reassembler.Feed(start.data(), start.size(), out);
    EXPECT_TRUE(reassembler.InMessage());
    reassembler.Reset();
    reassembler.Feed(rest.data(), rest.size(), out);
    EXPECT_EQ(out.items, (std::vector<Bytes>{BROKEN})); // the orphaned F7
}

// Property: however a stream is cut into events, the same messages and breaks come out.
TEST(SysExReassembler, AnyChunkingOfAStreamYieldsTheSameOutcomes)
{
    std::mt19937 random(20240607);
    const std::uint8_t alphabet[] = {0xF0, 0xF7, 0xF8, 0xFE, 0x90, 0x00, 0x13, 0x7F, 0x41, 0x55};
    for (int round = 0; round < 300; ++round) {
        Bytes stream(1 + random() % 200);
        for (auto& b : stream)
            b = (random() % 3 == 0) ? alphabet[random() % std::size(alphabet)] : static_cast<std::uint8_t>(random() % 0x80);
        const auto whole = FeedChunks({stream});
        std::vector<Bytes> chunks;
        for (std::size_t at = 0; at < stream.size();) {
            const std::size_t n = std::min<std::size_t>(1 + random() % 7, stream.size() - at);
            chunks.emplace_back(stream.begin() + static_cast<long>(at), stream.begin() + static_cast<long>(at + n));
            at += n;
        }
        ASSERT_EQ(FeedChunks(chunks), whole) << "round " << round;
        std::vector<Bytes> single;
        for (std::uint8_t b : stream)
            single.push_back({b});
        ASSERT_EQ(FeedChunks(single), whole) << "round " << round;
    }
}

} // namespace

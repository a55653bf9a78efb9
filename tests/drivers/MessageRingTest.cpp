#include <gtest/gtest.h>

#include <numeric>
#include <thread>

#include "MessageRing.h"

namespace {

std::vector<std::uint8_t> PopNext(CMessageRing& ring)
{
    std::uint32_t n = 0;
    if (!ring.PeekSize(n))
        return {};
    std::vector<std::uint8_t> record(n);
    ring.Pop(record.data(), n);
    return record;
}

TEST(MessageRing, RecordsComeOutWholeAndInOrderAcrossTheWrap)
{
    CMessageRing ring(64);
    std::uint32_t n = 0;
    EXPECT_FALSE(ring.PeekSize(n));
    for (std::uint8_t round = 0; round < 20; ++round) {
        const std::vector<std::uint8_t> a(11, round), b(17, static_cast<std::uint8_t>(round + 100));
        ASSERT_TRUE(ring.Push(a.data(), 11));
        ASSERT_TRUE(ring.Push(b.data(), 17));
        EXPECT_EQ(PopNext(ring), a);
        EXPECT_EQ(PopNext(ring), b);
    }
}

TEST(MessageRing, AFullRingRefusesWithoutWritingAndAcceptsAfterReading)
{
    CMessageRing ring(64);
    EXPECT_EQ(ring.MaxRecord(), 60u);
    const std::vector<std::uint8_t> big(40, 1), small(20, 2);
    ASSERT_TRUE(ring.Push(big.data(), 40));
    EXPECT_FALSE(ring.HasRoomFor(20));
    EXPECT_FALSE(ring.Push(small.data(), 20));
    EXPECT_EQ(PopNext(ring), big);
    EXPECT_TRUE(ring.Push(small.data(), 20));
    EXPECT_EQ(PopNext(ring), small);
    EXPECT_TRUE(ring.Push(nullptr, 0)); // an empty record is a record
    std::uint32_t n = 99;
    ASSERT_TRUE(ring.PeekSize(n));
    EXPECT_EQ(n, 0u);
}

// One producer and one consumer thread: every record arrives intact and in order.
TEST(MessageRing, ProducerAndConsumerThreadsAgree)
{
    CMessageRing ring(256);
    constexpr int COUNT = 20000;
    std::thread producer([&] {
        for (int i = 0; i < COUNT;) {
            std::vector<std::uint8_t> record(1 + i % 50);
            std::iota(record.begin(), record.end(), static_cast<std::uint8_t>(i));
            if (ring.Push(record.data(), static_cast<std::uint32_t>(record.size())))
                ++i;
            else
                std::this_thread::yield();
        }
    });
    for (int i = 0; i < COUNT;) {
        const auto record = PopNext(ring);
        if (record.empty()) {
            std::this_thread::yield();
            continue;
        }
        std::vector<std::uint8_t> expected(1 + i % 50);
        std::iota(expected.begin(), expected.end(), static_cast<std::uint8_t>(i));
        ASSERT_EQ(record, expected) << i;
        ++i;
    }
    producer.join();
}

} // namespace

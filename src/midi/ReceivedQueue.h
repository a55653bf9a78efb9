#pragma once
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

// The console's messages that count for the exchange, in the order they arrived, each with the
// process cycle of its arrival. Nothing replaces anything: a message that follows another within one
// poll of the driver waits behind it. The queue holds as much as the driver can deliver in one poll
// (its incoming ring); beyond that a message is dropped and the queue says so until it is cleared, so
// that an exchange whose answers went missing never takes the answer it happens to hold for its own.
//
// Threads: Push runs on the driver's thread, the rest on the thread running the exchange; a mutex
// keeps them apart and nothing under it blocks.
class CReceivedQueue {
public:
    static constexpr std::size_t kMaxBytes = 64 * 1024; // the driver's incoming ring
    static constexpr std::size_t kMaxMessages = 4096;
    static constexpr std::size_t kCostPerMessage = 16; // what the ring spends on a record beyond its bytes

    struct Message {
        std::vector<std::uint8_t> bytes;
        std::uint64_t cycle = 0;
        std::chrono::steady_clock::time_point arrived; // when the driver handed it over
    };

    // False when there is no room (the queue then reports a drop).
    bool Push(const std::uint8_t* pData, std::size_t nLength, std::uint64_t cycle);
    // A copy of the oldest message; false when there is none.
    [[nodiscard]] bool Front(Message& message) const;
    // Takes the oldest message away; false when there was none.
    bool Pop();
    // Forgets every message and any drop.
    void Clear();
    [[nodiscard]] bool Empty() const;
    [[nodiscard]] bool Dropped() const;

private:
    mutable std::mutex m_mutex;
    std::deque<Message> m_messages;
    std::size_t m_nBytes = 0;
    bool m_bDropped = false;
};

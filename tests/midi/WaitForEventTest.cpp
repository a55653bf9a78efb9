#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "midi/MIDIEvent.h"
#include "midi/WaitForEvent.h"

// The wait that Send and Receive share, driven by a scripted millisecond counter.

namespace {

// A counter that advances by step on every reading and counts the readings.
struct SteppingCounter {
    std::uint32_t now;
    std::uint32_t step;
    int readings = 0;
    MillisecondCounter Get()
    {
        return [this] {
            ++readings;
            const std::uint32_t value = now;
            now += step;
            return value;
        };
    }
};

} // namespace

TEST(WaitForEventTest, TimeoutZeroReturnsAtOnceEvenWithAMatchingEvent)
{
    std::atomic<std::int32_t> last{MIDI_EVENT_NONE};
    SteppingCounter counter{1000, 0};
    WaitForEvent(last, 0, {MIDI_EVENT_SENT}, counter.Get());
    EXPECT_EQ(counter.readings, 2);
}

TEST(WaitForEventTest, StopsAtAnEventOfTheSet)
{
    std::atomic<std::int32_t> last{MIDI_EVENT_SEND_FAILED};
    SteppingCounter counter{1000, 0};
    WaitForEvent(last, 1000, {MIDI_EVENT_SENT, MIDI_EVENT_SEND_FAILED}, counter.Get());
    EXPECT_EQ(counter.readings, 2);
}

TEST(WaitForEventTest, EventsOutsideTheSetKeepItWaitingUntilTheTimeout)
{
    std::atomic<std::int32_t> last{99};
    SteppingCounter counter{5000, 10};
    WaitForEvent(last, 50, {MIDI_EVENT_RECEIVED, MIDI_EVENT_RECEIVE_ERROR}, counter.Get());
    // Start, then readings at +10 .. +50.
    EXPECT_EQ(counter.readings, 6);
}

TEST(WaitForEventTest, WaitAcrossTheCounterWrapRestartsItsIntervalAndEnds)
{
    std::atomic<std::int32_t> last{MIDI_EVENT_NONE};
    // Start 20 ms before the wrap; after the wrap the interval starts again at the new value.
    SteppingCounter counter{0xFFFFFFFFU - 19, 10};
    WaitForEvent(last, 40, {MIDI_EVENT_SENT}, counter.Get());
    // Readings: start -20, -10, then 0 (wrapped: the interval restarts), 10, 20, 30, 40 (timeout).
    EXPECT_EQ(counter.readings, 7);
}

TEST(WaitForEventTest, SeesAnEventSetByAnotherThread)
{
    std::atomic<std::int32_t> last{MIDI_EVENT_NONE};
    std::thread driver([&last] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        last.store(MIDI_EVENT_RECEIVED, std::memory_order_release);
    });
    const auto start = std::chrono::steady_clock::now();
    WaitForEvent(last, 60000, {MIDI_EVENT_RECEIVED}, [] {
        return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                              std::chrono::steady_clock::now().time_since_epoch())
                                              .count());
    });
    driver.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    EXPECT_EQ(last.load(), MIDI_EVENT_RECEIVED);
}

TEST(WaitForEventTest, PollsEveryTenMilliseconds)
{
    // Over 300 ms of the real clock the wait looks at the counter once per 10 ms step: at most 30
    // steps fit (plus the start, the first look and one for the millisecond rounding); a loaded machine may oversleep, so only 10
    // are required. A 100 ms step gives 4 readings, a busy loop thousands.
    std::atomic<std::int32_t> last{MIDI_EVENT_NONE};
    int readings = 0;
    WaitForEvent(last, 300, {MIDI_EVENT_SENT}, [&readings] {
        ++readings;
        return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                              std::chrono::steady_clock::now().time_since_epoch())
                                              .count());
    });
    EXPECT_GE(readings, 10);
    EXPECT_LE(readings, 33);
}

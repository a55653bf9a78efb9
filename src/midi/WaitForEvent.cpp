#include "midi/WaitForEvent.h"

#include <algorithm>
#include <chrono>
#include <thread>

void WaitForEvent(const std::atomic<std::int32_t>& nLastEvent, std::uint16_t nTimeout,
                  std::initializer_list<std::int32_t> events, const MillisecondCounter& counter)
{
    std::uint32_t start = counter();
    for (;;) {
        const std::uint32_t now = counter();
        if (now < start)
            start = now;
        if (now - start >= nTimeout)
            return;
        if (std::ranges::find(events, nLastEvent.load(std::memory_order_acquire)) != events.end())
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

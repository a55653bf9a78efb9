#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <initializer_list>

// An unsigned 32-bit millisecond count that wraps at 2^32.
using MillisecondCounter = std::function<std::uint32_t()>;

// Waits until nLastEvent holds one of events or nTimeout milliseconds of counter have passed, polling
// every 10 ms without processing any messages. The timeout is checked first, so 0 returns at once.
// When the counter goes backwards (it wrapped), the interval starts again from the new value, so a
// wait across the wrap still ends. Reports nothing: the caller decides from nLastEvent afterwards.
void WaitForEvent(const std::atomic<std::int32_t>& nLastEvent, std::uint16_t nTimeout,
                  std::initializer_list<std::int32_t> events, const MillisecondCounter& counter);

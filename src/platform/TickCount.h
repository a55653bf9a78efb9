#pragma once
#include <cstdint>

// Milliseconds since an arbitrary start, from the monotonic clock, as an unsigned 32-bit count that wraps
// at 2^32 (about every 49.7 days). Safe to call from any thread.
[[nodiscard]] std::uint32_t GetTickCount();

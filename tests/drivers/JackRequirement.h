#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

// Where JACK is guaranteed (scripts/test installs jackd and sets SONVALE_REQUIRE_JACK=1), a JACK test
// that cannot have its server fails instead of skipping: a run whose JACK tests all skipped would pass
// without having tested the transport.
[[nodiscard]] inline bool JackRequired()
{
    const char* value = std::getenv("SONVALE_REQUIRE_JACK");
    return value != nullptr && *value != '\0' && std::strcmp(value, "0") != 0;
}

// Ends the test because JACK, or what a JACK test needs with it, cannot be had: a skip, or a failure
// where JACK is required. The reason is streamed in:
//   JACK_UNAVAILABLE() << "no private JACK server (" << reason << ")";
#define JACK_UNAVAILABLE()                                                                            \
    return GTEST_MESSAGE_(JackRequired() ? "FAILED (SONVALE_REQUIRE_JACK is set, so JACK must be there): " \
                                         : "SKIPPED: ",                                              \
                          JackRequired() ? ::testing::TestPartResult::kFatalFailure                  \
                                         : ::testing::TestPartResult::kSkip)

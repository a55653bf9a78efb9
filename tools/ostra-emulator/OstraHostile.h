#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The hostile console's choices: for each message it receives, what it decides (for a data message:
// stored, invalid or flash failed) and how it answers (at once, late, never, twice, after garbage or a
// stray answer). Every choice is a pure function of the seed and the message's number, so a run is
// replayed by giving the same seed and numbering the messages from the same point.
class COstraHostile {
public:
    enum class Behaviour {
        AtOnce,       // the answer at once
        Late,         // the answer 0.5-14 s late
        VeryLate,     // the answer 14-28 s late
        Never,        // no answer at all
        Duplicate,    // the answer twice, a few milliseconds apart
        GarbageFirst, // a message that means nothing, then the answer
        OtherFirst,   // another message's answer first (the other kind), then the answer
        StaleFirst,   // a stale answer and the fresh one within one polling step
        StaleAfter,   // the fresh answer and a stale one within one polling step
    };
    enum class Decision { Stored, Invalid, FlashFailed };

    struct Plan {
        Behaviour behaviour = Behaviour::AtOnce;
        Decision decision = Decision::Stored; // data messages only; a malformed one is invalid whatever this says
        unsigned delayMs = 0; // until the (first) answer
        // Between the first and the second answer of the two-answer behaviours; 0: both in one MIDI
        // event, so that the driver receives them in the same JACK cycle.
        unsigned gapMs = 0;
    };

    COstraHostile() = default;
    COstraHostile(std::uint64_t seed, std::vector<Behaviour> only) : m_seed(seed), m_only(std::move(only)) {}

    // The plan for message number `message` (1 for the first the console receives).
    [[nodiscard]] Plan Choose(std::uint64_t message) const;

    [[nodiscard]] static const char* Name(Behaviour behaviour);
    [[nodiscard]] static const char* Name(Decision decision);
    // A behaviour by its name; false when there is none of that name.
    [[nodiscard]] static bool FromName(const std::string& name, Behaviour& behaviour);
    // Every behaviour's name, comma-separated, for the usage text.
    [[nodiscard]] static std::string Names();

private:
    std::uint64_t m_seed = 0;
    std::vector<Behaviour> m_only; // empty: every behaviour, weighted
};

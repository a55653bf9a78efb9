#include "OstraHostile.h"

#include <iterator>

namespace {

struct Weighted {
    COstraHostile::Behaviour behaviour;
    const char* name;
    unsigned weight; // in thousandths of the messages
};

// Most messages are answered at once, so that the answers that misbehave overlap later writers
// rather than every writer being alone with its own misbehaving console.
constexpr Weighted BEHAVIOURS[] = {
    {COstraHostile::Behaviour::AtOnce, "at-once", 420},
    {COstraHostile::Behaviour::Late, "late", 130},
    {COstraHostile::Behaviour::VeryLate, "very-late", 50},
    {COstraHostile::Behaviour::Never, "never", 10},
    {COstraHostile::Behaviour::Duplicate, "duplicate", 75},
    {COstraHostile::Behaviour::GarbageFirst, "garbage-first", 75},
    {COstraHostile::Behaviour::OtherFirst, "other-first", 80},
    {COstraHostile::Behaviour::StaleFirst, "stale-first", 80},
    {COstraHostile::Behaviour::StaleAfter, "stale-after", 80},
};

// splitmix64: the same numbers on every platform and standard library, unlike the distributions of
// <random>, whose results are the library's own.
class Numbers {
public:
    explicit Numbers(std::uint64_t state) : m_state(state) {}
    std::uint64_t Next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // From low to high, both included.
    unsigned Between(unsigned low, unsigned high) { return low + static_cast<unsigned>(Next() % (high - low + 1)); }

private:
    std::uint64_t m_state;
};

} // namespace

COstraHostile::Plan COstraHostile::Choose(std::uint64_t message) const
{
    // One generator per message, so that a message's plan does not depend on those before it.
    Numbers numbers(Numbers(m_seed).Next() ^ (message * 0xD6E8FEB86659FD93ull));
    Plan plan;
    if (m_only.empty()) {
        unsigned pick = numbers.Between(0, 999);
        for (const Weighted& w : BEHAVIOURS) {
            if (pick < w.weight) {
                plan.behaviour = w.behaviour;
                break;
            }
            pick -= w.weight;
        }
    } else {
        plan.behaviour = m_only[numbers.Between(0, static_cast<unsigned>(m_only.size() - 1))];
    }
    const unsigned decision = numbers.Between(0, 99);
    plan.decision = decision < 60 ? Decision::Stored : decision < 80 ? Decision::Invalid : Decision::FlashFailed;
    switch (plan.behaviour) {
    case Behaviour::Late:
        plan.delayMs = numbers.Between(500, 14000);
        break;
    case Behaviour::VeryLate:
        plan.delayMs = numbers.Between(14001, 28000);
        break;
    case Behaviour::Duplicate:
        plan.gapMs = numbers.Between(1, 20);
        break;
    case Behaviour::GarbageFirst:
    case Behaviour::OtherFirst:
    case Behaviour::StaleFirst:
    case Behaviour::StaleAfter:
        // Half of them in one MIDI event, the others in the next JACK cycles.
        plan.gapMs = numbers.Between(0, 1) == 0 ? 0 : numbers.Between(1, 5);
        break;
    case Behaviour::AtOnce:
    case Behaviour::Never:
        break;
    }
    return plan;
}

const char* COstraHostile::Name(Behaviour behaviour)
{
    for (const Weighted& w : BEHAVIOURS)
        if (w.behaviour == behaviour)
            return w.name;
    return "?";
}

const char* COstraHostile::Name(Decision decision)
{
    switch (decision) {
    case Decision::Stored: return "stored";
    case Decision::Invalid: return "invalid";
    case Decision::FlashFailed: return "flash-failed";
    }
    return "?";
}

bool COstraHostile::FromName(const std::string& name, Behaviour& behaviour)
{
    for (const Weighted& w : BEHAVIOURS) {
        if (name == w.name) {
            behaviour = w.behaviour;
            return true;
        }
    }
    return false;
}

std::string COstraHostile::Names()
{
    std::string names;
    for (const Weighted& w : BEHAVIOURS)
        names += (names.empty() ? "" : ", ") + std::string(w.name);
    return names;
}

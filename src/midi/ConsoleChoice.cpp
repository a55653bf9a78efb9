#include "midi/ConsoleChoice.h"

#include <algorithm>

namespace {

std::string NoSuchConsole(const ConsoleWish& wish)
{
    if (wish.client.empty())
        return "no console on the network has the identifier " + std::to_string(*wish.pairId);
    if (wish.pairId)
        return "the client \"" + wish.client + "\" offers no console with the identifier " +
               std::to_string(*wish.pairId);
    return "no console on the network is offered by the client \"" + wish.client + '"';
}

} // namespace

CConsoleChoice::Outcome CConsoleChoice::Choose(const std::vector<ConsoleCandidate>& candidates,
                                               const ConsoleWish& wish, std::size_t& chosen, std::string& detail)
{
    if (candidates.empty())
        return Outcome::NoConsole;
    const bool bAnyMeets = std::any_of(candidates.begin(), candidates.end(),
                                       [&wish](const ConsoleCandidate& c) { return wish.IsMetBy(c); });
    if (!bAnyMeets && !wish.bElseLowest) {
        detail = NoSuchConsole(wish);
        return Outcome::NoSuchConsole;
    }
    // Among the consoles asked for (or all of them, when none is there), the lowest identifier.
    const ConsoleWish in = bAnyMeets ? wish : ConsoleWish{};
    std::size_t first = candidates.size();
    for (std::size_t i = 0; i < candidates.size(); ++i)
        if (in.IsMetBy(candidates[i]) && (first == candidates.size() || candidates[i].pairId < candidates[first].pairId))
            first = i;
    const std::uint32_t pairId = candidates[first].pairId;

    std::vector<std::size_t> matches;
    for (std::size_t i = 0; i < candidates.size(); ++i)
        if (candidates[i].pairId == pairId)
            matches.push_back(i);
    if (matches.size() > 1) {
        detail = std::to_string(matches.size()) + " clients offer a console with the identifier " +
                 std::to_string(pairId) + ": ";
        for (std::size_t i = 0; i < matches.size(); ++i) {
            if (i > 0)
                detail += i + 1 == matches.size() ? " and " : ", ";
            detail += '"' + candidates[matches[i]].client + '"';
        }
        detail += matches.size() == 2 ? "; nothing is sent to either while both offer it"
                                      : "; nothing is sent to any of them while they all offer it";
        return Outcome::Ambiguous;
    }
    chosen = first;
    return Outcome::Chosen;
}

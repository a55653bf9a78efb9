#include "midi/ConsoleChoice.h"

#include <algorithm>

CConsoleChoice::Outcome CConsoleChoice::Choose(const std::vector<ConsoleCandidate>& candidates,
                                               std::optional<std::uint32_t> wanted, std::size_t& chosen,
                                               std::string& detail)
{
    if (candidates.empty())
        return Outcome::NoConsole;
    std::uint32_t pairId = 0;
    if (wanted) {
        pairId = *wanted;
    } else {
        pairId = std::min_element(candidates.begin(), candidates.end(), [](const auto& a, const auto& b) {
                     return a.pairId < b.pairId;
                 })->pairId;
    }

    std::vector<std::size_t> matches;
    for (std::size_t i = 0; i < candidates.size(); ++i)
        if (candidates[i].pairId == pairId)
            matches.push_back(i);
    if (matches.empty()) {
        detail = "no console on the network has the identifier " + std::to_string(pairId);
        return Outcome::NoSuchConsole;
    }
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
    chosen = matches.front();
    return Outcome::Chosen;
}

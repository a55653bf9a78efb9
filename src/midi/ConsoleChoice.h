#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Which console of the network the transport talks to. Every "Tarn" pair of every device is a console
// that could be meant; exchanges go to one of them only, because the console's replies carry no
// request identity and two consoles answering one message would leave the outcome to chance.
//
// The rule: the console asked for (by its client, its pair identifier or both), otherwise the one with
// the lowest identifier. When more than one client offers the identifier so found nobody can tell which
// console is meant, and none is chosen.
struct ConsoleCandidate {
    std::size_t device = 0;  // the caller's index of the device that offers it
    std::string client;      // the device's name (its JACK client)
    std::uint32_t pairId = 0;
};

// The console someone asks for. Nothing asked: the lowest identifier.
struct ConsoleWish {
    std::string client;                  // empty: any client
    std::optional<std::uint32_t> pairId; // none: the lowest identifier (that the client offers, when named)
    // A console asked for that is not on the network gives way to the lowest identifier instead of
    // failing: the window keeps working with the console at hand and says which one it is.
    bool bElseLowest = false;

    [[nodiscard]] bool AsksForOne() const { return !client.empty() || pairId.has_value(); }
    // Whether this console is the one asked for.
    [[nodiscard]] bool IsMetBy(const ConsoleCandidate& console) const
    {
        return (client.empty() || console.client == client) && (!pairId || console.pairId == *pairId);
    }
};

class CConsoleChoice {
public:
    enum class Outcome { Chosen, NoConsole, NoSuchConsole, Ambiguous };

    // Chooses among the candidates. On Chosen, `chosen` is the position in candidates; on Ambiguous and
    // NoSuchConsole, `detail` says so in words that name the clients or the identifier.
    [[nodiscard]] static Outcome Choose(const std::vector<ConsoleCandidate>& candidates, const ConsoleWish& wish,
                                        std::size_t& chosen, std::string& detail);
};

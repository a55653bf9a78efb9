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
// The rule: the console with the pair identifier asked for, otherwise the one with the lowest
// identifier. When more than one client offers that identifier nobody can tell which console is
// meant, and none is chosen.
struct ConsoleCandidate {
    std::size_t device = 0;  // the caller's index of the device that offers it
    std::string client;      // the device's name (its JACK client)
    std::uint32_t pairId = 0;
};

class CConsoleChoice {
public:
    enum class Outcome { Chosen, NoConsole, NoSuchConsole, Ambiguous };

    // Chooses among the candidates. On Chosen, `chosen` is the position in candidates; on Ambiguous and
    // NoSuchConsole, `detail` says so in words that name the clients or the identifier.
    [[nodiscard]] static Outcome Choose(const std::vector<ConsoleCandidate>& candidates,
                                        std::optional<std::uint32_t> wanted, std::size_t& chosen,
                                        std::string& detail);
};

#pragma once
#include "WeakJack.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "PortRules.h"

// One MIDI port of the JACK graph as the driver judges it: its own tags, the rule that matches it, and
// the type and identifier that follow from both (a port's own identifier tag wins over a rule).
struct VornMidiPort {
    std::string name;   // full JACK name
    std::string client; // the client part of the name
    bool input = false; // a JACK input port: messages go to it
    std::optional<std::string> tagType, tagId; // the port's metadata, when set
    std::string rule;   // the section of the rule that matches it; empty when none does
    std::string type;   // the type that applies; empty when none
    std::optional<std::uint32_t> id; // the identifier that applies
};

// Lists MIDI ports and applies the port rules to them.
class CPortCatalog {
public:
    // Every MIDI port of the graph but the driver's own, in JACK's order, with the rules applied. Each
    // rule that is ignored adds a sentence to `problems`.
    [[nodiscard]] static std::vector<VornMidiPort> List(jack_client_t* pClient, const CPortRules& rules,
                                                        std::vector<std::string>& problems);

    // Applies the rules, in file order, to ports whose tags are already read. A rule counts when its
    // input pattern matches exactly one input port and its output pattern exactly one output port, both
    // of one client, and no earlier rule took them.
    static void ApplyRules(std::vector<VornMidiPort>& ports, const std::vector<VornPortRule>& rules,
                           const std::string& path, std::vector<std::string>& problems);

    // The client part of a full port name. A client's name may hold ':' itself (and libjack's short
    // name splits at the first one), so the longest part before a ':' that names a client on the graph
    // is taken; empty when none does. `known` remembers the answers of one listing.
    [[nodiscard]] static std::string ClientOf(jack_client_t* pClient, std::string_view full,
                                              std::map<std::string, bool>& known);

    // The metadata value of a port, when it has one that is not empty.
    [[nodiscard]] static std::optional<std::string> Property(jack_port_t* pPort, const char* key);
};

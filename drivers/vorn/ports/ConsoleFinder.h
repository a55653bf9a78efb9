#pragma once
#include "WeakJack.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "PortRules.h"

// Finds consoles whose ports carry no tags by asking them: every pair of MIDI ports of one client that
// pair up by name (CPortPairing) and that neither a tag nor a rule makes a pair gets the console's
// identity request, all at once, and a pair that answers with a well-formed identity reply is a
// console. It gets the smallest identifier that no other port of its client and no other console
// carries (two clients offering one console identifier cannot be told apart), and is kept as a rule in
// the driver's rules file ("found = asked"), so that the next start finds it without asking.
//
// A pair is asked once in a process: one that did not answer as a console is sent nothing else. The
// record of what was asked, and of the consoles found, is the process's (programs that open several
// driver objects one after another keep it); a console whose rule could not be written is still
// used in this process.
//
// The asking opens a JACK client of its own and connects its ports: the caller holds the graph lock.
// Threads: any thread; calls are serialised.
class CConsoleFinder {
public:
    // How long the consoles have to answer.
    static constexpr std::chrono::milliseconds WAIT{500};

    struct Answer {
        std::string client, input, output;
        enum class Kind { Console, Silent, NotConsole, Unreachable } kind = Kind::Silent;
        std::string entry;   // the entry a console holds
        std::uint32_t id = 0; // the identifier a console got
        std::string keptIn;  // the rules file it was kept in; empty when it could not be kept
        std::string problem; // why it could not be kept
    };

    // Asks the pairs on the graph that carry no type or identifier (through tags or `rules`): those not
    // asked before in this process, or all of them with `again`. `error` says why nothing could be
    // asked (no JACK client for asking).
    [[nodiscard]] static std::vector<Answer> AskUntagged(jack_client_t* pView, const CPortRules& rules, bool again,
                                                         std::string& error);
    // The rules of the consoles found in this process that the rules file does not hold.
    [[nodiscard]] static std::vector<VornPortRule> FoundOutsideFile(const CPortRules& rules);
    // Whether the driver asks by itself when no console is known: not when VORN_JACK_ASK is "0" (for a
    // graph whose devices should hear nothing they were not meant for; sonvale-cli find still asks).
    [[nodiscard]] static bool AskingWanted();
    // The type the console's ports have: "Tarn".
    [[nodiscard]] static std::string ConsoleType();
};

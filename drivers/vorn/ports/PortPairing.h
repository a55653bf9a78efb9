#pragma once
#include <string>
#include <vector>

// Which of a client's MIDI ports make a pair, from their names alone, as bridges name the two ports of
// one device: "USB MIDI [20] (capture): USB MIDI MIDI 1" with "... (playback): ...", "MIDI 1 (capture)"
// with "MIDI 1 (playback)", "midi_capture_1" with "midi_playback_1", "Tarn-1-out" with "Tarn-1-in".
//
// Two ports pair when their names are the same once one word that says the port's direction is taken
// out: for a port replies come from (a JACK output) "capture", "out" or "output", for a port messages go
// to (a JACK input) "playback", "in" or "input", in any case; a word is a run of ASCII letters, and the
// last such word of the name counts. Only names that pair one to one make a pair. A client with exactly
// one output and one input port and no pair by name has those two as its pair.
class CPortPairing {
public:
    struct Port {
        std::string name; // the full JACK name
        bool input = false;
    };
    struct Pair {
        std::string input;  // messages go to it
        std::string output; // replies come from it
    };

    // The pairs of one client's ports, in the order of their input ports. Only the part of each name
    // after "client:" is looked at.
    [[nodiscard]] static std::vector<Pair> Pairs(const std::string& client, const std::vector<Port>& ports);
    // The name with the direction word taken out (replaced by one control character), or empty when it
    // has none for this direction.
    [[nodiscard]] static std::string Key(const std::string& name, bool input);
};

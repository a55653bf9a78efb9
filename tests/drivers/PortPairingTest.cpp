// Which MIDI ports of a client the driver asks as one pair, from the names real bridges give them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PortPairing.h"

namespace {

struct PairingCase {
    const char* bridge;
    const char* client;
    std::vector<CPortPairing::Port> ports;
    std::vector<CPortPairing::Pair> pairs; // in the order of their input ports
};

void PrintTo(const PairingCase& c, std::ostream* os) { *os << c.bridge; }

class PortPairingTest : public testing::TestWithParam<PairingCase> {};

TEST_P(PortPairingTest, BridgePortsPairByName)
{
    const PairingCase& c = GetParam();
    const std::vector<CPortPairing::Pair> pairs = CPortPairing::Pairs(c.client, c.ports);
    ASSERT_EQ(pairs.size(), c.pairs.size()) << c.bridge;
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        EXPECT_EQ(pairs[i].input, c.pairs[i].input) << c.bridge;
        EXPECT_EQ(pairs[i].output, c.pairs[i].output) << c.bridge;
    }
}

constexpr bool IN = true;
constexpr bool OUT = false;

INSTANTIATE_TEST_SUITE_P(
    Bridges, PortPairingTest,
    testing::Values(
        // a2jmidid: every ALSA port on one client; the ALSA client number in brackets, the direction in
        // parentheses before the ALSA port's own name.
        PairingCase{"a2jmidid",
                    "a2j",
                    {{"a2j:Midi Through [14] (capture): Midi Through Port-0", OUT},
                     {"a2j:Midi Through [14] (playback): Midi Through Port-0", IN},
                     {"a2j:USB MIDI Interface [20] (capture): USB MIDI Interface MIDI 1", OUT},
                     {"a2j:USB MIDI Interface [20] (playback): USB MIDI Interface MIDI 1", IN}},
                    {{"a2j:Midi Through [14] (playback): Midi Through Port-0",
                      "a2j:Midi Through [14] (capture): Midi Through Port-0"},
                     {"a2j:USB MIDI Interface [20] (playback): USB MIDI Interface MIDI 1",
                      "a2j:USB MIDI Interface [20] (capture): USB MIDI Interface MIDI 1"}}},
        // PipeWire 0.3.65's ALSA MIDI bridge: the direction in parentheses at the end.
        PairingCase{"PipeWire Midi-Bridge",
                    "Midi-Bridge",
                    {{"Midi-Bridge:Midi Through Port-0 (capture)", OUT},
                     {"Midi-Bridge:Midi Through Port-0 (playback)", IN},
                     {"Midi-Bridge:USB MIDI Interface MIDI 1 (capture)", OUT},
                     {"Midi-Bridge:USB MIDI Interface MIDI 1 (playback)", IN},
                     {"Midi-Bridge:USB MIDI Interface MIDI 2 (capture)", OUT}},
                    {{"Midi-Bridge:Midi Through Port-0 (playback)", "Midi-Bridge:Midi Through Port-0 (capture)"},
                     {"Midi-Bridge:USB MIDI Interface MIDI 1 (playback)",
                      "Midi-Bridge:USB MIDI Interface MIDI 1 (capture)"}}},
        // Later PipeWire: the device's name, then the direction with the port's number in parentheses.
        PairingCase{"PipeWire Midi-Bridge, numbered",
                    "Midi-Bridge",
                    {{"Midi-Bridge:USB MIDI Interface:(capture_0) USB MIDI Interface MIDI 1", OUT},
                     {"Midi-Bridge:USB MIDI Interface:(playback_0) USB MIDI Interface MIDI 1", IN}},
                    {{"Midi-Bridge:USB MIDI Interface:(playback_0) USB MIDI Interface MIDI 1",
                      "Midi-Bridge:USB MIDI Interface:(capture_0) USB MIDI Interface MIDI 1"}}},
        // jackd's own ALSA MIDI ports (-X seq or raw): numbered in each direction.
        PairingCase{"jackd system",
                    "system",
                    {{"system:midi_capture_1", OUT},
                     {"system:midi_capture_2", OUT},
                     {"system:midi_playback_1", IN},
                     {"system:midi_playback_2", IN}},
                    {{"system:midi_playback_1", "system:midi_capture_1"},
                     {"system:midi_playback_2", "system:midi_capture_2"}}},
        // The emulated console: a pair per identifier.
        PairingCase{"ostra-emulator",
                    "Ostra",
                    {{"Ostra:Tarn-1-in", IN}, {"Ostra:Tarn-1-out", OUT}, {"Ostra:Tarn-2-in", IN},
                     {"Ostra:Tarn-2-out", OUT}},
                    {{"Ostra:Tarn-1-in", "Ostra:Tarn-1-out"}, {"Ostra:Tarn-2-in", "Ostra:Tarn-2-out"}}},
        // Programs with one MIDI port each way.
        PairingCase{"midi_in / midi_out", "synth", {{"synth:midi_out", OUT}, {"synth:midi_in", IN}},
                    {{"synth:midi_in", "synth:midi_out"}}},
        PairingCase{"Input / Output", "Box", {{"Box:MIDI Input", IN}, {"Box:MIDI Output", OUT}},
                    {{"Box:MIDI Input", "Box:MIDI Output"}}},
        // Only the last direction word counts: "in" in a device's name is not the direction.
        PairingCase{"a word like the direction in the name",
                    "Bridge",
                    {{"Bridge:Plug in 1 (capture)", OUT}, {"Bridge:Plug in 1 (playback)", IN},
                     {"Bridge:Plug in 2 (capture)", OUT}, {"Bridge:Plug in 2 (playback)", IN}},
                    {{"Bridge:Plug in 1 (playback)", "Bridge:Plug in 1 (capture)"},
                     {"Bridge:Plug in 2 (playback)", "Bridge:Plug in 2 (capture)"}}},
        // The client's own name is not looked at.
        PairingCase{"direction word in the client's name",
                    "Out Box",
                    {{"Out Box:port 1 in", IN}, {"Out Box:port 1 out", OUT}, {"Out Box:port 2 in", IN}},
                    {{"Out Box:port 1 in", "Out Box:port 1 out"}}},
        // One port each way with names that say nothing: the client's only pair.
        PairingCase{"one each way, other names", "Link", {{"Link:to device", IN}, {"Link:from device", OUT}},
                    {{"Link:to device", "Link:from device"}}},
        // Names that pair more than one way pair none; two inputs and one output are no pair either.
        PairingCase{"ambiguous names", "Dup",
                    {{"Dup:port in", IN}, {"Dup:port input", IN}, {"Dup:port out", OUT}}, {}},
        // A direction word that contradicts the port's direction is no direction word for it.
        PairingCase{"contradicting words", "Odd",
                    {{"Odd:x out", IN}, {"Odd:x in", OUT}, {"Odd:y", IN}, {"Odd:z", IN}}, {}},
        // Capture and playback are words, not parts of words.
        PairingCase{"words, not parts of words", "W",
                    {{"W:inside 1", IN}, {"W:outside 1", OUT}, {"W:spare", OUT}}, {}},
        PairingCase{"inputs only", "Sink", {{"Sink:midi_in", IN}}, {}}),
    [](const testing::TestParamInfo<PairingCase>& info) {
        std::string name;
        for (const char* p = info.param.bridge; *p; ++p)
            name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
        return name;
    });

} // namespace

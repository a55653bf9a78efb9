#pragma once
#include "WeakJack.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "PortPairing.h"

// Sends the console's identity request to several port pairs at once and collects what each pair's
// output sends back until one deadline, through a short-lived JACK client of its own: its ports are
// registered before it goes active and go with it, so no running client gains or loses a port.
//
// The client is named as a driver's ("vorn-driver-ask-PID"), so the drivers of running programs pay
// no heed to it coming and going. Opening, connecting and closing it change the graph: the caller holds
// the graph lock.
//
// Threads: used by one thread; JACK's process thread writes the request and collects the bytes.
class CIdentityAsk {
public:
    struct Outcome {
        CPortPairing::Pair pair;
        bool reached = false; // both connections were made and the request went out
        bool answered = false; // something came back
        bool console = false;  // a well-formed identity reply came back
        std::string entry;     // the entry the console holds, when it is one
    };

    // Asks every pair; the outcomes are in the order of `pairs`. An empty result with `error` set when
    // no JACK client could be had. `wait` runs from the moment the requests went out.
    [[nodiscard]] static std::vector<Outcome> Ask(const std::vector<CPortPairing::Pair>& pairs,
                                                  std::chrono::milliseconds wait, std::string& error);

private:
    static constexpr std::size_t MAX_BYTES = 512; // what one pair may send back before its bytes are cut off

    struct Slot {
        jack_port_t* pOut = nullptr; // to the pair's input
        jack_port_t* pIn = nullptr;  // from the pair's output
        bool connected = false;      // set before the client sends
        std::array<std::uint8_t, MAX_BYTES> bytes{};
        std::atomic<std::size_t> count{0}; // bytes written by the process thread so far
    };
    struct State {
        std::vector<std::unique_ptr<Slot>> slots;
        std::atomic<bool> armed{false};       // the connections stand: send after a few cycles
        std::atomic<unsigned> armedCycles{0};
        std::atomic<bool> sent{false};
    };
    static int OnProcess(jack_nframes_t nframes, void* arg);
    [[nodiscard]] static bool Judge(const Slot& slot, Outcome& outcome);
};

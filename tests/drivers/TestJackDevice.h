#pragma once
#include <jack/jack.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "MessageRing.h"

// A device the tests build by hand on the JACK graph: MIDI port pairs with whatever metadata a case
// needs (or none), that sends exactly the MIDI events it is given. Its input ports only make the pairs
// whole: what reaches them is not looked at.
class CTestJackDevice {
public:
    struct PairSpec {
        std::string name;                // port names are <name>-in and <name>-out
        std::optional<std::string> id;   // urn:vorn:port-id, when set
        std::optional<std::string> type; // urn:vorn:port-type, when set
        bool withOutput = true;          // false: the pair has no output port
    };

    ~CTestJackDevice() { Close(); }
    [[nodiscard]] bool Open(const std::string& clientName, const std::vector<PairSpec>& pairs);
    void Close();
    [[nodiscard]] std::uint64_t Uuid() const;

    // Queues MIDI events on a pair's output; they go out in one process cycle, in order.
    [[nodiscard]] bool SendEvents(std::size_t pair, const std::vector<std::vector<std::uint8_t>>& events);

private:
    struct Pair {
        jack_port_t* pIn = nullptr;
        jack_port_t* pOut = nullptr;
        std::unique_ptr<CMessageRing> outgoing;
    };
    static int OnProcess(jack_nframes_t nframes, void* arg);

    jack_client_t* m_pClient = nullptr;
    std::vector<Pair> m_pairs;
};

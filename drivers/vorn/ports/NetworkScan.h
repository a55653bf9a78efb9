#pragma once
#include "WeakJack.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "PortRules.h"
#include "PortTags.h"

// The JACK client name of every driver object; JACK appends "-01", "-02", ... when it is taken.
inline constexpr std::string_view VORN_DRIVER_CLIENT_NAME = "vorn-driver";

// One typed port pair of a device.
struct VornPortPair {
    std::uint32_t id = 0;
    std::uint32_t typeCode = 0;  // first character in the most significant byte; 0 when untyped
    std::string deviceInput;     // full JACK name of the device's MIDI input port
    std::string deviceOutput;    // full JACK name of the device's MIDI output port
    bool shared = false;         // a client that is not a driver's sends to deviceInput too
    enum class FoundBy { Tag, Rule, Asked } foundBy = FoundBy::Tag; // what made the two ports a pair
};

// One device: another JACK client with at least one port pair.
struct VornNetworkDevice {
    std::uint64_t id = 0; // the client's JACK UUID
    std::string name;     // the client's JACK name
    std::vector<VornPortPair> pairs; // in ascending identifier order
};

// Reads the devices on the JACK graph through one client's view of it.
class CNetworkScan {
public:
    // Every device now, ordered by client name, with the port rules applied; driver clients (this
    // driver's and other copies') are left out. The rules' problems are reported once.
    [[nodiscard]] static std::vector<VornNetworkDevice> Scan(jack_client_t* pClient, const CPortRules& rules);
    // Whether a JACK client name, or the client part of a full port name, belongs to a driver object.
    [[nodiscard]] static bool IsDriverName(std::string_view clientOrPortName);
    // The full names of the ports of clients other than drivers that send to the named input port, in
    // JACK's order.
    [[nodiscard]] static std::vector<std::string> OtherSenders(jack_client_t* pClient, const std::string& input);
    // The type code of a port-type value: its four characters, or 0 when it is not exactly four bytes.
    [[nodiscard]] static std::uint32_t TypeCodeOf(std::string_view value);
};

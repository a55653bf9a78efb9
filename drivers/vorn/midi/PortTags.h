#pragma once
// The JACK metadata keys that make a MIDI port a console port. Both ports of a pair, the console's input
// (messages go there) and its output (replies come from there), carry the same two values. Devices set
// them; the driver reads them.
#include <string_view>

inline constexpr const char* VORN_KEY_PORT_TYPE = "urn:vorn:port-type"; // four characters, e.g. "Tarn"
inline constexpr const char* VORN_KEY_PORT_ID = "urn:vorn:port-id";     // decimal, 0 to 4294967295
// What every key of the driver's own starts with.
inline constexpr std::string_view VORN_KEY_PREFIX = "urn:vorn:";

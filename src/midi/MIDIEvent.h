#pragma once
#include <cstdint>

// The transport events that the driver's observers report to CMIDIController::OnEvent. The controller
// records the last one; Send waits for a transmission result (5 or 6), Receive for a receive outcome
// (3 or 4). Any other code is recorded and has no further effect.
inline constexpr std::int32_t MIDI_EVENT_NONE = 0;             // nothing since the last Send began
inline constexpr std::int32_t MIDI_EVENT_CONFIG_NOTICE = 1;    // the network's configuration is changing
inline constexpr std::int32_t MIDI_EVENT_CONFIG_CHANGED = 2;   // it changed; the device listener is told
inline constexpr std::int32_t MIDI_EVENT_RECEIVED = 3;         // a message arrived (length and data given)
inline constexpr std::int32_t MIDI_EVENT_RECEIVE_ERROR = 4;    // a port reported a receive error
inline constexpr std::int32_t MIDI_EVENT_SENT = 5;             // a transmission finished with success
inline constexpr std::int32_t MIDI_EVENT_SEND_FAILED = 6;      // a transmission finished without success

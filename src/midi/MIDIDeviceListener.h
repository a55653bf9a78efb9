#pragma once
#include <cstdint>

#include "platform/ResultCode.h"

// Told by the transport that the network's configuration has changed. The application implements it.
class CMIDIDeviceListener {
public:
    virtual ~CMIDIDeviceListener() = default;

    // Runs on a driver thread, inside the controller's OnEvent; the only event passed is
    // MIDI_EVENT_CONFIG_CHANGED. Must only note the event and hand it to the user-interface thread
    // (post a message, set a flag) and return at once; it must not open or close the transport.
    virtual ResultCode OnDeviceEvent(std::int32_t nEvent) = 0;
};

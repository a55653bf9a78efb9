#pragma once
#include "platform/ResultCode.h"

// What the main view and its list need of the application object: whether the console connection is
// open, the flag that says a configuration change of the audio network arrived, and the connection
// handling they hand over to after their own exchanges or boxes.
// Everything runs on the user-interface thread (the pending flag is also set on driver threads).
class CApplicationLink
{
public:
    virtual ~CApplicationLink() = default;

    // The application's m_bConnected.
    [[nodiscard]] virtual bool IsConnected() const = 0;
    // The application's m_bDeviceEventPending.
    [[nodiscard]] virtual bool IsDeviceEventPending() const = 0;
    // Clears m_bDeviceEventPending and tells whether it was set.
    virtual bool TakeDeviceEventPending() = 0;
    // The connection error, once per lost connection (see CTarnApp).
    virtual ResultCode ShowConnectionError() = 0;
    // Closes and reopens the transport; a failure goes to ShowConnectionError.
    virtual ResultCode Reconnect() = 0;
};

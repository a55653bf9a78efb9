#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "DriverDiagnosis.h"
#include "platform/ResultCode.h"

// What the Vorn driver shows of the network: every device with its ports, their type codes as the
// transport formats them, and whether the transport would use each port. A port the transport would
// use is opened and let go again, as the transport opens it, so that the survey sees what an update
// meets: ports that refuse connections are told apart. No message is sent. The survey holds the graph
// lock (CGraphLock) exclusively from creating the driver object to letting it go.
class CDeviceSurvey {
public:
    struct Port {
        std::uint32_t id = 0;
        std::uint32_t typeCode = 0;
        std::uint32_t flags = 0;
        std::string typeText; // as CWin32VornMIDIController::FormatTypeCode gives it
        bool used = false;    // the transport opens exactly the ports whose type text is "Tarn"
        bool refused = false; // a used port whose connections the JACK server refused
    };
    // The JACK library the survey went through and the implementation it reached.
    struct Jack {
        std::string implementation; // "jackd, server default", "PipeWire 0.3.65"
        std::string library;        // its file
        std::string how;            // how it was chosen, in words
        std::string key;            // the same as a short key (CJackChoice::Key)
    };
    struct Device {
        std::uint64_t id = 0;
        std::string name;
        bool readable = false; // the device could be opened and its port list read
        std::vector<Port> ports;
    };

    CDeviceSurvey() = default;
    CDeviceSurvey(const CDeviceSurvey&) = delete;
    CDeviceSurvey& operator=(const CDeviceSurvey&) = delete;
    virtual ~CDeviceSurvey() = default;

    // Creates the driver object (its current class, else its older one) and lists the network.
    // RC_EXCHANGE_OK, or RC_DRIVER_UNAVAILABLE when no driver or no device list can be had (Cause says
    // why). The calling thread must have initialised the component runtime.
    [[nodiscard]] ResultCode Run();
    [[nodiscard]] CDriverDiagnosis::Cause Cause() const { return m_cause; }

    [[nodiscard]] const std::vector<Device>& Devices() const { return m_devices; }
    [[nodiscard]] const Jack& JackInUse() const { return m_jack; }
    // Ports the transport would use and could open.
    [[nodiscard]] int UsedPortCount() const;
    // The names of the devices with a used port that refused its connections, comma-separated.
    [[nodiscard]] std::string RefusingDevices() const;

private:
    std::vector<Device> m_devices;
    Jack m_jack;
    CDriverDiagnosis::Cause m_cause = CDriverDiagnosis::Cause::Ready;
};

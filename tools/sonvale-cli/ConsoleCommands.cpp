#include "ConsoleCommands.h"

#include <cstdio>
#include <ostream>

#include "CatalogCommands.h"
#include "DeviceSurvey.h"
#include "platform/ComRuntime.h"

namespace {

std::string Hex(std::uint64_t value, int digits)
{
    char text[24];
    std::snprintf(text, sizeof text, "0x%0*llX", digits, static_cast<unsigned long long>(value));
    return text;
}

} // namespace

CConsoleCommands::CConsoleCommands(const CCatalogCommands& catalog, std::ostream& out, std::ostream& err)
    : m_catalog(catalog), m_out(out), m_err(err)
{
}

CliExitCode CConsoleCommands::ExitCodeFor(ResultCode result)
{
    switch (result) {
    case RC_EXCHANGE_OK:
    case RC_OK: return CliExitCode::Ok;
    case RC_DATA_INVALID: return CliExitCode::DataInvalid;
    case RC_FLASH_WRITE_FAILED: return CliExitCode::FlashFailed;
    default: return CliExitCode::NoConnection;
    }
}

const char* CConsoleCommands::CauseOf(ResultCode result)
{
    switch (result) {
    case RC_DRIVER_UNAVAILABLE: return "the Vorn driver is not available (no driver module, or it lists no devices)";
    case RC_OBSERVER_REFUSED: return "the Vorn driver refused the program's observer";
    case RC_NO_USABLE_PORT: return "no console on the network: no device offers a \"Tarn\" port";
    case RC_SEND_FAILED: return "the console did not confirm the transfer: the message was not sent, or no "
                                "completion reply came within the time-out, or the reply was of another kind";
    case RC_RECEIVE_FAILED: return "the console did not say which entry it holds: no identity reply came within "
                                   "the time-out";
    case RC_DATA_INVALID: return "Sonvale Data is invalid.\nPlease try to update data again.";
    case RC_FLASH_WRITE_FAILED: return "Can't write Sonvale Data to Flash Memory.";
    case RC_OUT_OF_MEMORY: return "out of memory";
    default: return "the exchange with the console failed";
    }
}

CliExitCode CConsoleCommands::Devices()
{
    const bool comInitialized = SUCCEEDED(CoInitialize(nullptr));
    CDeviceSurvey survey;
    const ResultCode result = survey.Run();
    if (comInitialized)
        CoUninitialize();
    if (result != RC_EXCHANGE_OK) {
        m_err << "sonvale-cli: " << CauseOf(result) << '\n';
        return ExitCodeFor(result);
    }

    if (survey.Devices().empty())
        m_out << "No devices on the network.\n";
    for (const CDeviceSurvey::Device& device : survey.Devices()) {
        m_out << "Device " << Hex(device.id, 16) << "  " << device.name << '\n';
        if (!device.readable)
            m_out << "  (the device could not be opened or its ports listed)\n";
        else if (device.ports.empty())
            m_out << "  (no ports)\n";
        for (const CDeviceSurvey::Port& port : device.ports)
            m_out << "  Port " << port.id << "  type " << port.typeText << "  "
                  << (port.used ? "used" : "not used") << '\n';
    }
    if (survey.UsedPortCount() == 0) {
        m_err << "sonvale-cli: " << CauseOf(RC_NO_USABLE_PORT) << '\n';
        return CliExitCode::NoConnection;
    }
    return CliExitCode::Ok;
}

CliExitCode CConsoleCommands::Current(bool)
{
    m_err << "sonvale-cli: " << CauseOf(RC_DRIVER_UNAVAILABLE) << '\n';
    return CliExitCode::NoConnection;
}

CliExitCode CConsoleCommands::Update(const CCliOptions& options)
{
    std::uint16_t key = 0;
    if (!m_catalog.ResolveKey(options, key))
        return CliExitCode::UnknownKey;
    m_err << "sonvale-cli: " << CauseOf(RC_DRIVER_UNAVAILABLE) << '\n';
    return CliExitCode::NoConnection;
}

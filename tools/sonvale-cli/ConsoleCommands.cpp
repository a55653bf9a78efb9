#include "ConsoleCommands.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <ostream>
#include <system_error>
#include <thread>

#include "CatalogCommands.h"
#include "DeviceSurvey.h"
#include "DevicesJson.h"
#include "vorn/VornAsync.h"
#include "DriverDiagnosis.h"
#include "JsonText.h"
#include "WindowConsole.h"
#include "data/DataController.h"
#include "midi/MIDIController.h"
#include "midi/MIDIDevice.h"
#include "midi/Win32VornMIDIController.h"
#include "platform/ComRuntime.h"
#include "platform/TextCodec.h"

namespace {

std::string Hex(std::uint64_t value, int digits)
{
    char text[24];
    std::snprintf(text, sizeof text, "0x%0*llX", digits, static_cast<unsigned long long>(value));
    return text;
}

// How the driver came to know a pair, as devices says it.
const char* FoundBy(std::uint32_t flags)
{
    if ((flags & VORN_PORT_FLAG_BY_ASKING) != 0)
        return "asking";
    return (flags & VORN_PORT_FLAG_BY_RULE) != 0 ? "rule" : "tag";
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
    case RC_DRIVER_UNAVAILABLE: return "the Vorn driver is not available (no driver module, no JACK server, or it "
                                       "lists no devices)";
    case RC_OBSERVER_REFUSED: return "the Vorn driver refused the program's observer";
    case RC_NO_USABLE_PORT: return "no console can be reached through the Vorn driver";
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

std::string CConsoleCommands::Explain(ResultCode result)
{
    if (result == RC_DRIVER_UNAVAILABLE && g_MIDIDevice.m_pController) {
        // The transport is the driver binding: the reason its Open could not create the driver, or why
        // the driver it created gave no device list (no server answers).
        const auto* pTransport = static_cast<const CWin32VornMIDIController*>(g_MIDIDevice.m_pController);
        CDriverDiagnosis::Cause cause = CDriverDiagnosis::CauseOf(pTransport->CreateFailures());
        if (cause == CDriverDiagnosis::Cause::Ready && FAILED(pTransport->DeviceListFailure()))
            cause = CDriverDiagnosis::CauseOfListFailure(pTransport->DeviceListFailure());
        if (cause != CDriverDiagnosis::Cause::Ready)
            return CDriverDiagnosis::Advice(cause);
    }
    if (result == RC_NO_USABLE_PORT)
        return CDriverDiagnosis::NoConsoleAdvice();
    return CauseOf(result);
}

CliExitCode CConsoleCommands::Devices(bool json)
{
    const bool comInitialized = SUCCEEDED(CoInitialize(nullptr));
    CDeviceSurvey survey;
    const ResultCode result = survey.Run();
    if (comInitialized)
        CoUninitialize();
    if (result != RC_EXCHANGE_OK) {
        m_err << "sonvale-cli: "
              << (survey.Cause() != CDriverDiagnosis::Cause::Ready ? CDriverDiagnosis::Advice(survey.Cause())
                                                                   : std::string(CauseOf(result)))
              << '\n';
        return ExitCodeFor(result);
    }

    const auto windowConsole = WindowConsole(survey);
    if (json) {
        WriteDevicesJson(survey, windowConsole, m_out);
    } else {
        const CDeviceSurvey::Jack& jack = survey.JackInUse();
        m_out << "JACK: " << jack.implementation << " (library " << jack.library << ")\n  chosen: " << jack.how << '\n';
        if (survey.Devices().empty())
            m_out << "No devices on the network.\n";
        for (std::size_t d = 0; d < survey.Devices().size(); ++d) {
            const CDeviceSurvey::Device& device = survey.Devices()[d];
            m_out << "Device " << Hex(device.id, 16) << "  " << device.name << '\n';
            if (!device.readable)
                m_out << "  (the device could not be opened or its ports listed)\n";
            else if (device.ports.empty())
                m_out << "  (no ports)\n";
            for (std::size_t p = 0; p < device.ports.size(); ++p) {
                const CDeviceSurvey::Port& port = device.ports[p];
                m_out << "  Port " << port.id << "  type " << port.typeText << "  "
                      << (port.refused ? "used, but its connections are refused" : port.used ? "used" : "not used")
                      << (windowConsole == std::pair{d, p} ? ", the console the window writes to" : "")
                      << ((port.flags & VORN_PORT_FLAG_SHARED) != 0 ? "; another program also sends to it, taking no turns with this one "
                                        "(sonvale-cli ports names it)"
                                      : "")
                      << "\n    found by: " << FoundBy(port.flags) << '\n';
            }
        }
    }
    if (survey.UsedPortCount() == 0) {
        m_err << "sonvale-cli: " << CDriverDiagnosis::NoConsoleAdvice(survey) << '\n';
        return CliExitCode::NoConnection;
    }
    return CliExitCode::Ok;
}

ResultCode CConsoleCommands::Connect()
{
    const ResultCode init = InitMIDIDevice();
    if (init != RC_OK)
        return init;
    g_MIDIDevice.m_pController->SelectConsole(m_wish);
    return g_MIDIDevice.m_pController->Open();
}

std::string CConsoleCommands::ExplainExchange(ResultCode result, const CDataController& controller) const
{
    const CMIDIController* pTransport = g_MIDIDevice.m_pController;
    if (result == RC_NO_USABLE_PORT && pTransport && !pTransport->FaultDetail().empty())
        return pTransport->FaultDetail();
    if (result != RC_SEND_FAILED && result != RC_RECEIVE_FAILED)
        return Explain(result);
    const bool query = result == RC_RECEIVE_FAILED;
    const std::string what = query ? "the console did not say which entry it holds: "
                                   : "the console did not confirm the transfer: ";
    const std::string reply = query ? "identity reply" : "completion reply";
    switch (controller.LastFault()) {
    case CDataController::ExchangeFault::ConsoleBusy:
        return what + "the console is busy with another program (its exchange did not end within the time-out); "
                      "nothing was sent";
    case CDataController::ExchangeFault::NothingSent:
        return what + "nothing could be sent (the driver did not confirm that the message went out)";
    case CDataController::ExchangeFault::NoReply:
        return what + "no reply (no " + reply + " came within the time-out)";
    case CDataController::ExchangeFault::OtherReplies:
        return what + "no reply (only answers to other programs' requests came, no " + reply +
               " within the time-out)";
    case CDataController::ExchangeFault::WrongReply:
        return what + "a wrong reply (the console answered with a message that is no " + reply + ")";
    case CDataController::ExchangeFault::Unproven:
        if (pTransport && !pTransport->LedgerUsable())
            return what + "its answer could be a late answer to an earlier " + (query ? "request" : "write") +
                   ", which cannot be checked because " + pTransport->LedgerProblem().Text() + "; " +
                   (query ? "its answers did not agree" : "the console's entry did not show that it is the answer "
                                                          "to this one") +
                   " (once the record can be used, try again)";
        if (query)
            return what + "its answer could be a late answer to an earlier request (the console still owes "
                          "answers to earlier messages, or answered one twice), and its answers did not agree "
                          "(try again)";
        return what + "its answer could be a late answer to an earlier write (the console still owes answers to "
                      "earlier messages, or answered one twice), and the console's entry did not show that it "
                      "is the answer to this one (try again)";
    case CDataController::ExchangeFault::None:
        break;
    }
    return Explain(result);
}

void CConsoleCommands::Disconnect()
{
    if (g_MIDIDevice.m_pController != nullptr)
        g_MIDIDevice.m_pController->Close();
}

std::string CConsoleCommands::ShownName(std::string_view name)
{
    const std::string valid = NarrowFromWide(WideFromNarrow(name));
    std::string shown;
    for (const char c : valid) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned>(byte));
            shown += escape;
        } else {
            shown += c;
        }
    }
    return shown;
}

CliExitCode CConsoleCommands::Current(bool json)
{
    CDataController controller;
    controller.SetDevice(&g_MIDIDevice);
    ResultCode result = controller.Initialize();
    if (result == RC_OK)
        result = Connect();
    std::string name;
    if (result == RC_EXCHANGE_OK)
        result = controller.QueryCurrentDataName(name);
    Disconnect();
    if (result != RC_EXCHANGE_OK) {
        m_err << "sonvale-cli: " << ExplainExchange(result, controller) << '\n';
        return ExitCodeFor(result);
    }

    const std::int16_t key = m_catalog.KeyOfName(name);
    if (json) {
        m_out << "{\"name\": " << JsonString(name) << ", \"key\": ";
        if (key >= 0)
            m_out << key;
        else
            m_out << "null";
        m_out << "}\n";
    } else {
        m_out << "Current Data : " << ShownName(name);
        if (key >= 0)
            m_out << " (No. " << key << ")\n";
        else
            m_out << " (not a factory entry)\n";
    }
    return CliExitCode::Ok;
}

ResultCode CConsoleCommands::WriteWithProgress(const std::function<ResultCode()>& write)
{
    // The exchange runs on a worker, as in the window, while this thread shows that it is waiting.
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    ResultCode result = RC_UPDATE_NO_RESULT;
    std::thread worker;
    try {
        worker = std::thread([&] {
            const ResultCode written = write();
            const std::lock_guard lock(mutex);
            result = written;
            done = true;
            finished.notify_one();
        });
    } catch (const std::system_error&) {
        // No thread to be had: the same exchange without the dots.
        return write();
    }
    {
        std::unique_lock lock(mutex);
        while (!finished.wait_for(lock, std::chrono::milliseconds(300), [&] { return done; }))
            m_err << '.' << std::flush;
    }
    worker.join();
    m_err << '\n';
    return result;
}

CliExitCode CConsoleCommands::Update(const CCliOptions& options)
{
    std::uint16_t key = 0;
    if (!m_catalog.ResolveKey(options, key))
        return CliExitCode::UnknownKey;
    std::int16_t entryKey = -1;
    const char *name = nullptr, *author = nullptr, *description = nullptr;
    (void)m_catalog.Data().GetEntryInfo(key, entryKey, name, author, description);
    const std::string entryName = name != nullptr ? name : "";

    return Write([key](CDataController& controller) { return controller.WriteEntry(key); },
                 "\"" + entryName + "\" (No. " + std::to_string(key) + ")");
}

CliExitCode CConsoleCommands::WriteMessage(const std::vector<std::uint8_t>& message, const std::string& what)
{
    return Write([&message](CDataController& controller) {
        return controller.WriteMessage(message.data(), static_cast<std::uint32_t>(message.size()));
    }, what);
}

CliExitCode CConsoleCommands::Write(const std::function<ResultCode(CDataController&)>& write, const std::string& what)
{
    CDataController controller;
    controller.SetDevice(&g_MIDIDevice);
    ResultCode result = controller.Initialize();
    if (result == RC_OK)
        result = Connect();
    if (result == RC_EXCHANGE_OK) {
        m_err << "Writing " << what << " to the console" << std::flush;
        result = WriteWithProgress([&] { return write(controller); });
    }
    Disconnect();

    if (result != RC_EXCHANGE_OK) {
        m_err << "sonvale-cli: " << ExplainExchange(result, controller) << '\n';
        return ExitCodeFor(result);
    }
    m_out << "Data update completed. The console holds " << what << ".\n";
    return CliExitCode::Ok;
}

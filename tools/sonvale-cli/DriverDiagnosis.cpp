#include "DriverDiagnosis.h"

#include <cstdlib>

#include "DeviceSurvey.h"
#include "JackLibrary.h"
#include "midi/Win32VornMIDIController.h"
#include "platform/ComRuntime.h"

IVornAsync* CDriverDiagnosis::CreateDriver(Cause& cause)
{
    std::array<HRESULT, 2> failures{};
    IVornAsync* pAsync = CWin32VornMIDIController::CreateDriverObject(&failures);
    cause = pAsync ? Cause::Ready : CauseOf(failures);
    return pAsync;
}

CDriverDiagnosis::Cause CDriverDiagnosis::CauseOf(const std::array<HRESULT, 2>& failures)
{
    if (failures[0] == S_OK && failures[1] == S_OK)
        return Cause::Ready;
    const bool anyModule = failures[0] != REGDB_E_CLASSNOTREG || failures[1] != REGDB_E_CLASSNOTREG;
    const bool noServer = failures[0] == VORN_E_NO_SERVER || failures[1] == VORN_E_NO_SERVER;
    return !anyModule ? Cause::NoModule : noServer ? Cause::NoServer : Cause::Refused;
}

CDriverDiagnosis::Cause CDriverDiagnosis::CauseOfListFailure(HRESULT failure)
{
    return failure == VORN_E_NO_SERVER ? Cause::NoServer : Cause::Refused;
}

std::string CDriverDiagnosis::Advice(Cause cause)
{
    switch (cause) {
    case Cause::NoModule: {
        std::string text = "no Vorn driver module (vorn-jack.so) was found; looked in:";
        for (const std::string& folder : ComDriverFolders())
            text += "\n  " + folder;
        return text + "\nReinstall the package, or build the vorn_jack target.";
    }
    case Cause::NoServer: {
        const CJackLibrary& jack = CJackLibrary::Process();
        if (!jack.Loaded())
            return jack.Problem() + (jack.Choice().reason == CJackChoice::Reason::NamedMissing
                                         ? ".\nUnset it, or let it name an installed JACK library."
                                         : ".\nInstall a JACK library: libjack-jackd2-0 (jackd), or pipewire-jack.");
        const char* name = std::getenv("JACK_DEFAULT_SERVER");
        std::string text = "no JACK server is running";
        if (name != nullptr && *name != '\0')
            text += std::string(" under the name \"") + name + "\" (JACK_DEFAULT_SERVER)";
        text += ", and the driver never starts one.\nStart one first: `jackd -d dummy` (no sound card needed), "
                "QjackCtl, or PipeWire with its JACK library (package pipewire-jack), which the programs use "
                "without a wrapper.";
        if (jack.Choice().reason == CJackChoice::Reason::PipeWireWithoutLibrary)
            text += "\nPipeWire runs for this user, but its JACK library is not installed: install the package "
                    "pipewire-jack.";
        return text;
    }
    case Cause::Refused:
        return "the JACK server refused the Vorn driver's client (run with --verbose to see libjack's reason)";
    case Cause::Ready:
        break;
    }
    return "the Vorn driver lists no devices";
}

std::string CDriverDiagnosis::NoConsoleAdvice(const CDeviceSurvey& survey)
{
    const std::string refusing = survey.RefusingDevices();
    if (!refusing.empty())
        return "no console can be reached: " + refusing + " offers a \"Tarn\" port pair, but the JACK server "
               "refused to connect the driver's ports to it (a server started with a self-connect limit such as "
               "`jackd -a E`, or ports that take no connection).";
    return "no console on the network: the JACK server runs, but no device offers a \"Tarn\" port pair, and no "
           "pair of MIDI ports without tags answered as a console (`sonvale-cli find` asks them again).\n"
           "Tag the console's two MIDI ports as one pair (`sonvale-cli ports` lists them; --keep also writes a "
           "rule that finds them again after a restart):\n"
           "  sonvale-cli tag INPUT OUTPUT";
}

std::string CDriverDiagnosis::NoConsoleAdvice()
{
    const bool comInitialized = SUCCEEDED(CoInitialize(nullptr));
    CDeviceSurvey survey;
    const bool surveyed = survey.Run() == RC_EXCHANGE_OK;
    if (comInitialized)
        CoUninitialize();
    if (!surveyed)
        return Advice(survey.Cause() == Cause::Ready ? Cause::Refused : survey.Cause());
    return NoConsoleAdvice(survey);
}

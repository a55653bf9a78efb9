#include "DriverDiagnosis.h"

#include <cstdlib>

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
        const char* name = std::getenv("JACK_DEFAULT_SERVER");
        std::string text = "no JACK server is running";
        if (name != nullptr && *name != '\0')
            text += std::string(" under the name \"") + name + "\" (JACK_DEFAULT_SERVER)";
        return text + ", and the driver never starts one.\nStart one first: `jackd -d dummy` (no sound card "
                      "needed), QjackCtl, or PipeWire's JACK service (`pw-jack sonvale-cli ...`).";
    }
    case Cause::Refused:
        return "the JACK server refused the Vorn driver's client (run with --verbose to see libjack's reason)";
    case Cause::Ready:
        break;
    }
    return "the Vorn driver lists no devices";
}

const char* CDriverDiagnosis::NoConsoleAdvice()
{
    return "no console on the network: the JACK server runs, but no device offers a \"Tarn\" port pair.\n"
           "Tag the console's two MIDI ports (names as `jack_lsp` lists them), both with the same number:\n"
           "  jack_property --port -s PORT urn:vorn:port-type Tarn\n"
           "  jack_property --port -s PORT urn:vorn:port-id 1";
}

// Linked with the program's own main.cpp, so its process-wide objects are defined and ordered exactly
// as in the program. Before main it puts a console and a preference store into the two holders whose
// destructors report, on stdout, which of the other objects are already gone. The test starts it as a
// second instance, so the program ends at once through its real exit path.
#include <unistd.h>

#include <cstring>
#include <memory>

#include "app/TarnApp.h"
#include "data/FakeMIDIController.h"
#include "midi/MIDIDevice.h"
#include "prefs/Preference.h"
#include "prefs/Win32PrefHandler.h"

namespace {

constinit bool g_bControllerDestroyed = false;

// Written with write(2): stdio may already be shut down when the last holders go.
void Report(const char* pszLine)
{
    (void)!write(STDOUT_FILENO, pszLine, std::strlen(pszLine));
}

class ProbeController : public FakeMIDIController
{
public:
    ~ProbeController() override
    {
        Report(TarnApp() ? "MIDI holder destroyed while the application object lives\n"
                         : "MIDI holder destroyed after the application object\n");
        g_bControllerDestroyed = true;
    }
};

class ProbeStore : public CWin32PrefHandler
{
public:
    ~ProbeStore() override
    {
        Report(g_bControllerDestroyed ? "preference holder destroyed after the MIDI holder\n"
                                      : "preference holder destroyed while the MIDI holder lives\n");
    }
};

struct InstallProbes {
    InstallProbes()
    {
        g_MIDIDevice.m_pController = new ProbeController;
        g_Preference.Reset(std::make_unique<ProbeStore>());
    }
};

InstallProbes g_installProbes;

} // namespace

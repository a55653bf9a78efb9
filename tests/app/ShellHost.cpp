// The application as the program runs it, over a scripted console that is always there, for the tests
// that need a process of their own (a second instance, a crashed one). It reports on stdout:
// "started" once the window is up, "other-instance" when another instance held the lock, and
// "shown minimised=<0|1>" whenever another instance asked it to come forward.
// SONVALE_HOST_MINIMISED=1 minimises the window after start-up.
#include <QApplication>
#include <cstdio>

#include "app/MainFrame.h"
#include "app/TarnApp.h"
#include "data/FakeMIDIController.h"
#include "midi/MIDIDevice.h"
#include "platform/MessageBoxScript.h"

namespace {

void Report(const char* pszLine)
{
    std::fputs(pszLine, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    CMessageBoxScript boxes;
    g_MIDIDevice.m_pController = new FakeMIDIController;
    CTarnApp app;
    QObject::connect(&app, &CTarnApp::shownOnRequest, [&app] {
        Report(app.MainFrame()->isMinimized() ? "shown minimised=1" : "shown minimised=0");
    });

    int nResult = 0;
    if (app.InitInstance()) {
        if (qEnvironmentVariableIntValue("SONVALE_HOST_MINIMISED") == 1)
            app.MainFrame()->showMinimized();
        Report("started");
        nResult = application.exec();
    } else if (app.m_bOtherInstance) {
        Report("other-instance");
    }
    app.ExitInstance();
    return nResult;
}

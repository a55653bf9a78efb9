#include <QApplication>
#include <QTranslator>

#include "app/ResourceSet.h"
#include "app/TarnApp.h"
#include "app/TerminationWatch.h"
#include "platform/FontSubstitutions.h"
#include "widgets/Bitmaps.h"

// The application object. The progress dialog object and the two holders have their places before it
// (platform/StaticObjectOrder.h), so they exist before it and are destroyed after it; it creates no
// window before QApplication exists and destroys its windows in ExitInstance, before QApplication goes.
CTarnApp theApp;

int main(int argc, char* argv[])
{
    // First of all, so that a session ending while the program starts is held until it can be obeyed.
    (void)CTerminationWatch::InstallHandlers();
    QApplication application(argc, argv);
    // The desktop entry's id: the window's Wayland app_id, by which docks find the entry's icon and
    // group the window with its launcher. On X11 the class stays the program's name (the entry's
    // StartupWMClass).
    QGuiApplication::setDesktopFileName(QStringLiteral("com.corvane.SonvaleDataManager"));
    RegisterFontSubstitutions();
    QTranslator translator;
    QTranslator qtTranslator;
    InstallResourceSet(translator, qtTranslator);
    QApplication::setWindowIcon(LoadProgramIcon());

    // A session that ends, or Ctrl+C in a terminal, closes the program as File > Exit does.
    CTerminationWatch termination;
    int nResult = 0;
    const bool bStarted = theApp.InitInstance();
    // A signal during start-up closed its box and left the end to the event loop, which runs now.
    if (bStarted && termination.IsRequested())
        termination.ScheduleEnd();
    if (bStarted)
        nResult = application.exec();
    const int nExitResult = theApp.ExitInstance();
    return nResult != 0 ? nResult : nExitResult;
}

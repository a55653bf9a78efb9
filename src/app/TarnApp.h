#pragma once
#include <QObject>
#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <string>

#include "midi/ConsoleChoice.h"
#include "midi/MIDIDeviceListener.h"
#include "platform/ResultCode.h"
#include "widgets/ApplicationLink.h"

struct StartupTokens;

class CMainFrame;
class CMainViewLink;
class CSingleInstance;
class CTarnDoc;

// The application: one instance per user session, the preference file found, loaded and saved, the
// console's connection tracked, configuration changes of the audio network acted on at the right
// moment, and the Manual and About commands.
//
// Everything runs on the user-interface thread except OnDeviceEvent.
class CTarnApp : public QObject, public CMIDIDeviceListener, public CApplicationLink
{
    Q_OBJECT
public:
    // Creates the main view for the document; the frame takes its window.
    using ViewFactory = std::function<std::unique_ptr<CMainViewLink>(CTarnDoc&)>;

    CTarnApp();
    ~CTarnApp() override;
    CTarnApp(const CTarnApp&) = delete;
    CTarnApp& operator=(const CTarnApp&) = delete;

    // Start-up; true to run the event loop. ExitInstance is due whatever it returns.
    [[nodiscard]] bool InitInstance();
    // The end: the frame closed, the preferences saved, the transport let go. Returns the exit code.
    int ExitInstance();

    // Runs on a driver thread: hands a configuration change to the user-interface thread.
    ResultCode OnDeviceEvent(std::int32_t nEvent) override;

    // The connection error, once per lost connection; then the connected state follows one more
    // attempt when a configuration change came in while the box was open.
    ResultCode ShowConnectionError() override;
    // Closes and reopens the transport; a failure goes to ShowConnectionError.
    ResultCode Reconnect() override;
    [[nodiscard]] bool IsConnected() const override { return m_bConnected; }
    [[nodiscard]] bool IsDeviceEventPending() const override { return m_bDeviceEventPending.load(); }
    bool TakeDeviceEventPending() override { return m_bDeviceEventPending.exchange(false); }
    // Acts on a configuration change (see the event filter for when it is called).
    void HandleDeviceEvent();
    // File > Console: keeps the choice in the preferences and talks to that console from now on, asking
    // it for its current entry at once.
    void ChooseConsole(const ConsoleCandidate& console);
    // The console the transport is asked for: the one chosen in File > Console, when one was, giving
    // way to the lowest identifier while it is not on the network.
    [[nodiscard]] ConsoleWish ChosenConsoleWish() const;

    void OnHelpManual();
    void OnAppAbout();

    // Builds the preference file's path from the program's own file name and creates its folders.
    ResultCode SetupPreferencePath();
    // The same for a given program file path (empty: it could not be read).
    ResultCode SetupPreferencePath(const QString& strProgramPath);
    [[nodiscard]] const QString& ProfilePath() const { return m_strProfilePath; }

    // Takes the single-instance lock; when another instance holds it, asks that one to come forward
    // and sets m_bOtherInstance.
    void CheckSingleInstance();

    // Stores the window's placement and the view's state and saves the preference file, leaving the
    // windows and the transport as they are: for an end that cannot wait for a running update.
    void SaveWithoutClosing();

    [[nodiscard]] CMainFrame* MainFrame() const { return m_pMainFrame.get(); }
    [[nodiscard]] CMainViewLink* MainView() const;
    [[nodiscard]] CSingleInstance& InstanceLock() { return *m_hInstanceMutex; }

    // Tests: replaces the view that start-up creates.
    void SetViewFactory(ViewFactory factory) { m_viewFactory = std::move(factory); }

    bool m_bConnected = true;
    bool m_bOtherInstance = false;
    std::atomic<bool> m_bDeviceEventPending{false};

signals:
    // The main window was brought forward at another instance's request.
    void shownOnRequest();

protected:
    bool event(QEvent* pEvent) override;

private:
    void ShowMainFrameOnRequest(const StartupTokens& tokens);
    // Opens the transport to the console the user chose (ChosenConsoleWish); when another program newly
    // shares the console, says so in the log.
    ResultCode OpenTransport() { return OpenTransportTo(ChosenConsoleWish()); }
    ResultCode OpenTransportTo(const ConsoleWish& wish);
    // OpenTransport on a thread of its own (on this one, at get(), when no thread can be had), to the
    // console the preferences name as they are now. Nothing else may use the transport or the sharing
    // note until the result has been taken.
    [[nodiscard]] std::future<ResultCode> BeginOpenTransport();

    std::unique_ptr<CSingleInstance> m_hInstanceMutex; // the lock "Orla" and, once the window is ready, the socket "UniqueOrla"
    std::unique_ptr<CTarnDoc> m_pDocument;
    std::unique_ptr<CMainFrame> m_pMainFrame;
    // Whether WM_DEVICEEVENT may be posted: set once the first open of the transport has ended, cleared
    // when the main window goes (read on driver threads). The event acts only while the main window exists.
    std::atomic<bool> m_bMainWindowExists{false};
    // Counts the WM_DEVICEEVENT events posted from driver threads; see event().
    std::atomic<std::uint32_t> m_nDeviceEventsPosted{0};
    // The sharing last written to the log, so that each reopen does not repeat it.
    std::string m_strSharingLogged;
    ViewFactory m_viewFactory;
    QString m_strProfilePath;
    bool m_bPreferenceCreated = false;
    bool m_bControllerCreated = false;
    bool m_bComInitialized = false;
};

// The application object that is running, or null.
[[nodiscard]] CTarnApp* TarnApp();

// The application's connection handling: configuration changes of the audio network, the connection
// error, reconnecting, and the Manual command that may meet a configuration change while its box is open.
#include "app/TarnApp.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

#include <cstdio>
#include <system_error>

#include "app/MainFrame.h"
#include "app/MainViewLink.h"
#include "app/UpdateState.h"
#include "midi/MIDIDevice.h"
#include "midi/MIDIEvent.h"
#include "platform/ComRuntime.h"
#include "platform/MessageBoxService.h"
#include "platform/PrivateMessage.h"
#include "platform/StringTable.h"
#include "prefs/Preference.h"

namespace {

void CloseTransport()
{
    if (g_MIDIDevice.m_pController)
        (void)g_MIDIDevice.m_pController->Close();
}

// The connection error's box has one fixed text; what the transport knows beyond it goes to the log.
void LogTransportFault()
{
    const CMIDIController* pController = g_MIDIDevice.m_pController;
    if (!pController)
        return;
    if (pController->LastFault() == CMIDIController::Fault::ConsoleBusy)
        std::fprintf(stderr, "sonvale-data-manager: the console is busy with another program\n");
    else if (!pController->FaultDetail().empty())
        std::fprintf(stderr, "sonvale-data-manager: %s\n", pController->FaultDetail().c_str());
}

MessageBoxRequest WarningBox(std::uint32_t nTextId)
{
    return {LoadResourceString(IDS_CAPTION), LoadResourceString(nTextId), MessageBoxIcon::Warning,
            MessageBoxButtons::Ok};
}

} // namespace

ResultCode CTarnApp::OpenTransportTo(const ConsoleWish& wish)
{
    CMIDIController* pController = g_MIDIDevice.m_pController;
    if (!pController)
        return RC_DRIVER_UNAVAILABLE;
    pController->SelectConsole(wish);
    const ResultCode result = pController->Open();
    std::string sharing = result == RC_EXCHANGE_OK ? pController->SharingDetail() : std::string();
    if (!sharing.empty() && sharing != m_strSharingLogged)
        std::fprintf(stderr, "sonvale-data-manager: %s\n", sharing.c_str());
    m_strSharingLogged = std::move(sharing);
    if (m_pMainFrame)
        m_pMainFrame->ShowConsoles();
    return result;
}

std::future<ResultCode> CTarnApp::BeginOpenTransport()
{
    // The preferences are read here, on the user-interface thread, which owns them.
    const auto open = [this, wish = ChosenConsoleWish()] {
        // The driver object is created through the component runtime, which each thread joins.
        const bool bCom = SUCCEEDED(CoInitialize(nullptr));
        const ResultCode result = OpenTransportTo(wish);
        if (bCom)
            CoUninitialize();
        // A change from here on is one the first open did not see: it is posted, and acted on once the
        // main window is up, as one that comes while the window is being built.
        m_bMainWindowExists = true;
        return result;
    };
    try {
        return std::async(std::launch::async, open);
    } catch (const std::system_error&) {
        return std::async(std::launch::deferred, open);
    }
}

ConsoleWish CTarnApp::ChosenConsoleWish() const
{
    ConsoleWish wish;
    wish.bElseLowest = true;
    std::string strClient;
    std::uint32_t nPairId = 0;
    if (CPrefHandler* pPrefs = g_Preference.GetHandler(); pPrefs && pPrefs->GetConsole(strClient, nPairId) == RC_OK) {
        wish.client = std::move(strClient);
        wish.pairId = nPairId;
    }
    return wish;
}

void CTarnApp::ChooseConsole(const ConsoleCandidate& console)
{
    if (CPrefHandler* pPrefs = g_Preference.GetHandler())
        (void)pPrefs->SetConsole(console.client, console.pairId);
    HandleDeviceEvent();
}

ResultCode CTarnApp::OnDeviceEvent(std::int32_t nEvent)
{
    if (nEvent != MIDI_EVENT_CONFIG_CHANGED)
        return RC_OK;
    // Posted to the application object, which outlives every driver thread; it acts only while the
    // main window exists. Before that, the pending flag alone carries the change.
    if (m_bMainWindowExists.load()) {
        auto* pEvent = new CPrivateMessage(WM_DEVICEEVENT);
        m_nDeviceEventsPosted.fetch_add(1, std::memory_order_release);
        QCoreApplication::postEvent(this, pEvent);
    }
    m_bDeviceEventPending = true;
    return RC_OK;
}

bool CTarnApp::event(QEvent* pEvent)
{
    // Pairs with the count on posting, so that the event built on the driver thread is seen whole here
    // by every tool that checks threads, whatever the queue between them uses for its locking.
    (void)m_nDeviceEventsPosted.load(std::memory_order_acquire);
    if (pEvent->type() != static_cast<QEvent::Type>(WM_DEVICEEVENT))
        return QObject::event(pEvent);
    // Inside a plain message box the change is dropped: the pending flag makes whoever shows the box
    // try the transport again once it is closed. Everywhere else, menus and dialogs included, it is
    // handled at once.
    if (m_pMainFrame && !CMessageBoxService::IsShowing())
        HandleDeviceEvent();
    return true;
}

void CTarnApp::HandleDeviceEvent()
{
    // The update's worker is using the transport; the view looks at the pending flag afterwards.
    if (g_bUpdateRunning.load())
        return;
    // A transport that was up and does not come back is reported once; one that was down stays quiet.
    if (m_bConnected)
        Reconnect();
    else
        m_bConnected = OpenTransport() == RC_EXCHANGE_OK;
    if (CMainViewLink* pView = MainView()) {
        pView->RefreshConnectionState();
        pView->RefreshCurrentData();
    }
}

ResultCode CTarnApp::ShowConnectionError()
{
    LogTransportFault();
    // The user has been told already.
    if (!m_bConnected)
        return RC_OK;
    (void)CMessageBoxService::Show(m_pMainFrame.get(), WarningBox(IDS_CONNECTION_ERROR));
    if (m_bDeviceEventPending) {
        CloseTransport();
        m_bConnected = OpenTransport() == RC_EXCHANGE_OK;
    } else {
        m_bConnected = false;
    }
    return RC_OK;
}

ResultCode CTarnApp::Reconnect()
{
    CloseTransport();
    if (OpenTransport() == RC_EXCHANGE_OK) {
        m_bConnected = true;
    } else {
        m_bDeviceEventPending = false;
        ShowConnectionError();
    }
    return RC_OK;
}

void CTarnApp::OnHelpManual()
{
    // The current folder first, as on the console maker's own disc; then the program's data folders
    // ($XDG_DATA_HOME, then each of $XDG_DATA_DIRS), where a program started from a menu finds it.
    const QString strName = QStringLiteral("Orla_Manual.pdf");
    QString strManual;
    if (const QFileInfo here(QDir::current().filePath(strName)); here.isFile())
        strManual = here.absoluteFilePath();
    else
        strManual = QStandardPaths::locate(QStandardPaths::GenericDataLocation,
                                           QStringLiteral("sonvale-data-manager/") + strName);
    if (!strManual.isEmpty() && QDesktopServices::openUrl(QUrl::fromLocalFile(strManual)))
        return;
    m_bDeviceEventPending = false;
    (void)CMessageBoxService::Show(m_pMainFrame.get(), WarningBox(IDS_MANUAL_OPEN_FAILED));
    if (m_bDeviceEventPending) {
        Reconnect();
        if (CMainViewLink* pView = MainView()) {
            pView->RefreshConnectionState();
            pView->RefreshCurrentData();
        }
    }
}

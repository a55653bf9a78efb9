#include "app/TarnApp.h"

#include <QApplication>

#include "app/MainFrame.h"
#include "app/MainViewLink.h"
#include "app/TarnViewLink.h"
#include "app/TarnDoc.h"
#include "midi/MIDIDevice.h"
#include "platform/ComRuntime.h"
#include "platform/MessageBoxService.h"
#include "platform/SingleInstance.h"
#include "platform/WaylandActivationToken.h"
#include "platform/WindowActivation.h"
#include "platform/WindowSystem.h"
#include "platform/StringTable.h"
#include "prefs/Preference.h"

namespace {

CTarnApp* g_pTarnApp = nullptr;

} // namespace

CTarnApp* TarnApp()
{
    return g_pTarnApp;
}

CTarnApp::CTarnApp() : m_hInstanceMutex(std::make_unique<CSingleInstance>())
{
    g_pTarnApp = this;
    connect(m_hInstanceMutex.get(), &CSingleInstance::requestShow, this, &CTarnApp::ShowMainFrameOnRequest);
    m_viewFactory = [](CTarnDoc& document) -> std::unique_ptr<CMainViewLink> {
        return std::make_unique<CTarnViewLink>(document);
    };
}

CTarnApp::~CTarnApp()
{
    if (g_MIDIDevice.m_pListener == this)
        g_MIDIDevice.m_pListener = nullptr;
    if (g_pTarnApp == this)
        g_pTarnApp = nullptr;
}

CMainViewLink* CTarnApp::MainView() const
{
    return m_pMainFrame ? m_pMainFrame->View() : nullptr;
}

bool CTarnApp::InitInstance()
{
    // The frame stays hidden while it is built and is shown at the end of start-up: maximised when it
    // was closed maximised.
    CheckSingleInstance();
    if (m_bOtherInstance)
        return false;

    if (InitMIDIDevice() != RC_OK)
        return false;
    m_bControllerCreated = true;
    g_MIDIDevice.m_pListener = this;

    if (g_Preference.Create() != RC_OK)
        return false;
    m_bPreferenceCreated = true;
    (void)SetupPreferencePath();
    (void)g_Preference.GetHandler()->Load();

    // The transport opens, to the console the preferences name, on a thread of its own while the window
    // is built; start-up waits for it before the connection error or the window can be shown. Every
    // early return waits for it too (the future's end).
    std::future<ResultCode> opening = BeginOpenTransport();

    // The document, the frame placed from the preferences, and the view in it, all hidden. The frame
    // becomes the main window only after the connection error: that box belongs to no window.
    m_pDocument = std::make_unique<CTarnDoc>();
    auto pFrame = std::make_unique<CMainFrame>(*this);
    if (std::unique_ptr<CMainViewLink> pView = m_viewFactory(*m_pDocument)) {
        pFrame->SetView(std::move(pView));
        pFrame->View()->OnInitialUpdate();
    }

    if (opening.get() != RC_EXCHANGE_OK) {
        m_bDeviceEventPending = false;
        ShowConnectionError();
    }

    const HRESULT hrCom = CoInitialize(nullptr);
    if (FAILED(hrCom)) {
        (void)CMessageBoxService::Show(nullptr, {LoadResourceString(IDS_CAPTION),
                                                 LoadResourceString(IDS_COM_START_FAILED), MessageBoxIcon::Error,
                                                 MessageBoxButtons::Ok});
        return false;
    }
    m_bComInitialized = true;

    m_pMainFrame = std::move(pFrame);
    if (!m_pMainFrame->View() || !m_pMainFrame->View()->IsInitOK())
        return false;
    // The view was laid out as connected; a console that did not answer disables Update.
    if (!m_bConnected)
        (void)m_pMainFrame->View()->RefreshConnectionState();

    bool bDefaulted = false;
    (void)g_Preference.GetHandler()->GetPlacementDefaulted(bDefaulted);
    if (bDefaulted)
        m_pMainFrame->CenterWindow();
    m_pMainFrame->ShowFirst();
    m_pMainFrame->repaint();
    m_pMainFrame->ShowConsoles();

    // From here on later instances find this window.
    m_pMainFrame->setProperty("UniqueOrla", 1);
    (void)m_hInstanceMutex->Listen();

    m_pMainFrame->View()->RefreshCurrentData();
    return true;
}

int CTarnApp::ExitInstance()
{
    m_bMainWindowExists = false;
    // The view stores its column widths, notes and sort order as it goes, before the file is written.
    m_pMainFrame.reset();
    m_pDocument.reset();
    if (!m_bOtherInstance) {
        if (m_bPreferenceCreated && g_Preference.GetHandler())
            (void)g_Preference.GetHandler()->Save();
        if (m_bControllerCreated && g_MIDIDevice.m_pController)
            (void)g_MIDIDevice.m_pController->Close();
    }
    if (g_MIDIDevice.m_pListener == this)
        g_MIDIDevice.m_pListener = nullptr;
    m_hInstanceMutex->Release();
    if (m_bComInitialized) {
        CoUninitialize();
        m_bComInitialized = false;
    }
    QCoreApplication::removePostedEvents(this);
    return 0;
}

void CTarnApp::SaveWithoutClosing()
{
    if (m_bOtherInstance || !m_bPreferenceCreated || !g_Preference.GetHandler())
        return;
    if (m_pMainFrame) {
        m_pMainFrame->close();
        if (CMainViewLink* pView = MainView())
            pView->StoreState();
    }
    (void)g_Preference.GetHandler()->Save();
}

void CTarnApp::CheckSingleInstance()
{
    if (m_hInstanceMutex->Acquire())
        return;
    // The first instance comes forward if its window is ready; otherwise nothing is raised.
    StartupTokens tokens = StartupTokens::FromEnvironment();
    // Without the launcher's token the first window still asks for attention.
    if (tokens.strActivationToken.isEmpty() && !CanPlaceWindows())
        tokens.strActivationToken = RequestUnvouchedActivationToken();
    (void)CSingleInstance::AskFirstInstanceToShow(tokens);
    m_bOtherInstance = true;
}

void CTarnApp::ShowMainFrameOnRequest(const StartupTokens& tokens)
{
    if (!m_pMainFrame || !m_pMainFrame->isVisible())
        return;
    BringWindowForward(*m_pMainFrame, tokens);
    emit shownOnRequest();
}

void CTarnApp::OnAppAbout()
{
    if (m_pMainFrame)
        m_pMainFrame->ShowAbout();
}

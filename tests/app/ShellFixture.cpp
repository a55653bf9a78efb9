#include "ShellFixture.h"
#include "QtApplicationEnvironment.h"

#include <QApplication>
#include <QDir>
#include <QThread>
#include <thread>

#include "app/UpdateState.h"
#include "data/FakeMIDIController.h"
#include "midi/MIDIDevice.h"
#include "midi/MIDIEvent.h"
#include "platform/SystemLanguage.h"
#include "prefs/Preference.h"

namespace {

constexpr const char* kFolderVariables[3] = {"XDG_CONFIG_HOME", "HOME", "XDG_RUNTIME_DIR"};

[[maybe_unused]] testing::Environment* const g_pEnvironment =
    testing::AddGlobalTestEnvironment(new QtApplicationEnvironment("app_tests"));

} // namespace

PrivateUserFolders::PrivateUserFolders()
{
    const QString values[3] = {ConfigFolder(), Root() + QStringLiteral("/home"), RuntimeFolder()};
    for (int i = 0; i < 3; ++i) {
        m_bWasSet[i] = qEnvironmentVariableIsSet(kFolderVariables[i]);
        m_saved[i] = qgetenv(kFolderVariables[i]);
        QDir().mkpath(values[i]);
        qputenv(kFolderVariables[i], values[i].toLocal8Bit());
    }
    QFile::setPermissions(RuntimeFolder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

PrivateUserFolders::~PrivateUserFolders()
{
    for (int i = 0; i < 3; ++i) {
        if (m_bWasSet[i])
            qputenv(kFolderVariables[i], m_saved[i]);
        else
            qunsetenv(kFolderVariables[i]);
    }
}

void ShellTest::SetUp()
{
    ASSERT_TRUE(folders.IsValid());
    SetSystemDefaultLangIDOverride(0x0409);
    g_bUpdateRunning = false;
    g_Preference.Reset();
    console = new FakeMIDIController;
    g_MIDIDevice.m_pController = console;
    app = std::make_unique<CTarnApp>();
    app->SetViewFactory([this](CTarnDoc&) -> std::unique_ptr<CMainViewLink> {
        auto pView = std::make_unique<FakeMainView>();
        view = pView.get();
        return pView;
    });
}

void ShellTest::TearDown()
{
    if (started)
        app->ExitInstance();
    app.reset();
    delete g_MIDIDevice.m_pController;
    g_MIDIDevice.m_pController = nullptr;
    g_MIDIDevice.m_pListener = nullptr;
    g_Preference.Reset();
    g_bUpdateRunning = false;
    SetSystemDefaultLangIDOverride(std::nullopt);
}

bool ShellTest::Start()
{
    started = true;
    return app->InitInstance();
}

bool ShellTest::WaitFor(const std::function<bool()>& condition, int nTimeoutMs)
{
    QDeadlineTimer deadline(nTimeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

void ShellTest::FireConfigChangeFromDriverThread()
{
    CTarnApp* pApp = app.get();
    std::thread driver([pApp] { (void)pApp->OnDeviceEvent(MIDI_EVENT_CONFIG_CHANGED); });
    driver.join();
}

int CountShown(const CMessageBoxScript& boxes, const QString& text)
{
    int nCount = 0;
    for (const MessageBoxRequest& request : boxes.Shown())
        nCount += request.text == text ? 1 : 0;
    return nCount;
}

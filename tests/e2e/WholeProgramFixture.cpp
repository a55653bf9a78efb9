#include "WholeProgramFixture.h"
#include "QtApplicationEnvironment.h"
#include "drivers/JackRequirement.h"

#include <signal.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QThread>
#include <cstdlib>
#include <string_view>

#include "app/TarnViewLink.h"
#include "app/UpdateState.h"
#include "midi/ConsoleTurn.h"
#include "midi/MIDIDevice.h"
#include "platform/FileLock.h"
#include "platform/StringTable.h"
#include "platform/SystemLanguage.h"
#include "prefs/Preference.h"
#include "view/TarnView.h"
#include "widgets/ListConstants.h"

namespace {

[[maybe_unused]] testing::Environment* const g_pEnvironment =
    testing::AddGlobalTestEnvironment(new QtApplicationEnvironment("e2e_tests"));

} // namespace

std::unique_ptr<CJackTestServer> WholeProgramTest::s_server;
std::string WholeProgramTest::s_skipReason;
const QString WholeProgramTest::kCompleted = QStringLiteral("Data update completed.");
const QString WholeProgramTest::kConnectionError =
    QStringLiteral("Connection Error.\nPlease make sure of whether Ostra is connected to your computer correctly.");
const QString WholeProgramTest::kInvalid = QStringLiteral("Sonvale Data is invalid.\nPlease try to update data again.");
const QString WholeProgramTest::kFlashFailed = QStringLiteral("Can't write Sonvale Data to Flash Memory.");
const QString WholeProgramTest::kUnproven =
    QStringLiteral("The answer from Ostra may be for an earlier update.\nPlease try to update data again.");

void WholeProgramTest::TearDownTestSuite() { s_server.reset(); }

void WholeProgramTest::SetUp()
{
    if (!s_server || !s_server->Running()) {
        s_server = std::make_unique<CJackTestServer>();
        if (!s_server->Start(256, s_skipReason))
            s_server.reset();
    }
    if (!s_server)
        JACK_UNAVAILABLE() << "no private JACK server (" << s_skipReason << ")";
    ASSERT_TRUE(m_root.isValid());
    for (const char* sub : {"config", "home", "run"})
        ASSERT_TRUE(QDir().mkpath(m_root.filePath(QString::fromLatin1(sub))));
    QFile::setPermissions(m_root.filePath(QStringLiteral("run")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_CONFIG_HOME", m_root.filePath(QStringLiteral("config")).toLocal8Bit());
    qputenv("HOME", m_root.filePath(QStringLiteral("home")).toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", m_root.filePath(QStringLiteral("run")).toLocal8Bit());
    SetSystemDefaultLangIDOverride(0x0409);
    boxes = std::make_unique<CMessageBoxScript>();
}

void WholeProgramTest::TearDown()
{
    StopProgram();
    StopConsole();
    boxes.reset();
    SetSystemDefaultLangIDOverride(std::nullopt);
}

bool WholeProgramTest::StartConsole(const std::string& fault, const std::string& entry,
                                    const std::vector<std::string>& more)
{
    std::vector<std::string> argv = {OSTRA_EMULATOR_PATH, "--flash", m_root.filePath(QStringLiteral("flash.bin")).toStdString(),
                                     "--fault", fault, "--delay", "200"};
    if (!entry.empty()) {
        argv.push_back("--entry");
        argv.push_back(entry);
    }
    argv.insert(argv.end(), more.begin(), more.end());
    // A console killed a moment ago may still hold its client name in the server, as a console
    // replugged too quickly would: the start is tried again until the server let go of the old one.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    do {
        console = std::make_unique<CChildProcess>();
        const std::string log = m_root.filePath(QStringLiteral("console-%1.log").arg(m_nConsoleStarts++)).toStdString();
        if (!console->Start(argv, log))
            return false;
        if (CJackTestServer::WaitFor([&] { return console->Log().find("ready:") != std::string::npos || !console->Running(); })
            && console->Running())
            return true;
        QThread::msleep(20);
    } while (std::chrono::steady_clock::now() < deadline);
    ADD_FAILURE() << "the emulated console did not come up: " << console->Log();
    return false;
}

bool WholeProgramTest::ConsoleWasAsked() const
{
    return console && console->Log().find("(identity request)") != std::string::npos;
}

void WholeProgramTest::StopConsole(int nSignal)
{
    if (console)
        console->Stop(nSignal);
}

bool WholeProgramTest::StartProgram()
{
    g_bUpdateRunning = false;
    g_Preference.Reset();
    app = std::make_unique<CTarnApp>();
    m_bStarted = true;
    return app->InitInstance();
}

void WholeProgramTest::StopProgram()
{
    if (m_bStarted)
        app->ExitInstance();
    m_bStarted = false;
    app.reset();
    delete g_MIDIDevice.m_pController;
    g_MIDIDevice.m_pController = nullptr;
    g_MIDIDevice.m_pListener = nullptr;
    g_Preference.Reset();
}

CTarnView& WholeProgramTest::View() const
{
    return *static_cast<CTarnViewLink*>(app->MainView())->View();
}

int WholeProgramTest::RowOfKey(int nKey) const
{
    CInfoListCtrl& list = View().List();
    for (int row = 0; row < list.GetItemCount(); ++row)
        if (list.GetItemText(row, kNoColumn).toInt() == nKey)
            return row;
    return -1;
}

int WholeProgramTest::MarkedKey() const
{
    std::int16_t nRow = -1;
    if (View().List().FindCurrentDataMark(nRow) != RC_OK || nRow < 0)
        return -1;
    return View().List().GetItemText(nRow, kNoColumn).toInt();
}

QString WholeProgramTest::CurrentDataText() const { return View().CurrentDataValue().text(); }

bool WholeProgramTest::UpdateEnabled() const { return View().UpdateButton().isEnabled(); }

int WholeProgramTest::Shown(const QString& text) const
{
    int nCount = 0;
    for (const MessageBoxRequest& request : boxes->Shown())
        nCount += request.text == text ? 1 : 0;
    return nCount;
}

std::string WholeProgramTest::FlashContents() const
{
    QFile flash(m_root.filePath(QStringLiteral("flash.bin")));
    return flash.open(QIODevice::ReadOnly) ? flash.readAll().toStdString() : std::string();
}

QString WholeProgramTest::ProfilePath() const { return app ? app->ProfilePath() : QString(); }

std::string WholeProgramTest::OwedAnswersPath()
{
    const std::string folder = CFileLock::Folder();
    const char* server = std::getenv("JACK_DEFAULT_SERVER");
    if (folder.empty() || !server)
        return {};
    std::string name = CConsoleTurn::FileName(server, "Ostra", 1);
    name.replace(name.size() - std::string_view(".lock").size(), std::string_view::npos, ".owed");
    return folder + '/' + name;
}

bool WholeProgramTest::WaitFor(const std::function<bool()>& condition, int nTimeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(nTimeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return condition();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}

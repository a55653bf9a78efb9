// One instance per user session: the lock "Orla", the socket "UniqueOrla", and what a later start does.
#include "ShellFixture.h"

#include <QCryptographicHash>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QProcess>
#include <QTest>

#include <dlfcn.h>

#include <atomic>
#include <cstdlib>

#include "app/MainFrame.h"
#include "data/FakeMIDIController.h"
#include "platform/SingleInstance.h"
#include "platform/WindowActivation.h"
#include "platform/WindowSystem.h"

// Every change of this process's environment, counted on its way to the C library: another thread may
// read the environment at any moment (the driver looking for a JACK server), so the program must not
// change it once threads run.
namespace {
std::atomic<int> g_nEnvironmentChanges{0};
template <typename Function>
Function RealFunction(const char* pszName)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, pszName));
}
} // namespace

extern "C" int setenv(const char* pszName, const char* pszValue, int nOverwrite) noexcept
{
    ++g_nEnvironmentChanges;
    static const auto real = RealFunction<int (*)(const char*, const char*, int)>("setenv");
    return real(pszName, pszValue, nOverwrite);
}

extern "C" int unsetenv(const char* pszName) noexcept
{
    ++g_nEnvironmentChanges;
    static const auto real = RealFunction<int (*)(const char*)>("unsetenv");
    return real(pszName);
}

extern "C" int putenv(char* pszEntry) noexcept
{
    ++g_nEnvironmentChanges;
    static const auto real = RealFunction<int (*)(char*)>("putenv");
    return real(pszEntry);
}

namespace {

using SingleInstance = ShellTest;

// A process of the application with its own scripted console (see ShellHost.cpp).
class HostProcess
{
public:
    explicit HostProcess(bool bMinimised = false)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("SONVALE_HOST_MINIMISED"), bMinimised ? "1" : "0");
        m_process.setProcessEnvironment(environment);
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.start(QStringLiteral(SONVALE_SHELL_HOST), {});
    }
    ~HostProcess()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    // Waits for a line of its report; false after the deadline or when the process ended without it.
    bool WaitForLine(const QByteArray& line, int nTimeoutMs = 10000)
    {
        QDeadlineTimer deadline(nTimeoutMs);
        while (!m_output.contains(line + '\n')) {
            if (deadline.hasExpired())
                return false;
            if (!m_process.waitForReadyRead(50) && m_process.state() == QProcess::NotRunning) {
                m_output += m_process.readAllStandardOutput();
                return m_output.contains(line + '\n');
            }
            m_output += m_process.readAllStandardOutput();
        }
        return true;
    }

    bool WaitForExit(int nTimeoutMs = 10000)
    {
        const bool bFinished = m_process.waitForFinished(nTimeoutMs);
        m_output += m_process.readAllStandardOutput();
        return bFinished;
    }

    QProcess& Process() { return m_process; }
    const QByteArray& Output() const { return m_output; }

private:
    QProcess m_process;
    QByteArray m_output;
};

QByteArray FileDigest(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

QString HostProfilePath(const PrivateUserFolders& folders)
{
    return folders.ConfigFolder() + QStringLiteral("/Corvane/Sonvale Data Manager/app_shell_host.ini");
}

TEST_F(SingleInstance, SecondStartBringsTheFirstForwardAndLeavesThePreferencesAlone)
{
    HostProcess first(true);
    ASSERT_TRUE(first.WaitForLine("started")) << first.Output().constData();
    const QByteArray before = FileDigest(HostProfilePath(folders));
    ASSERT_FALSE(before.isEmpty());

    HostProcess second;
    ASSERT_TRUE(second.WaitForExit());
    EXPECT_EQ(second.Process().exitCode(), 0);
    EXPECT_EQ(second.Output(), QByteArray("other-instance\n"));
    EXPECT_TRUE(first.WaitForLine("shown minimised=0")) << "the first window is restored and raised";
    EXPECT_EQ(FileDigest(HostProfilePath(folders)), before);
}

TEST_F(SingleInstance, SecondStartWhileTheFirstIsStillStartingRaisesNothing)
{
    // The lock is taken, but nobody listens yet: the first instance has no window.
    QLockFile lock(CSingleInstance::LockPath());
    ASSERT_TRUE(lock.tryLock(0));
    HostProcess second;
    ASSERT_TRUE(second.WaitForExit());
    EXPECT_EQ(second.Output(), QByteArray("other-instance\n"));
    EXPECT_FALSE(QFile::exists(HostProfilePath(folders))) << "no preference file was made";
}

TEST_F(SingleInstance, LockOfACrashedInstanceIsTakenOver)
{
    {
        HostProcess crashed;
        ASSERT_TRUE(crashed.WaitForLine("started"));
        crashed.Process().kill();
        ASSERT_TRUE(crashed.WaitForExit());
    }
    ASSERT_TRUE(QFile::exists(CSingleInstance::LockPath()));
    ASSERT_TRUE(QFile::exists(CSingleInstance::SocketPath()));

    HostProcess next(true);
    ASSERT_TRUE(next.WaitForLine("started")) << next.Output().constData();
    // It also listens again in place of the dead socket.
    EXPECT_TRUE(CSingleInstance::AskFirstInstanceToShow());
    EXPECT_TRUE(next.WaitForLine("shown minimised=0"));
}

TEST_F(SingleInstance, LaterInstanceInThisProcessAsksTheHolderToShow)
{
    QLockFile lock(CSingleInstance::LockPath());
    ASSERT_TRUE(lock.tryLock(0));
    QLocalServer server;
    ASSERT_TRUE(server.listen(CSingleInstance::SocketPath()));

    app->CheckSingleInstance();
    EXPECT_TRUE(app->m_bOtherInstance);
    ASSERT_TRUE(server.waitForNewConnection(5000));
    QLocalSocket* pPeer = server.nextPendingConnection();
    ASSERT_NE(pPeer, nullptr);
    ASSERT_TRUE(WaitFor([&] { return pPeer->canReadLine() || pPeer->bytesAvailable() > 0; }) || pPeer->waitForReadyRead(2000));
    const QByteArray line = pPeer->readLine();
    // On Wayland a start without the launcher's token asks the compositor for one of its own.
    if (CanPlaceWindows())
        EXPECT_EQ(line, QByteArray("show\n"));
    else
        EXPECT_TRUE(line.startsWith("show xdg-activation=")) << line.constData();
}

TEST_F(SingleInstance, WindowBroughtForwardWithAnActivationTokenLeavesTheEnvironmentAlone)
{
    // Natively on Wayland; on X11 with the program told that the compositor places its windows.
    TreatWindowsAsCompositorPlaced(true);
    struct Restore { ~Restore() { TreatWindowsAsCompositorPlaced(false); } } restore;
    ASSERT_TRUE(Start());
    CMainFrame& frame = *app->MainFrame();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    const int nChangesBefore = g_nEnvironmentChanges.load();
    BringWindowForward(frame, StartupTokens{QStringLiteral("token-of-a-later-start"), {}});
    QCoreApplication::processEvents();
    EXPECT_EQ(g_nEnvironmentChanges.load(), nChangesBefore) << "the environment changed while other threads may read it";
}

TEST_F(SingleInstance, OtherInstanceEndsStartUpWithoutTouchingTransportOrPreferences)
{
    QLockFile lock(CSingleInstance::LockPath());
    ASSERT_TRUE(lock.tryLock(0));
    EXPECT_FALSE(Start());
    EXPECT_TRUE(app->m_bOtherInstance);
    EXPECT_EQ(console->openCount, 0);
    EXPECT_EQ(app->MainFrame(), nullptr);
    app->ExitInstance();
    started = false;
    EXPECT_EQ(console->closeCount, 0);
}

TEST_F(SingleInstance, RunningInstanceRestoresAndRaisesItsWindowOnRequest)
{
    ASSERT_TRUE(Start());
    ASSERT_TRUE(app->InstanceLock().IsListening());
    EXPECT_EQ(app->MainFrame()->property("UniqueOrla").toInt(), 1);
    app->MainFrame()->showMinimized();
    ASSERT_TRUE(WaitFor([&] { return app->MainFrame()->isMinimized(); }));

    int nShown = 0;
    QObject::connect(app.get(), &CTarnApp::shownOnRequest, [&] { ++nShown; });
    std::vector<StartupTokens> requests;
    QObject::connect(&app->InstanceLock(), &CSingleInstance::requestShow,
                     [&](const StartupTokens& tokens) { requests.push_back(tokens); });
    // The launcher's tokens reach the first instance.
    const StartupTokens launched{QStringLiteral("a1b2c3"), QStringLiteral("launcher-42-host_TIME4242")};
    ASSERT_TRUE(CSingleInstance::AskFirstInstanceToShow(launched));
    ASSERT_TRUE(WaitFor([&] { return nShown == 1; }));
    EXPECT_FALSE(app->MainFrame()->isMinimized());
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0], launched);

    // A line that is not the request is ignored; the request after it still counts once.
    QLocalSocket socket;
    socket.connectToServer(CSingleInstance::SocketPath());
    ASSERT_TRUE(socket.waitForConnected(2000));
    socket.write(QByteArray(200, 'x') + "\nshown\nshow xdg-activation=bad\x01token startup-id=" + QByteArray(500, 'y') +
                 "\n");
    ASSERT_TRUE(socket.waitForBytesWritten(2000));
    ASSERT_TRUE(WaitFor([&] { return nShown == 2; }));
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1], StartupTokens{}) << "a token with control characters or too long is not passed on";
}

} // namespace

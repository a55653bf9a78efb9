#pragma once
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "CliProcess.h"
#include "drivers/ChildProcess.h"
#include "drivers/JackRequirement.h"
#include "drivers/JackTestServer.h"

// A private JACK server with emulated consoles started by name, and sonvale-cli run with its own
// configuration folder, so that the driver's rules file is the test's. With SONVALE_E2E_GRAPH=running
// no server is started: the JACK graph that runs already is used (PipeWire's, through pw-jack), and
// whoever started it holds the JACK test lock.
class CliGraphFixture : public testing::Test {
protected:
    void SetUp() override
    {
        if (!QFileInfo::exists(Emulator()))
            JACK_UNAVAILABLE() << "the emulated console is not built; the port and file commands were NOT run";
        ASSERT_TRUE(m_dir.isValid());
        if (RunningGraph())
            return;
        if (QStandardPaths::findExecutable(QStringLiteral("jackd")).isEmpty())
            JACK_UNAVAILABLE() << "jackd is not installed; the port and file commands were NOT run";
        std::string reason;
        if (!m_server.Start(256, reason))
            JACK_UNAVAILABLE() << "the private JACK server did not start (" << reason
                         << "); the port and file commands were NOT run";
    }

    void TearDown() override
    {
        for (auto& [name, console] : m_consoles)
            console->Stop(SIGTERM);
        m_consoles.clear();
        m_server.Stop();
    }

    [[nodiscard]] static bool RunningGraph()
    {
        return qEnvironmentVariable("SONVALE_E2E_GRAPH") == QLatin1String("running");
    }

    static QString Emulator()
    {
        return QFileInfo(QStringLiteral(SONVALE_CLI_PATH)).dir().filePath(QStringLiteral("ostra-emulator"));
    }

    // Starts (or restarts) an emulated console under this client name and waits until it is ready.
    void StartConsole(const std::string& name, std::vector<std::string> options = {})
    {
        StopConsole(name);
        std::vector<std::string> argv = {Emulator().toStdString(), "--name", name, "--flash", Path("flash-" + name)};
        argv.insert(argv.end(), options.begin(), options.end());
        auto console = std::make_unique<CChildProcess>();
        ASSERT_TRUE(console->Start(argv, Path("console-" + name + ".log")));
        CChildProcess& started = *console;
        m_consoles[name] = std::move(console);
        ASSERT_TRUE(CJackTestServer::WaitFor([&] { return started.Log().find("ready:") != std::string::npos; }, 10000))
            << started.Log();
    }

    // Stops it; the emulator closes its JACK client before it ends, which frees the name.
    void StopConsole(const std::string& name)
    {
        const auto it = m_consoles.find(name);
        if (it == m_consoles.end())
            return;
        it->second->Stop(SIGTERM);
        m_consoles.erase(it);
    }

    [[nodiscard]] std::string ConsoleLog(const std::string& name) const { return m_consoles.at(name)->Log(); }

    [[nodiscard]] std::string Path(const std::string& name) const
    {
        return m_dir.filePath(QString::fromStdString(name)).toStdString();
    }
    [[nodiscard]] std::string RulesPath() const { return Path("config/vorn-jack/ports.ini"); }

    [[nodiscard]] CliRun Cli(const QStringList& args, int timeoutMs = 60000) const
    {
        return RunCli(args,
                      {{QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("config"))},
                       {QStringLiteral("VORN_JACK_ASK"), m_bAsking ? QString() : QStringLiteral("0")}},
                      timeoutMs);
    }

    QTemporaryDir m_dir;
    // Whether the driver of the runs asks pairs without tags for a console (VORN_JACK_ASK).
    bool m_bAsking = true;
    CJackTestServer m_server;
    std::map<std::string, std::unique_ptr<CChildProcess>> m_consoles;
};

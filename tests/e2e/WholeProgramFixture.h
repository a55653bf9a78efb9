#pragma once
// The real program in this process -- application object, frame, view, data controller, transport and
// the driver module -- against ostra-emulator on a private JACK server, on a virtual X display, with
// scripted message boxes and private user folders.
#include <gtest/gtest.h>

#include <signal.h>

#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "JackTestServer.h"
#include "app/TarnApp.h"
#include "platform/MessageBoxScript.h"

class CTarnView;

class WholeProgramTest : public ::testing::Test
{
protected:
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    // Starts the emulated console (its flash file is the same one across restarts) and waits until it is
    // ready; entry: its current entry until the flash holds one; more: further emulator options.
    [[nodiscard]] bool StartConsole(const std::string& fault = "none", const std::string& entry = {},
                                    const std::vector<std::string>& more = {});
    void StopConsole(int nSignal = SIGTERM);
    // Whether the console running now was asked for its entry (the program connected to it).
    [[nodiscard]] bool ConsoleWasAsked() const;
    // InitInstance with a fresh application object; ExitInstance and the holders reset.
    [[nodiscard]] bool StartProgram();
    void StopProgram();

    [[nodiscard]] CTarnView& View() const;
    [[nodiscard]] int RowOfKey(int nKey) const;
    [[nodiscard]] int MarkedKey() const; // the key on the marked row, -1 when no row is marked
    [[nodiscard]] QString CurrentDataText() const;
    [[nodiscard]] bool UpdateEnabled() const;
    [[nodiscard]] int Shown(const QString& text) const; // boxes shown with this text
    [[nodiscard]] std::string FlashContents() const;
    [[nodiscard]] QString ProfilePath() const;
    // The console's record of owed answers, where every program of the user keeps it for the emulated
    // console on this server; empty when the user has no private folder for it.
    [[nodiscard]] static std::string OwedAnswersPath();

    // Runs the event loop until the condition holds; false after the deadline.
    [[nodiscard]] static bool WaitFor(const std::function<bool()>& condition, int nTimeoutMs = 10000);

    static const QString kCompleted;
    static const QString kConnectionError;
    static const QString kInvalid;
    static const QString kFlashFailed;
    static const QString kUnproven;

    std::unique_ptr<CMessageBoxScript> boxes;
    std::unique_ptr<CTarnApp> app;
    std::unique_ptr<CChildProcess> console;

private:
    static std::unique_ptr<CJackTestServer> s_server;
    static std::string s_skipReason;
    QTemporaryDir m_root;
    int m_nConsoleStarts = 0;
    bool m_bStarted = false;
};

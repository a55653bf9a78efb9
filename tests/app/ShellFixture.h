#pragma once
// The shell's tests run the real application object, frame and dialogs on a virtual X display (the
// thread suite on the offscreen platform), with scripted message boxes, a private set of user folders
// and a stand-in for the main view.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <QWidget>
#include <functional>
#include <memory>

#include "app/MainViewLink.h"
#include "app/TarnApp.h"
#include "platform/MessageBoxScript.h"

class CTarnDoc;
class FakeMIDIController;

// The main view as the shell sees it: knobs for what the frame asks, counters for what it is told.
class FakeMainView : public QWidget, public CMainViewLink
{
public:
    bool initOK = true;
    bool editorVisible = false;
    bool noteSelection = false;
    bool undoAvailable = false;

    int refreshConnectionCount = 0;
    int refreshCurrentDataCount = 0;
    int updateCount = 0;
    int undoCount = 0;
    int cutCount = 0;
    int copyCount = 0;
    int pasteCount = 0;

    QWidget* Widget() override { return this; }
    void OnInitialUpdate() override {}
    bool IsInitOK() const override { return initOK; }
    ResultCode RefreshConnectionState() override { ++refreshConnectionCount; return RC_OK; }
    ResultCode RefreshCurrentData() override { ++refreshCurrentDataCount; return RC_OK; }
    bool IsNoteEditorVisible() const override { return editorVisible; }
    bool HasNoteSelection() const override { return noteSelection; }
    bool IsUndoAvailable() const override { return undoAvailable; }
    void StoreState() override {}
    ResultCode OnFileUpdate() override { ++updateCount; return RC_OK; }
    void OnEditUndo() override { ++undoCount; }
    void OnEditCut() override { ++cutCount; }
    void OnEditCopy() override { ++copyCount; }
    void OnEditPaste() override { ++pasteCount; }
};

// Private user folders for one test: configuration, home and runtime folder (owner-only, as a
// session's runtime folder is), set in the environment for the test's duration.
class PrivateUserFolders
{
public:
    PrivateUserFolders();
    ~PrivateUserFolders();
    PrivateUserFolders(const PrivateUserFolders&) = delete;
    PrivateUserFolders& operator=(const PrivateUserFolders&) = delete;

    [[nodiscard]] bool IsValid() const { return m_root.isValid(); }
    [[nodiscard]] QString Root() const { return m_root.path(); }
    [[nodiscard]] QString ConfigFolder() const { return m_root.path() + QStringLiteral("/config"); }
    [[nodiscard]] QString RuntimeFolder() const { return m_root.path() + QStringLiteral("/run"); }

private:
    QTemporaryDir m_root;
    QByteArray m_saved[3];
    bool m_bWasSet[3] = {false, false, false};
};

// One application object over a scripted console (FakeMIDIController in the MIDI holder) and a fake
// main view. Every process-wide value the shell touches is reset around each test.
class ShellTest : public testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // InitInstance, remembering that ExitInstance is due.
    [[nodiscard]] bool Start();
    // Runs the event loop until the condition holds; false after the deadline.
    [[nodiscard]] static bool WaitFor(const std::function<bool()>& condition, int nTimeoutMs = 5000);
    // What a driver thread does when the network's configuration changed.
    void FireConfigChangeFromDriverThread();

    PrivateUserFolders folders;
    std::unique_ptr<CMessageBoxScript> boxes = std::make_unique<CMessageBoxScript>();
    FakeMIDIController* console = nullptr; // owned by the MIDI holder
    FakeMainView* view = nullptr;          // owned by the frame
    std::unique_ptr<CTarnApp> app;
    bool started = false;
};

// The number of message boxes shown with the given text.
[[nodiscard]] int CountShown(const CMessageBoxScript& boxes, const QString& text);

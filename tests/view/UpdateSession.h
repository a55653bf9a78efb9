#pragma once
// The whole program for the Update command's tests: the application object started as the program
// starts it, with its frame and the data list view, over whatever controller the MIDI holder is given
// (a scripted console, or the real transport when none). Message boxes are recorded and answered from a
// queue; a hook may act while a box is open.
#include <gtest/gtest.h>

#include <QPoint>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <ostream>
#include <vector>

#include "app/ShellFixture.h"
#include "app/TarnApp.h"
#include "platform/MessageBoxService.h"

class CInfoListCtrl;
class CMainFrame;
class CMIDIController;
class CTarnView;
class QWidget;

// A box as a failed expectation shows it.
inline void PrintTo(const MessageBoxRequest& box, std::ostream* os)
{
    *os << "box \"" << box.text.toStdString() << "\"";
}

class UpdateSession
{
public:
    // pController goes to the MIDI holder, which owns it; null lets start-up create the real transport.
    // nTickMs is the progress dialog's timer period.
    UpdateSession(CMIDIController* pController, int nTickMs);
    ~UpdateSession();
    UpdateSession(const UpdateSession&) = delete;
    UpdateSession& operator=(const UpdateSession&) = delete;

    [[nodiscard]] bool Start();
    // Runs the event loop until the condition holds; false after the deadline.
    [[nodiscard]] static bool WaitFor(const std::function<bool()>& condition, int nTimeoutMs = 5000);
    [[nodiscard]] CTarnApp& App() { return *m_pApp; }
    [[nodiscard]] CTarnView& View();
    [[nodiscard]] CInfoListCtrl& List();

    // What a driver thread does on a configuration change, then one turn of the event loop, so that the
    // application sees the change where it stands (inside a box it is dropped, as the platform does).
    void FireDeviceEvent();

    // The boxes shown so far, and how many carried this text.
    std::vector<MessageBoxRequest> shown;
    [[nodiscard]] int Count(const QString& text) const;
    // Answers for the next boxes, in order; then each box gets its escape button.
    std::deque<MessageBoxAnswer> answers;
    // Runs while a box is open, before it is answered.
    std::function<void(const MessageBoxRequest&)> onBox;

    // The row whose "No." cell shows this key; -1 when none.
    [[nodiscard]] int RowOfKey(int nKey);
    // Clicks the Update button; returns when the update has run its course.
    void ClickUpdate();

    // Mouse events straight to the list's viewport, the way the pressed widget keeps getting them.
    void Press(QPoint point);
    void Move(QPoint point);
    void Release(QPoint point);
    // The middle of the Update button in the list's viewport coordinates.
    [[nodiscard]] QPoint UpdateButtonPoint();
    // A drag of the selected row from its "Name" cell to `to`, ending with the release there.
    void DragSelectedRowTo(QPoint to);

private:
    PrivateUserFolders m_folders;
    std::unique_ptr<CTarnApp> m_pApp;
    bool m_bStarted = false;
    Qt::MouseButtons m_buttons;
};

// The data message the console must receive when the entry with this key is written.
[[nodiscard]] std::vector<std::uint8_t> DataMessageOf(int nKey);

inline const QString kCompleted = QStringLiteral("Data update completed.");
inline const QString kInvalid = QStringLiteral("Sonvale Data is invalid.\nPlease try to update data again.");
inline const QString kUnproven = QStringLiteral(
    "The answer from Ostra may be for an earlier update.\nPlease try to update data again.");
inline const QString kFlashFailed = QStringLiteral("Can't write Sonvale Data to Flash Memory.");
inline const QString kConnectionError =
    QStringLiteral("Connection Error.\nPlease make sure of whether Ostra is connected to your computer correctly.");
inline const QString kQuestion = QStringLiteral("Do you want to update Sonvale Data?");
inline const QString kCaption = QStringLiteral("Sonvale Data Manager");

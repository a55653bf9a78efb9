#pragma once
#include <QObject>
#include <QSocketNotifier>
#include <memory>

#include "platform/TerminationRequest.h"

// Ends the program the way File > Exit does when the session asks it to (SIGTERM at logout, SIGHUP,
// SIGINT from a terminal): the window's placement, the notes and the widths are stored and the
// preference file is saved. While an update runs the request waits for the update to end, so the
// transport is never closed under the worker; a second signal while it waits ends the program at once,
// after the notes, widths, sort and placement are saved (CTerminationRequest: a SIGHUP is never a
// second request). Signals that come together (a session's end sends SIGTERM and SIGHUP at once) are
// one request. Open menus and boxes are closed first, each box
// answering as if Esc had been pressed. The end always runs in the event loop: a request that comes
// while start-up shows a box closes the box, and the end itself runs once main enters its loop.
//
// InstallHandlers runs first in main, before anything else takes time, so that a signal in the first
// moments is held in the pipe and carried out like any other. The handler only writes a byte to the
// pipe; everything else runs on the user-interface thread.
class CTerminationWatch : public QObject
{
    Q_OBJECT
public:
    // Puts the handlers in place; a signal that comes before the watch exists waits in the pipe.
    // Returns false when the pipe could not be made (the signals then keep their default action).
    static bool InstallHandlers();

    CTerminationWatch();
    ~CTerminationWatch() override;
    CTerminationWatch(const CTerminationWatch&) = delete;
    CTerminationWatch& operator=(const CTerminationWatch&) = delete;

    // Whether the handlers are in place (false when the pipe could not be made).
    [[nodiscard]] bool IsInstalled() const { return m_pNotifier != nullptr; }
    // Whether a signal asked the program to end.
    [[nodiscard]] bool IsRequested() const { return m_bRequested; }

    // Schedules the end on the event loop (see EndWhenIdle); one schedule at a time.
    void ScheduleEnd();

    // Closes the menus and boxes, then the main window, and leaves the event loop; waits for an update
    // to end first.
    void EndWhenIdle();

protected:
    // Once the program is ending, a box that start-up or a command still opens is closed as it shows.
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    void OnSignalled();
    // The second request while an update runs: saves what the user has and ends the process now.
    [[noreturn]] void EndNow();

    std::unique_ptr<QSocketNotifier> m_pNotifier;
    bool m_bRequested = false;
    bool m_bEndScheduled = false;
    bool m_bWaitingForUpdate = false; // the request was acted upon: the end waits for the update
    CTerminationRequest m_request;
};

#pragma once
#include <QObject>
#include <QSocketNotifier>
#include <memory>

// Ends the program the way File > Exit does when the session asks it to (SIGTERM at logout, SIGHUP,
// SIGINT from a terminal): the window's placement, the notes and the widths are stored and the
// preference file is saved. While an update runs the request waits for the update to end, so the
// transport is never closed under the worker. Open menus and boxes are closed first, each box answering
// as if Esc had been pressed; a request that comes while start-up shows a box is carried out once
// start-up is done (see main), since the event loop that quitting would leave is not running yet.
//
// The signal handler only writes a byte to a pipe; everything else runs on the user-interface thread.
class CTerminationWatch : public QObject
{
    Q_OBJECT
public:
    CTerminationWatch();
    ~CTerminationWatch() override;
    CTerminationWatch(const CTerminationWatch&) = delete;
    CTerminationWatch& operator=(const CTerminationWatch&) = delete;

    // Whether the handlers are in place (false when the pipe could not be made).
    [[nodiscard]] bool IsInstalled() const { return m_pNotifier != nullptr; }
    // Whether a signal asked the program to end.
    [[nodiscard]] bool IsRequested() const { return m_bRequested; }

    // Closes the menus and boxes, then the main window, and leaves the event loop; waits for an update
    // to end first.
    void EndWhenIdle();

protected:
    // Once the program is ending, a box that start-up or a command still opens is closed as it shows.
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    void OnSignalled();

    std::unique_ptr<QSocketNotifier> m_pNotifier;
    bool m_bRequested = false;
};

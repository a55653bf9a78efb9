#pragma once
#include <QObject>
#include <QSocketNotifier>
#include <memory>

// Ends the program the way File > Exit does when the session asks it to (SIGTERM at logout, SIGHUP,
// SIGINT from a terminal): the window's placement, the notes and the widths are stored and the
// preference file is saved. While an update runs the request waits for the update to end, so the
// transport is never closed under the worker.
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

private:
    void OnSignalled();
    void EndWhenIdle();

    std::unique_ptr<QSocketNotifier> m_pNotifier;
};

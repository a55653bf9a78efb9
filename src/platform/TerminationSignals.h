#pragma once

// SIGTERM, SIGINT and SIGHUP turned into bytes on a pipe (each the signal's number), for a program that
// ends on them at a moment of its own choosing: the handler only writes the byte; the program reads the
// pipe wherever it likes (an event loop's notifier, a thread of its own). One pipe per process, like
// the signal dispositions.
class CTerminationSignals
{
public:
    // Puts the handlers in place, once; later calls return the same read end. bBlockingRead: the read end
    // blocks (for a thread that waits on it) instead of returning at once. -1 when the pipe cannot be
    // made: the signals then keep their default action.
    [[nodiscard]] static int Install(bool bBlockingRead);
    // The signals' default action again; the pipe stays.
    static void Restore();
};

#pragma once

// Ends sonvale-cli on SIGINT (Ctrl+C), SIGTERM and SIGHUP as the window ends on them, with the status
// of an end by that signal (130, 143, 129). Outside an exchange with the console the program ends at
// once; during one the first request waits for the exchange to end within its own time, so that the
// console's answer is taken and reported, and the status then tells of the signal. A second SIGINT or
// SIGTERM while it waits ends the program at once (CTerminationRequest: a SIGHUP never asks again).
// Any end comes between two file replacements (CFileSaver), never in the middle of one.
//
// The handler only writes the signal's number to a pipe; a watcher thread of its own reads it and acts.
class CCliTermination
{
public:
    // Puts the handlers in place and starts the watcher; first thing in main. False when the pipe or
    // the thread could not be had (the signals then keep their default action).
    static bool Install();

    // While one lives, the program is in an exchange with the console: a first request waits for it.
    class Exchange
    {
    public:
        Exchange();
        ~Exchange();
        Exchange(const Exchange&) = delete;
        Exchange& operator=(const Exchange&) = delete;
    };

    // The status the program ends with: that of the request when one was made, else `status`.
    [[nodiscard]] static int ExitStatus(int status);
};

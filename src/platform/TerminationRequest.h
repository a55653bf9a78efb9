#pragma once

// What the termination signals (SIGINT, SIGTERM, SIGHUP) ask of a program that ends on them: the first
// asks it to end once what it is doing with the console is over; a second SIGINT or SIGTERM that comes
// while it is honouring that request asks it to end at once. A SIGHUP never asks again, nor does the
// first SIGINT or SIGTERM after one: a session that ends sends SIGTERM and SIGHUP together (in either
// order), and a terminal that closes sends SIGHUP after the user's Ctrl+C. Signals that come before the
// program has begun to honour the first are part of it. Plain data, used on one thread at a time.
class CTerminationRequest
{
public:
    enum class Meaning {
        First, // the request to end
        Again, // asked again while the first is honoured: end now
        Same,  // part of a request already made
    };

    // bHonouring: the program is acting on the first request (waiting for an exchange to end).
    [[nodiscard]] Meaning Add(int nSignal, bool bHonouring);
    [[nodiscard]] bool IsRequested() const { return m_nFirstSignal != 0; }
    // The exit status that tells the end came from the request: 128 plus the first signal's number.
    [[nodiscard]] int ExitStatus() const { return 128 + m_nFirstSignal; }

private:
    int m_nFirstSignal = 0;
    bool m_bAsked = false; // a SIGINT or SIGTERM is part of the request
};

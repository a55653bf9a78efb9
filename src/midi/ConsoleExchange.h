#pragma once
#include <cstdint>
#include <mutex>

// The one owner of an exchange with the console: from the moment the port takes its message until the
// exchange ends, it decides which of the driver's reports belong to that message. Its rules:
//
//  1. A message's events belong to it. The port numbers the messages it takes (1, 2, ...); Send is
//     decided only by the outcome that names its message. The outcome of a message whose sender stopped
//     waiting goes nowhere, and a message dropped unsent counts as not sent, never as sent.
//  2. Only later replies count. A message from the console counts for the exchange only when it
//     arrived in a process cycle after the one in which the exchange's first message left (a turn may
//     send several: a write and its read-back). The driver tells a
//     port's outcomes and arrivals in cycle order, so what arrives before the departure is known arrived
//     in that cycle or earlier.
//  3. Every answer that counts is kept. Which message an answer pays is the ledger's to say
//     (CAnswerLedger): the exchange only tells whether the message may have left, so that a message
//     that surely did not leave owes nothing.
//  4. From a driver that stamps nothing, an outcome counts for the message awaited, and a message counts
//     when it arrives while no outcome is awaited.
//
// Threads: OnOutcome and OnArrival run on the driver's thread; everything else on the thread that runs
// the exchange. A mutex keeps them apart; nothing under it blocks or calls out.
class CConsoleExchange {
public:
    // What each outcome comes to for Send: MIDI_EVENT_SENT, MIDI_EVENT_SEND_FAILED, or MIDI_EVENT_NONE
    // when it is not the awaited message's.
    using Event = std::int32_t;

    // The port is about to take message `number`. True when it is the first of the exchange (nothing
    // arrived yet counts for it), false for a later one (a read-back), for which what answers the
    // earlier ones still counts.
    bool Begin(std::uint32_t number);
    // The port did not take the message after all: nothing is awaited.
    void NotTaken();
    // Send has stopped waiting for the outcome, whatever came.
    void StopAwaiting();

    // Driver thread: the stamped outcome of message `number` in `cycle`: sent whole, or not (failed, or
    // dropped unsent).
    [[nodiscard]] Event OnOutcome(std::uint32_t number, bool bSent, std::uint64_t cycle);
    // Driver thread: an outcome without a number (a driver that stamps nothing).
    [[nodiscard]] Event OnUnstampedOutcome(bool bSent);
    // Driver thread: whether a message from the console that arrived in `cycle` counts for the exchange
    // (cycle 0: a driver that stamps nothing).
    [[nodiscard]] bool OnArrival(std::uint64_t cycle);

    // Whether the message of the exchange went out or may still have: its answer may come.
    [[nodiscard]] bool MayHaveLeft() const;
    // Ends the exchange: nothing is awaited and every message counts again.
    void End();

private:
    enum class Phase { Idle, Awaiting, Left, Failed };

    mutable std::mutex m_mutex;
    Phase m_phase = Phase::Idle;
    std::uint32_t m_number = 0;        // the message of the exchange
    std::uint64_t m_departure = 0;     // the cycle it left in
    std::uint64_t m_turnDeparture = 0; // the cycle the turn's first message left in (0: none left yet)
    bool m_bOutcomeMissed = false;     // Send stopped waiting before any outcome came
};

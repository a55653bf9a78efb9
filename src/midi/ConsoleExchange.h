#pragma once
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>

// The one owner of an exchange with the console: from the moment the port takes its message until the
// exchange ends, it decides which of the driver's reports belong to that message. Its rules:
//
//  1. A message's events belong to it. The port numbers the messages it takes (1, 2, ...); Send is
//     decided only by the outcome that names its message. The outcome of a message whose sender stopped
//     waiting goes nowhere, and a message dropped unsent counts as not sent, never as sent.
//  2. Only later replies count. A message from the console counts for the exchange only when it
//     arrived in a process cycle after the one in which the exchange's message left. The driver tells a
//     port's outcomes and arrivals in cycle order, so what arrives before the departure is known arrived
//     in that cycle or earlier.
//  3. A late reply is never taken by another write. An exchange whose message may have left and that
//     took no reply leaves a mark on the console's turn (CConsoleTurn's note) that lasts kLateGrace:
//     until then any reply from that console's device may be that late one, for every program of the
//     user. A reply taken while a mark stands is unproven, and whoever takes it must prove it or say it
//     cannot tell.
//  4. From a driver that stamps nothing, an outcome counts for the message awaited, and a message counts
//     when it arrives while no outcome is awaited.
//
// Threads: OnOutcome and OnArrival run on the driver's thread; everything else on the thread that runs
// the exchange. A mutex keeps them apart; nothing under it blocks or calls out.
class CConsoleExchange {
public:
    // How long after an exchange gave up its reply may still come and be mistaken for another's.
    static constexpr std::chrono::milliseconds kLateGrace{6000};
    // What each outcome comes to for Send: MIDI_EVENT_SENT, MIDI_EVENT_SEND_FAILED, or MIDI_EVENT_NONE
    // when it is not the awaited message's.
    using Event = std::int32_t;

    // A new exchange: the port is about to take message `number`. lateUntil: the mark found on the
    // console's turn (a time of the system clock; none when in the past or empty).
    void Begin(std::uint32_t number, std::chrono::system_clock::time_point lateUntil);
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

    // The reply last received answers the exchange's message.
    void ReplyTaken();
    // Whether a reply taken now may be the late reply of an earlier exchange.
    [[nodiscard]] bool Unproven() const;
    // Ends the exchange. The mark to leave on the console's turn: the time until which the exchange's
    // own reply may still come, when its message may have left and no reply was taken; otherwise the
    // mark found at Begin if it still stands, or none (the epoch).
    [[nodiscard]] std::chrono::system_clock::time_point End();

    // The note on the console's turn that carries a mark left at the console's device `device` (its
    // identifier on the network), and back. A late reply can only come from the device that was asked:
    // a console that left the network and came again is a new device, and a mark of the old one is none.
    [[nodiscard]] static std::string MarkNote(std::chrono::system_clock::time_point until, std::uint64_t device);
    // The mark a note carries for `device`; none (the epoch) when it carries none, one of another device,
    // or one further off than the grace (a clock set back, or a note not of this program).
    [[nodiscard]] static std::chrono::system_clock::time_point ReadMark(const std::string& note, std::uint64_t device);

private:
    enum class Phase { Idle, Awaiting, Left, Failed };

    mutable std::mutex m_mutex;
    Phase m_phase = Phase::Idle;
    std::uint32_t m_number = 0;        // the message of the exchange
    std::uint64_t m_departure = 0;     // the cycle it left in
    bool m_bOutcomeMissed = false;     // Send stopped waiting before any outcome came
    bool m_bReplyTaken = false;
    bool m_bOwed = false;              // an earlier message of this exchange left and took no reply
    bool m_bArrivalUnproven = false;   // the last message that counted came while a mark stood
    std::chrono::system_clock::time_point m_lateUntil{};
};

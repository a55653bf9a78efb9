#pragma once
#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/ResultCode.h"

class CMIDIController;
class CSysExConverter;

// One turn at the console as the data classes hold it: messages sent, and every answer the console
// gave in the turn, taken in arrival order and entered in the console's owed answers (CAnswerLedger).
// Whose an answer is follows from the ledger alone, never from how late it came:
//  - with nothing owed before the message and nothing strayed, the answer of its kind that came is its
//    own (two that came together count only when they say the same);
//  - otherwise (older answers of its kind owed, answers nobody was owed seen before, the ledger not
//    usable, answers lost on the way in) it is proven only by answers that pay every debt of its kind
//    and all say the same, or, for a write, by a read-back of the console's entry.
//
// Threads: the thread running the exchange (an update worker, or the user-interface thread).
class CConsoleConversation {
public:
    using Clock = std::chrono::steady_clock;
    // Exchange buffers, each way, and the time-outs of one message's send and of its answers.
    static constexpr std::uint16_t kBufferSize = 1024;
    static constexpr std::uint16_t kSendTimeoutMs = 3000;
    static constexpr std::uint16_t kReceiveTimeoutMs = 10000;
    // How long after an answer of its kind an exchange that owes older ones waits for the next.
    static constexpr std::chrono::milliseconds kSettle{1000};
    // Answers that reach this program at most this far apart came together: the answers one message
    // drew (its own, a copy of it, a stale one or one of another kind sent with it) come within a few
    // process cycles (5.3 ms each at 256 frames and 48 kHz). Answers that came together pay one debt
    // only, since they may all be one message's; an exchange looks this long past its answer for more.
    static constexpr std::chrono::milliseconds kTogether{30};

    struct Answer {
        int kind = 0;       // CSysExConverter::kReply*
        ResultCode status = RC_OK; // a completion: what it says
        std::string name;   // an identity: the entry named
    };
    struct Heard {
        std::vector<Answer> answers; // of both kinds, in arrival order
        bool bGarbage = false;       // messages that are no answer at all
        bool bLedger = false;        // the transport keeps owed answers
        bool bOwing = false;         // older answers of the kind were owed, answers nobody was owed were
                                     // seen before, or the ledger cannot be used
        std::size_t owedBefore = 0;  // older answers of the kind asked for still owed when it left
        std::size_t arrivals = 0;    // of answers of the kind asked for, those that came together once
        bool bMayHoldBefore = false; // a write: the console may hold its entry by another's doing
        bool bDropped = false;       // messages from the console were lost on the way in
        [[nodiscard]] std::vector<const Answer*> Of(int kind) const;
        // Whether every answer of the kind says the same.
        [[nodiscard]] bool Agree(int kind) const;
        // Whether the answers of the kind are its own message's by the ledger alone: nothing else of
        // the kind was owed and all that came say the same.
        [[nodiscard]] bool Proven(int kind) const
        {
            return !bLedger || (!bOwing && !bDropped && Agree(kind));
        }
    };
    enum class Failure { None, NothingSent, ConsoleBusy };

    CConsoleConversation(CMIDIController& controller, const CSysExConverter& converter, Clock::time_point deadline)
        : m_controller(controller), m_converter(converter), m_deadline(deadline)
    {
    }

    // Sends one message that asks for an answer of `kind` (for a write, `entry` names what it carries)
    // and takes the console's answers until its own is known or the time is up. False when nothing
    // could be sent (`Failed` says why).
    [[nodiscard]] bool Ask(const std::uint8_t* message, std::uint32_t length, int kind, const std::string& entry,
                           Heard& heard);
    [[nodiscard]] Failure Failed() const { return m_failure; }

    // The entry the console holds, asked in the same turn: true with `name` when its answer is proven.
    [[nodiscard]] bool ReadBack(std::string& name, Heard& heard);
    // Whether identity answers prove what the console holds (all of them name `name`).
    [[nodiscard]] static bool IdentityProven(const Heard& heard, std::string& name);

private:
    void Collect(int kind, Heard& heard);
    // Takes one answer (or none by the deadline): false when nothing more came.
    bool TakeOne(std::uint16_t timeoutMs, Heard& heard);
    // The answers that came together so far pay one debt: of the kind asked for when one of them is of
    // it, else of theirs. More than one answer in them, or none owed, leaves the console strayed.
    void SettleArrival();

    struct Arrival {
        bool bOpen = false;
        Clock::time_point last;
        unsigned kinds = 0; // a bit per answer kind
        std::size_t answers = 0;
    };
    Arrival m_arrival;
    int m_askedKind = 0;

    CMIDIController& m_controller;
    const CSysExConverter& m_converter;
    Clock::time_point m_deadline;
    Failure m_failure = Failure::None;
};

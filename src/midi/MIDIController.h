#pragma once
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "midi/AnswerLedger.h"
#include "midi/ConsoleChoice.h"
#include "midi/MIDIEvent.h"
#include "platform/ResultCode.h"

// The transport to the console: one system-exclusive exchange at a time, reduced to a last-event value
// that Send and Receive poll. Results are of the exchange family: RC_EXCHANGE_OK on success.
//
// Threads: Open and Close run on the user-interface thread. Send and Receive run on the user-interface
// thread or on an update worker, one exchange at a time, never while Open or Close runs (the application
// keeps them apart). OnEvent runs on the driver's threads.
class CMIDIController {
public:
    // Releases every driver object the controller holds.
    virtual ~CMIDIController() = default;

    // Connects to every usable port of every device the driver knows, releasing whatever was held
    // first, so it may be called again at any time to enumerate afresh. RC_EXCHANGE_OK when at least
    // one port is open for sending and observed for replies; RC_DRIVER_UNAVAILABLE, RC_OBSERVER_REFUSED
    // or RC_NO_USABLE_PORT otherwise.
    [[nodiscard]] virtual ResultCode Open() = 0;

    // Releases every driver object and observer; always RC_EXCHANGE_OK. After it no event reaches the
    // controller, and Send fails at once.
    virtual ResultCode Close() = 0;

    // Sends one complete system-exclusive message of nLength bytes to every open port and waits up to
    // nTimeout milliseconds for the driver's transmission result. Resets the last event first.
    // RC_EXCHANGE_OK when the result is "sent"; RC_SEND_FAILED when no port is open (at once), a port
    // refuses the message (later ports get nothing), the result is "failed" or none came in time.
    [[nodiscard]] virtual ResultCode Send(const std::uint8_t* pData, std::uint16_t nLength,
                                          std::uint16_t nTimeout) = 0;

    // Waits up to nTimeout milliseconds for a message from the console that came after the Send just
    // before (the oldest of them not yet passed over) and copies it into pBuffer. *pnLength is the capacity on entry and the number of bytes copied on success.
    // RC_RECEIVE_FAILED when no message came in time or a receive error was reported; RC_BUFFER_TOO_SMALL
    // when the message is longer than the capacity (the buffer then holds its first bytes, *pnLength is
    // unchanged). Does not reset the last event: a second Receive returns the same message again.
    [[nodiscard]] virtual ResultCode Receive(std::uint8_t* pBuffer, std::uint16_t* pnLength,
                                             std::uint16_t nTimeout) = 0;

    // Runs on a driver thread: records one transport event (MIDI_EVENT_*). For MIDI_EVENT_RECEIVED,
    // nLength bytes at pData are the message; pData stays valid until the controller is closed or a
    // later message replaces it. Tells the device listener about MIDI_EVENT_CONFIG_CHANGED.
    // Always RC_EXCHANGE_OK.
    virtual ResultCode OnEvent(std::int32_t nEvent, std::uint16_t nLength, const std::uint8_t* pData) = 0;

    // Runs on a driver thread: OnEvent with what the driver stamped on it: for MIDI_EVENT_SENT and
    // MIDI_EVENT_SEND_FAILED the number of the message (as the port counted the messages it took), for
    // MIDI_EVENT_RECEIVED the process cycle of its arrival. A transport that keeps no stamps records the
    // event as OnEvent does.
    struct Stamp {
        std::uint32_t message = 0;
        std::uint64_t cycle = 0;
    };
    virtual ResultCode OnStampedEvent(std::int32_t nEvent, const Stamp& /*stamp*/, std::uint16_t nLength,
                                      const std::uint8_t* pData)
    {
        return OnEvent(nEvent, nLength, pData);
    }

    // Why the last Open or Send failed, beyond its result code.
    enum class Fault {
        None,
        ConsoleBusy,      // Send: another program's exchange with the console did not end in time
        NotSent,          // Send: no port took the message, or its transmission was not confirmed
        AmbiguousConsole, // Open: two clients offer a console with the same identifier
        NoSuchConsole,    // Open: no console has the identifier asked for
    };
    [[nodiscard]] virtual Fault LastFault() const { return Fault::None; }
    // The words that go with the last fault for a person (the clients of an ambiguous console); may be
    // empty.
    [[nodiscard]] virtual std::string FaultDetail() const { return {}; }
    // As of the last Open: words for a person when a program that takes no turns with this one also
    // sends to the console (its exchanges can cross ours); empty otherwise.
    [[nodiscard]] virtual std::string SharingDetail() const { return {}; }

    // The console the next Open keeps: the one asked for (CConsoleChoice), or with nothing asked the
    // one with the lowest pair identifier. Runs on the thread that opens the transport.
    virtual void SelectConsole(const ConsoleWish& /*wish*/) {}
    // As of the last Open, on the thread that opens the transport: every console found on the network
    // (client and pair identifier), and the one kept, when one was.
    [[nodiscard]] virtual std::vector<ConsoleCandidate> Consoles() const { return {}; }
    [[nodiscard]] virtual std::optional<ConsoleCandidate> ChosenConsole() const { return std::nullopt; }

    // When the message the last Receive returned reached this program; none when the transport does
    // not know.
    [[nodiscard]] virtual std::optional<std::chrono::steady_clock::time_point> ReceivedAt() const
    {
        return std::nullopt;
    }
    // Passes over the message the last Receive returned: the next Receive waits for a newer one.
    virtual void DropReceived() {}

    // Takes the console's turn before the first message of an exchange (Send takes it otherwise), so
    // that the owed answers can be looked at before anything is sent. False when another program kept
    // it past the time-out (LastFault then says ConsoleBusy); nothing was sent.
    [[nodiscard]] virtual bool TakeTurn(std::uint16_t /*timeoutMs*/) { return true; }
    // The answer the next Send's message asks for: its kind (CAnswerLedger's, the data classes' reply
    // kinds) and, for a write, the entry it carries. The message is entered among the console's owed
    // answers before it leaves.
    virtual void ExpectAnswer(int /*kind*/, const std::string& /*entry*/) {}
    // The console's owed answers, while this program holds the console's turn (from TakeTurn or Send to
    // EndExchange); null when the transport keeps none: every answer then counts for the message just
    // sent, as from a console that answers each message once and at once.
    [[nodiscard]] virtual CAnswerLedger* Ledger() { return nullptr; }
    // Whether the owed answers could be read and written at the last Send; when not, no answer is
    // proven by the ledger, and LedgerProblem says why. Both are written by the thread that ran the
    // exchange; another thread reads them once that exchange has ended and been joined.
    [[nodiscard]] virtual bool LedgerUsable() const { return true; }
    [[nodiscard]] virtual LedgerFault LedgerProblem() const { return {}; }
    // Whether messages from the console were lost since the exchange began (more than could be kept):
    // the answers taken may not be the whole story.
    [[nodiscard]] virtual bool AnswersDropped() const { return false; }

    // Ends the exchange that Send began: other programs may talk to the console again. Send takes the
    // console for this program and Close lets go of it too.
    virtual void EndExchange() {}
};

#pragma once
#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "OstraClient.h"
#include "OstraHostile.h"
#include "OstraOptions.h"
#include "OstraProtocol.h"
#include "SysExReassembler.h"

// What the emulated console does with each message: answers the identity request, checks and stores
// data messages, and misbehaves as its fault mode says. Runs on the emulator's main thread.
class COstraConsole {
public:
    COstraConsole(const COstraOptions& options, COstraClient& client, std::ostream& log);

    // The entry the console holds now.
    [[nodiscard]] const COstraProtocol::Entry& Current() const { return m_current; }

    // Bytes of one MIDI event that arrived on a pair.
    void OnBytes(std::size_t pair, const std::uint8_t* pBytes, std::size_t count);
    // Logs the events that JACK had no room for since the last call.
    void ReportUnsent();
    // Sends the delayed replies that are due; returns how long until the next one (or idle when none).
    [[nodiscard]] std::chrono::milliseconds SendDue(std::chrono::milliseconds idle);

private:
    struct Delayed {
        std::chrono::steady_clock::time_point due;
        std::size_t pair;
        std::vector<std::uint8_t> reply;
        std::string note; // logged with the time when it is sent (the hostile console's answer line)
    };
    class PairSink;

    void OnMessage(std::size_t pair, const std::uint8_t* pBytes, std::size_t count);
    void OnHostileMessage(std::size_t pair, const std::uint8_t* pBytes, std::size_t count);
    // Sends now (delay 0) or queues one answer of the hostile console, with its answer line.
    void Answer(std::size_t pair, unsigned delayMs, std::vector<std::uint8_t> reply, std::string note);
    [[nodiscard]] std::uint8_t Store(const COstraProtocol::Entry& entry);
    void Reply(std::size_t pair, std::vector<std::uint8_t> reply);
    void Transmit(std::size_t pair, const std::vector<std::uint8_t>& reply);

    const COstraOptions& m_options;
    COstraClient& m_client;
    std::ostream& m_log;
    COstraProtocol::Entry m_current;
    std::vector<CSysExReassembler> m_reassemblers; // one per pair
    std::vector<Delayed> m_delayed;
    COstraHostile m_hostile;
    std::uint64_t m_nextMessage = 1;
    std::string m_previousName; // the entry held before the current one, for stale identity replies
};

#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Turns the bytes that arrive on a MIDI port, in chunks of any size, back into whole system-exclusive
// messages. Pure: no input or output, no threads; the caller feeds bytes and receives what they completed.
//
// What it accepts and what it reports:
//  - F0 ... F7 is one message, delivered whole (F0 and F7 included), however it was split;
//  - realtime bytes (F8 to FF) may appear anywhere, also inside a message, and are dropped;
//  - a new F0 before the F7, any other status byte (80 to EF, F1 to F6) inside a message, or a message
//    longer than the limit breaks the message: it is reported as broken, never delivered;
//  - a stray F7 outside a message is reported as broken;
//  - data bytes and channel messages outside a system-exclusive message are not for us and are dropped.
class CSysExReassembler {
public:
    // Told of each outcome, in stream order, on the thread that calls Feed.
    class Sink {
    public:
        virtual ~Sink() = default;
        // A whole message, F0 ... F7; the bytes are valid during the call only.
        virtual void OnMessage(const std::uint8_t* pBytes, std::size_t count) = 0;
        // A message was broken (cut short, interrupted or too long) or a stray end byte arrived.
        virtual void OnBroken() = 0;
    };

    // Messages longer than this are reported broken; far above anything a console sends.
    static constexpr std::size_t DEFAULT_LIMIT = 64 * 1024;

    explicit CSysExReassembler(std::size_t limit = DEFAULT_LIMIT);

    void Feed(const std::uint8_t* pBytes, std::size_t count, Sink& sink);
    // Forgets a message in progress without reporting it (after bytes were lost on the way).
    void Reset();
    [[nodiscard]] bool InMessage() const { return m_bInMessage; }

private:
    std::size_t m_limit;
    bool m_bInMessage = false;
    bool m_bOverlong = false; // the current message passed the limit; swallow it up to its F7
    std::vector<std::uint8_t> m_message;
};

#include "OstraConsole.h"

#include "OstraFlash.h"

class COstraConsole::PairSink : public CSysExReassembler::Sink {
public:
    PairSink(COstraConsole& console, std::size_t pair) : m_console(console), m_pair(pair) {}
    void OnMessage(const std::uint8_t* pBytes, std::size_t count) override { m_console.OnMessage(m_pair, pBytes, count); }
    void OnBroken() override { m_console.m_log << "<- [" << m_pair << "] broken system-exclusive message dropped\n"; }

private:
    COstraConsole& m_console;
    std::size_t m_pair;
};

COstraConsole::COstraConsole(const COstraOptions& options, COstraClient& client, std::ostream& log)
    : m_options(options), m_client(client), m_log(log), m_reassemblers(2)
{
    m_current.name = options.entryName;
    if (!options.flashPath.empty() && COstraFlash::Load(options.flashPath, m_current))
        m_log << "flash " << options.flashPath << " holds \"" << m_current.name << "\"\n";
}

void COstraConsole::OnBytes(std::size_t pair, const std::uint8_t* pBytes, std::size_t count)
{
    if (pair >= m_reassemblers.size())
        return;
    PairSink sink(*this, pair);
    m_reassemblers[pair].Feed(pBytes, count, sink);
}

std::uint8_t COstraConsole::Store(const COstraProtocol::Entry& entry)
{
    if (!m_options.flashFailEntry.empty() && entry.name == m_options.flashFailEntry) {
        m_log << "   flash write of \"" << entry.name << "\" refused (--flash-fail-entry)\n";
        return COstraProtocol::STATUS_FLASH_FAILED;
    }
    if (!m_options.flashPath.empty() && !COstraFlash::Save(m_options.flashPath, entry)) {
        m_log << "   flash " << m_options.flashPath << " cannot be written\n";
        return COstraProtocol::STATUS_FLASH_FAILED;
    }
    m_current = entry;
    return COstraProtocol::STATUS_STORED;
}

void COstraConsole::OnMessage(std::size_t pair, const std::uint8_t* pBytes, std::size_t count)
{
    m_log << "<- [" << pair << "] " << COstraProtocol::Hex(pBytes, count) << "  ("
          << COstraProtocol::Describe(pBytes, count) << ")\n";
    const bool swap = m_options.fault == OstraFault::Swap;
    switch (COstraProtocol::Classify(pBytes, count)) {
    case COstraProtocol::Kind::Foreign:
        return;
    case COstraProtocol::Kind::IdentityRequest:
        Reply(pair, swap ? COstraProtocol::BuildCompletionReply(COstraProtocol::STATUS_STORED)
                         : COstraProtocol::BuildIdentityReply(m_current.name));
        return;
    case COstraProtocol::Kind::DataMessage:
        break;
    }
    COstraProtocol::Entry entry;
    std::string reason;
    std::uint8_t status = COstraProtocol::STATUS_INVALID;
    if (m_options.fault == OstraFault::Invalid)
        status = COstraProtocol::STATUS_INVALID;
    else if (m_options.fault == OstraFault::FlashFail)
        status = COstraProtocol::STATUS_FLASH_FAILED;
    else if (COstraProtocol::CheckDataMessage(pBytes, count, entry, reason))
        status = Store(entry);
    std::vector<std::uint8_t> reply =
        swap ? COstraProtocol::BuildIdentityReply(m_current.name) : COstraProtocol::BuildCompletionReply(status);
    for (const COstraOptions::LateEntry& late : m_options.lateEntries) {
        if (late.name != entry.name)
            continue;
        // A console busy with this one entry: its answer comes late while others are answered at once.
        const unsigned delayMs = late.delayMs != 0 ? late.delayMs : m_options.delayMs;
        m_log << "   reply in " << delayMs << " ms (--late-entry)\n";
        m_delayed.push_back({std::chrono::steady_clock::now() + std::chrono::milliseconds(delayMs), pair, std::move(reply)});
        return;
    }
    Reply(pair, std::move(reply));
}

void COstraConsole::Reply(std::size_t pair, std::vector<std::uint8_t> reply)
{
    switch (m_options.fault) {
    case OstraFault::Silent:
        m_log << "   no reply (fault mode silent)\n";
        return;
    case OstraFault::Delay:
        m_log << "   reply in " << m_options.delayMs << " ms\n";
        m_delayed.push_back({std::chrono::steady_clock::now() + std::chrono::milliseconds(m_options.delayMs), pair,
                             std::move(reply)});
        return;
    case OstraFault::Garbage:
        // Framed like a message of ours, but its content means nothing.
        reply = {0xF0, 0x7D, 0x55, 0x2A, 0x00, 0x7F, 0x13, 0x66, 0x01, 0xF7};
        break;
    default:
        break;
    }
    Transmit(pair, reply);
}

void COstraConsole::Transmit(std::size_t pair, const std::vector<std::uint8_t>& reply)
{
    m_log << "-> [" << pair << "] " << COstraProtocol::Hex(reply.data(), reply.size()) << "  ("
          << COstraProtocol::Describe(reply.data(), reply.size()) << ")\n";
    if (m_options.fault != OstraFault::Split) {
        if (!m_client.Send(pair, reply.data(), reply.size()))
            m_log << "   reply dropped: output queue full\n";
        return;
    }
    const std::size_t parts = m_options.splitCount;
    const std::size_t step = (reply.size() + parts - 1) / parts;
    for (std::size_t at = 0; at < reply.size(); at += step) {
        const std::size_t n = std::min(step, reply.size() - at);
        if (!m_client.Send(pair, reply.data() + at, n))
            m_log << "   reply part dropped: output queue full\n";
    }
    m_log << "   sent as " << (reply.size() + step - 1) / step << " MIDI events\n";
}

void COstraConsole::ReportUnsent()
{
    for (std::size_t pair = 0; pair < m_reassemblers.size(); ++pair)
        if (const unsigned count = m_client.TakeUnsent(pair))
            m_log << "   [" << pair << "] " << count
                  << " MIDI event(s) NOT sent: no room in the JACK MIDI buffer of the cycle\n";
}

std::chrono::milliseconds COstraConsole::SendDue(std::chrono::milliseconds idle)
{
    const auto now = std::chrono::steady_clock::now();
    auto next = idle;
    for (auto it = m_delayed.begin(); it != m_delayed.end();) {
        if (it->due <= now) {
            Transmit(it->pair, it->reply);
            it = m_delayed.erase(it);
            continue;
        }
        next = std::min(next, std::chrono::duration_cast<std::chrono::milliseconds>(it->due - now) + std::chrono::milliseconds(1));
        ++it;
    }
    return next;
}

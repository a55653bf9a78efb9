#include "OstraConsole.h"

#include "OstraFlash.h"

#include <cstdio>

namespace {

// Milliseconds of the monotonic clock (CLOCK_MONOTONIC, as every process sees it), for the hostile
// console's log lines.
std::string MonotonicMs()
{
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", std::chrono::duration<double, std::milli>(since).count());
    return text;
}

std::string Status(std::uint8_t status)
{
    return COstraProtocol::Hex(&status, 1);
}

} // namespace

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
    : m_options(options), m_client(client), m_log(log), m_reassemblers(2),
      m_hostile(options.hostileSeed, options.hostileOnly), m_nextMessage(options.hostileFrom)
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
    m_previousName = m_current.name;
    m_current = entry;
    return COstraProtocol::STATUS_STORED;
}

void COstraConsole::OnMessage(std::size_t pair, const std::uint8_t* pBytes, std::size_t count)
{
    m_log << "<- [" << pair << "] " << COstraProtocol::Hex(pBytes, count) << "  ("
          << COstraProtocol::Describe(pBytes, count) << ")\n";
    if (m_options.hostile) {
        OnHostileMessage(pair, pBytes, count);
        return;
    }
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
        m_delayed.push_back({std::chrono::steady_clock::now() + std::chrono::milliseconds(delayMs), pair, std::move(reply), {}});
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
                             std::move(reply), {}});
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
            if (!it->note.empty())
                m_log << it->note << " at=" << MonotonicMs() << "\n";
            Transmit(it->pair, it->reply);
            it = m_delayed.erase(it);
            continue;
        }
        next = std::min(next, std::chrono::duration_cast<std::chrono::milliseconds>(it->due - now) + std::chrono::milliseconds(1));
        ++it;
    }
    return next;
}

// The hostile console decides on arrival what its flash holds afterwards, and logs that decision
// before any answer goes out: the log is the truth a soak judges the programs' outcomes against.
void COstraConsole::OnHostileMessage(std::size_t pair, const std::uint8_t* pBytes, std::size_t count)
{
    const COstraProtocol::Kind kind = COstraProtocol::Classify(pBytes, count);
    if (kind == COstraProtocol::Kind::Foreign)
        return;
    const std::uint64_t number = m_nextMessage++;
    const COstraHostile::Plan plan = m_hostile.Choose(number);
    const std::string tag = "msg=" + std::to_string(number);
    std::vector<std::uint8_t> fresh, stale, other;
    std::string line = "   msg " + std::to_string(number);
    std::string freshNote, staleNote;
    if (kind == COstraProtocol::Kind::IdentityRequest) {
        // Answered with the entry held on arrival, however late the answer goes out.
        const std::string staleName =
            !m_previousName.empty() && m_previousName != m_current.name ? m_previousName : "Stale #" + std::to_string(number);
        fresh = COstraProtocol::BuildIdentityReply(m_current.name);
        stale = COstraProtocol::BuildIdentityReply(staleName);
        other = COstraProtocol::BuildCompletionReply(COstraProtocol::STATUS_STORED);
        line += " kind=identity entry=\"" + m_current.name + "\" decision=-";
        freshNote = "names=\"" + m_current.name + "\"";
        staleNote = "names=\"" + staleName + "\"";
    } else {
        COstraProtocol::Entry entry;
        std::string reason;
        const bool valid = COstraProtocol::CheckDataMessage(pBytes, count, entry, reason);
        COstraHostile::Decision decision = valid ? plan.decision : COstraHostile::Decision::Invalid;
        std::uint8_t status = COstraProtocol::STATUS_INVALID;
        if (decision == COstraHostile::Decision::Stored) {
            status = Store(entry);
            if (status != COstraProtocol::STATUS_STORED)
                decision = COstraHostile::Decision::FlashFailed;
        } else if (decision == COstraHostile::Decision::FlashFailed) {
            status = COstraProtocol::STATUS_FLASH_FAILED;
        }
        const std::uint8_t staleStatus = status != COstraProtocol::STATUS_STORED ? COstraProtocol::STATUS_STORED
                                         : number % 2 != 0                      ? COstraProtocol::STATUS_INVALID
                                                                                : COstraProtocol::STATUS_FLASH_FAILED;
        fresh = COstraProtocol::BuildCompletionReply(status);
        stale = COstraProtocol::BuildCompletionReply(staleStatus);
        other = COstraProtocol::BuildIdentityReply("Other #" + std::to_string(number));
        line += " kind=data entry=\"" + entry.name + "\" decision=" + COstraHostile::Name(decision);
        freshNote = "status=" + Status(status);
        staleNote = "status=" + Status(staleStatus);
    }
    m_log << line << " behaviour=" << COstraHostile::Name(plan.behaviour) << " delay=" << plan.delayMs
          << " gap=" << plan.gapMs << " at=" << MonotonicMs() << "\n";

    std::vector<std::uint8_t> first, second;
    std::string firstNote, secondNote;
    switch (plan.behaviour) {
    case COstraHostile::Behaviour::Never:
        return;
    case COstraHostile::Behaviour::AtOnce:
    case COstraHostile::Behaviour::Late:
    case COstraHostile::Behaviour::VeryLate:
        Answer(pair, plan.delayMs, std::move(fresh), "   answer " + tag + " part=fresh " + freshNote);
        return;
    case COstraHostile::Behaviour::Duplicate:
        first = second = fresh;
        firstNote = "part=fresh " + freshNote;
        secondNote = "part=duplicate " + freshNote;
        break;
    case COstraHostile::Behaviour::GarbageFirst:
        // Framed like a message of ours, but its content means nothing.
        first = {0xF0, 0x7D, 0x55, 0x2A, 0x00, 0x7F, 0x13, 0x66, 0x01, 0xF7};
        firstNote = "part=garbage";
        second = fresh;
        secondNote = "part=fresh " + freshNote;
        break;
    case COstraHostile::Behaviour::OtherFirst:
        first = other;
        firstNote = "part=other";
        second = fresh;
        secondNote = "part=fresh " + freshNote;
        break;
    case COstraHostile::Behaviour::StaleFirst:
        first = stale;
        firstNote = "part=stale " + staleNote;
        second = fresh;
        secondNote = "part=fresh " + freshNote;
        break;
    case COstraHostile::Behaviour::StaleAfter:
        first = fresh;
        firstNote = "part=fresh " + freshNote;
        second = stale;
        secondNote = "part=stale " + staleNote;
        break;
    }
    if (plan.gapMs == 0) {
        // One MIDI event holding both messages: the driver receives them in the same JACK cycle.
        m_log << "   answer " << tag << " " << firstNote << " at=" << MonotonicMs() << "\n";
        first.insert(first.end(), second.begin(), second.end());
        Answer(pair, 0, std::move(first), "   answer " + tag + " " + secondNote);
        return;
    }
    Answer(pair, 0, std::move(first), "   answer " + tag + " " + firstNote);
    Answer(pair, plan.gapMs, std::move(second), "   answer " + tag + " " + secondNote);
}

void COstraConsole::Answer(std::size_t pair, unsigned delayMs, std::vector<std::uint8_t> reply, std::string note)
{
    if (delayMs == 0) {
        m_log << note << " at=" << MonotonicMs() << "\n";
        Transmit(pair, reply);
        return;
    }
    m_delayed.push_back({std::chrono::steady_clock::now() + std::chrono::milliseconds(delayMs), pair, std::move(reply),
                         std::move(note)});
}

#include "data/ConsoleConversation.h"

#include <algorithm>
#include <array>
#include <new>

#include "data/SysExConverter.h"
#include "midi/MIDIController.h"

namespace {

std::uint16_t MillisecondsLeft(CConsoleConversation::Clock::time_point deadline, std::uint16_t limit)
{
    const long long left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - CConsoleConversation::Clock::now()).count();
    return static_cast<std::uint16_t>(std::clamp<long long>(left, 0, limit));
}

} // namespace

std::vector<const CConsoleConversation::Answer*> CConsoleConversation::Heard::Of(int kind) const
{
    std::vector<const Answer*> of;
    for (const Answer& answer : answers)
        if (answer.kind == kind)
            of.push_back(&answer);
    return of;
}

bool CConsoleConversation::Ask(const std::uint8_t* message, std::uint32_t length, int kind, const std::string& entry,
                               Heard& heard)
{
    m_failure = Failure::NothingSent;
    if (length > kBufferSize)
        return false;
    m_controller.ExpectAnswer(kind, entry);
    if (m_controller.Send(message, static_cast<std::uint16_t>(length), MillisecondsLeft(m_deadline, kSendTimeoutMs)) !=
        RC_EXCHANGE_OK) {
        if (m_controller.LastFault() == CMIDIController::Fault::ConsoleBusy)
            m_failure = Failure::ConsoleBusy;
        return false;
    }
    m_failure = Failure::None;
    if (const CAnswerLedger* pLedger = m_controller.Ledger(); pLedger && !pLedger->Debts().empty()) {
        // The message just entered is the newest debt; the others were owed before it.
        const std::uint64_t own = pLedger->Debts().back().number;
        heard.bLedger = true;
        heard.owedBefore = pLedger->Owed(kind) - (pLedger->Owes(own) ? 1 : 0);
        heard.bOwing = heard.owedBefore > 0 || pLedger->Strayed() || !m_controller.LedgerUsable();
        heard.bMayHoldBefore = !entry.empty() && pLedger->MayHold(entry, own);
    }
    Collect(kind, heard);
    return true;
}

void CConsoleConversation::Collect(int kind, Heard& heard)
{
    const Clock::time_point replyDeadline =
        std::min(m_deadline, Clock::now() + std::chrono::milliseconds(kReceiveTimeoutMs));
    m_askedKind = kind;
    const std::size_t before = heard.arrivals;
    Clock::time_point settle = replyDeadline;
    for (;;) {
        const std::size_t own = heard.arrivals - before;
        // Nothing owed: the first answer of the kind is its own. Owed: every debt of the kind paid, or
        // no further answer for a while.
        if (own >= heard.owedBefore + 1 || (own > 0 && !heard.bOwing))
            break;
        // Without owed answers to go by, a message that is no answer ends the exchange, as from a
        // console that answers each message once.
        if (!heard.bLedger && heard.bGarbage)
            break;
        const Clock::time_point until = std::min(replyDeadline, settle);
        if (!TakeOne(MillisecondsLeft(until, kReceiveTimeoutMs), heard))
            break;
        if (heard.arrivals - before > own)
            settle = Clock::now() + kSettle;
    }
    if (heard.bLedger) {
        // What comes right behind the answer is looked at too: a second answer within a few process
        // cycles (a stale one that came first, or a duplicate) means the first may not be its own.
        while (TakeOne(static_cast<std::uint16_t>(kTogether.count()), heard)) {
        }
        heard.bDropped = m_controller.AnswersDropped();
    }
    SettleArrival();
}

void CConsoleConversation::SettleArrival()
{
    if (!m_arrival.bOpen)
        return;
    m_arrival.bOpen = false;
    CAnswerLedger* pLedger = m_controller.Ledger();
    if (!pLedger)
        return;
    int kind = m_askedKind;
    if ((m_arrival.kinds & (1u << kind)) == 0) {
        for (kind = 1; kind < CAnswerLedger::kKinds && (m_arrival.kinds & (1u << kind)) == 0; ++kind) {
        }
    }
    (void)pLedger->Pay(kind);
    if (m_arrival.answers > 1)
        pLedger->Stray();
}

bool CConsoleConversation::TakeOne(std::uint16_t timeoutMs, Heard& heard)
{
    std::array<std::uint8_t, kBufferSize> reply{};
    std::uint16_t replyLength = kBufferSize;
    const ResultCode received = m_controller.Receive(reply.data(), &replyLength, timeoutMs);
    if (received == RC_BUFFER_TOO_SMALL) {
        heard.bGarbage = true;
        m_controller.DropReceived();
        return true;
    }
    if (received != RC_EXCHANGE_OK)
        return false;
    Answer answer;
    std::array<char, 256> name{};
    answer.status = m_converter.ParseReply(reply.data(), replyLength, name.data(), name.size(), answer.kind);
    m_controller.DropReceived();
    if (answer.kind == CSysExConverter::kReplyNone) {
        heard.bGarbage = true;
        return true;
    }
    try {
        if (answer.kind == CSysExConverter::kReplyIdentity)
            answer.name.assign(name.data());
        heard.answers.push_back(std::move(answer));
    } catch (const std::bad_alloc&) {
        heard.bGarbage = true;
        return true;
    }
    // Answers that came together were perhaps drawn by one message: they count, and pay, once.
    const Clock::time_point at = m_controller.ReceivedAt().value_or(Clock::now());
    if (!m_arrival.bOpen || at - m_arrival.last > kTogether) {
        SettleArrival();
        m_arrival = Arrival{true, at, 0, 0};
    }
    const unsigned bit = 1u << heard.answers.back().kind;
    if (heard.answers.back().kind == m_askedKind && (m_arrival.kinds & bit) == 0)
        ++heard.arrivals;
    m_arrival.kinds |= bit;
    ++m_arrival.answers;
    m_arrival.last = at;
    return true;
}

bool CConsoleConversation::Heard::Agree(int kind) const
{
    const std::vector<const Answer*> of = Of(kind);
    return std::all_of(of.begin(), of.end(), [&](const Answer* answer) {
        return answer->status == of.front()->status && answer->name == of.front()->name;
    });
}

bool CConsoleConversation::IdentityProven(const Heard& heard, std::string& name)
{
    const std::vector<const Answer*> identities = heard.Of(CSysExConverter::kReplyIdentity);
    if (identities.empty())
        return false;
    // Answers that all name one entry and pay every older identity debt: its own is among them.
    const bool bProven = !heard.bLedger || (!heard.bDropped && heard.Agree(CSysExConverter::kReplyIdentity) &&
                                            heard.arrivals >= heard.owedBefore + 1);
    if (bProven)
        name = identities.front()->name;
    return bProven;
}

bool CConsoleConversation::ReadBack(std::string& name, Heard& heard)
{
    std::array<std::uint8_t, kBufferSize> request{};
    std::uint32_t length = request.size();
    if (m_converter.BuildIdentityRequest(request.data(), length) != RC_OK ||
        !Ask(request.data(), length, CSysExConverter::kReplyIdentity, {}, heard))
        return false;
    return IdentityProven(heard, name);
}

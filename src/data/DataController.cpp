#include "data/DataController.h"

#include "data/ConsoleConversation.h"
#include "data/SysExFrames.h"
#include "midi/MIDIController.h"
#include "midi/MIDIDevice.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <new>
#include <utility>

CDataController::~CDataController()
{
    m_pConverter.reset();
    m_redoStates.clear();
    m_undoStates.clear();
    m_notes.clear();
}

ResultCode CDataController::Initialize()
{
    if (!m_pConverter) {
        m_pConverter.reset(new (std::nothrow) CSysExConverter);
        if (!m_pConverter)
            return RC_OUT_OF_MEMORY;
    }
    return m_data.SelectFactoryTable();
}

namespace {

// Every exchange, with whatever it asks back, ends within the send and reply time-outs together: the
// update's progress dialog waits that long and a little more, so an answer that comes is always shown.
constexpr auto kExchangeLimit = std::chrono::milliseconds(CDataController::kSendTimeoutMs + CDataController::kReceiveTimeoutMs);

// The name a data message carries.
std::string NameInDataMessage(const std::uint8_t* bytes, std::uint32_t length)
{
    if (length != SysExFrames::kDataMessageLength)
        return {};
    const std::uint32_t nameLength = std::min<std::uint32_t>(bytes[SysExFrames::kDataNameLengthOffset],
                                                             SysExFrames::kNameFieldLength);
    const auto* name = reinterpret_cast<const char*>(bytes + SysExFrames::kDataNameOffset);
    return std::string(name, std::find(name, name + nameLength, '\0'));
}

// Lets the console go for other programs when the exchange ends, whichever way.
struct ExchangeEnd {
    void operator()(CMIDIController* pController) const { pController->EndExchange(); }
};
using ExchangeTurn = std::unique_ptr<CMIDIController, ExchangeEnd>;

} // namespace

CDataController::ExchangeFault CDataController::FaultOfSilence(const CConsoleConversation& talk,
                                                               const CConsoleConversation::Heard& heard)
{
    if (talk.Failed() == CConsoleConversation::Failure::ConsoleBusy)
        return ExchangeFault::ConsoleBusy;
    if (talk.Failed() == CConsoleConversation::Failure::NothingSent)
        return ExchangeFault::NothingSent;
    if (heard.bGarbage)
        return ExchangeFault::WrongReply;
    return heard.answers.empty() ? ExchangeFault::NoReply : ExchangeFault::OtherReplies;
}

ResultCode CDataController::WriteEntry(std::uint16_t key)
{
    if (!m_pDevice || !m_pConverter)
        return RC_SEND_FAILED;

    std::array<ParameterSet, kParameterSetCount> sets{};
    for (std::uint16_t index = 0; index < kParameterSetCount; ++index) {
        if (m_data.GetParameterSet(key, index, sets[index]) != RC_OK)
            return RC_SEND_FAILED;
    }
    std::int16_t entryKey = 0;
    const char* name = nullptr;
    const char* author = nullptr;
    const char* description = nullptr;
    if (m_data.GetEntryInfo(key, entryKey, name, author, description) != RC_OK)
        return RC_SEND_FAILED;

    ExchangeBuffer message{};
    std::uint32_t messageLength = message.size();
    if (m_pConverter->BuildDataMessage(message.data(), sets, name, messageLength) != RC_OK)
        return RC_SEND_FAILED;
    return WriteMessage(message.data(), messageLength);
}

ResultCode CDataController::WriteMessage(const std::uint8_t* bytes, std::uint32_t length)
{
    m_fault = ExchangeFault::NothingSent;
    // The controller is looked up at every exchange: the application may have replaced it since.
    CMIDIController* pController = m_pDevice ? m_pDevice->m_pController : nullptr;
    if (!pController || !m_pConverter || !bytes || length > kExchangeBufferSize)
        return RC_SEND_FAILED;

    const ExchangeTurn turn(pController);
    if (!pController->TakeTurn(kSendTimeoutMs)) {
        m_fault = ExchangeFault::ConsoleBusy;
        return RC_SEND_FAILED;
    }
    CConsoleConversation talk(*pController, *m_pConverter, std::chrono::steady_clock::now() + kExchangeLimit);
    const std::string entry = NameInDataMessage(bytes, length);
    if (CAnswerLedger* pLedger = pController->Ledger();
        pLedger && (pLedger->Strayed() || (!entry.empty() && pLedger->MayHold(entry, 0) &&
                                           (pLedger->Owed(CSysExConverter::kReplyCompletion) > 0 ||
                                            !pController->LedgerUsable())))) {
        // Ask first what the console holds. After an answer nobody was owed, a read-back whose answers
        // agree lets the write's own answer count again. Under debt, a read-back after the write proves
        // nothing while the console may hold its entry already; knowing what it held before may let it.
        std::string held;
        CConsoleConversation::Heard before;
        if (talk.ReadBack(held, before)) {
            pLedger->ProvenHolding(held);
            pLedger->Agreed();
        }
    }
    CConsoleConversation::Heard heard;
    if (!talk.Ask(bytes, length, CSysExConverter::kReplyCompletion, entry, heard)) {
        m_fault = FaultOfSilence(talk, heard);
        return RC_SEND_FAILED;
    }
    const std::vector<const CConsoleConversation::Answer*> completions = heard.Of(CSysExConverter::kReplyCompletion);
    if (completions.empty()) {
        m_fault = FaultOfSilence(talk, heard);
        return RC_SEND_FAILED;
    }
    CAnswerLedger* pLedger = pController->Ledger();
    m_fault = ExchangeFault::None;
    if (heard.Proven(CSysExConverter::kReplyCompletion)) {
        const ResultCode status = completions.front()->status;
        if (status == RC_OK && pLedger)
            pLedger->ProvenHolding(entry);
        return CompletionResult(status);
    }
    // Unproven: "stored" holds only when every answer of the turn says stored and the console now
    // holds this entry, which nobody else's write may have put there; a refusal cannot be told from
    // another write's answer.
    m_fault = ExchangeFault::Unproven;
    const auto stored = [](const CConsoleConversation::Heard& h) {
        const auto of = h.Of(CSysExConverter::kReplyCompletion);
        return std::all_of(of.begin(), of.end(), [](const auto* answer) { return answer->status == RC_OK; });
    };
    if (!stored(heard) || heard.bMayHoldBefore || entry.empty())
        return RC_SEND_FAILED;
    std::string held;
    CConsoleConversation::Heard readBack;
    const bool bProven = talk.ReadBack(held, readBack);
    if (bProven && pLedger)
        pLedger->ProvenHolding(held);
    if (!bProven || held != entry || !stored(readBack))
        return RC_SEND_FAILED;
    if (pLedger)
        pLedger->Agreed();
    m_fault = ExchangeFault::None;
    return RC_EXCHANGE_OK;
}

LedgerFault CDataController::LedgerProblem() const
{
    const CMIDIController* pController = m_pDevice ? m_pDevice->m_pController : nullptr;
    return pController && !pController->LedgerUsable() ? pController->LedgerProblem() : LedgerFault{};
}

ResultCode CDataController::CompletionResult(ResultCode status)
{
    switch (status) {
    case RC_OK:
        return RC_EXCHANGE_OK;
    case RC_REPLY_DATA_INVALID:
        return RC_DATA_INVALID;
    case RC_REPLY_FLASH_FAILED:
        return RC_FLASH_WRITE_FAILED;
    default:
        m_fault = ExchangeFault::WrongReply;
        return RC_SEND_FAILED;
    }
}

ResultCode CDataController::QueryCurrentDataName(std::string& name)
{
    m_fault = ExchangeFault::NothingSent;
    CMIDIController* pController = m_pDevice ? m_pDevice->m_pController : nullptr;
    if (!pController || !m_pConverter)
        return RC_RECEIVE_FAILED;

    ExchangeBuffer message{};
    std::uint32_t messageLength = message.size();
    if (m_pConverter->BuildIdentityRequest(message.data(), messageLength) != RC_OK)
        return RC_RECEIVE_FAILED;

    const ExchangeTurn turn(pController);
    CConsoleConversation talk(*pController, *m_pConverter, std::chrono::steady_clock::now() + kExchangeLimit);
    CConsoleConversation::Heard heard;
    if (!talk.Ask(message.data(), messageLength, CSysExConverter::kReplyIdentity, {}, heard) ||
        heard.Of(CSysExConverter::kReplyIdentity).empty()) {
        m_fault = FaultOfSilence(talk, heard);
        return RC_RECEIVE_FAILED;
    }
    std::string held;
    if (!CConsoleConversation::IdentityProven(heard, held)) {
        m_fault = ExchangeFault::Unproven;
        return RC_RECEIVE_FAILED;
    }
    if (CAnswerLedger* pLedger = pController->Ledger()) {
        pLedger->ProvenHolding(held);
        pLedger->Agreed();
    }
    m_fault = ExchangeFault::None;
    try {
        name = held;
    } catch (const std::bad_alloc&) {
        return RC_OUT_OF_MEMORY;
    }
    return RC_EXCHANGE_OK;
}

std::string* CDataController::NoteFor(std::uint16_t key)
{
    try {
        return &m_notes[key];
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

ResultCode CDataController::RecordEditState(std::uint32_t selection, std::string_view text)
{
    // Everything that can fail happens before the history changes.
    try {
        EditState state{selection, std::string(text)};
        m_undoStates.reserve(1);
        m_undoStates.clear();
        m_undoStates.push_back(std::move(state));
    } catch (const std::bad_alloc&) {
        return RC_OUT_OF_MEMORY;
    }
    m_historyIndex = 0;
    m_redoStates.clear();
    return RC_OK;
}

ResultCode CDataController::UndoEdit(std::uint32_t selection, std::string_view text, EditState& result)
{
    try {
        EditState current{selection, std::string(text)};
        if (m_undoStates.empty()) {
            // Nothing was recorded since the history was last cleared: the editor stays as it is.
            result = std::move(current);
            return RC_OK;
        }
        // Before any undo since the last record the index is 0; after one it is -1, and the same point
        // is restored again.
        const bool atPoint = m_historyIndex >= 0 && static_cast<std::size_t>(m_historyIndex) < m_undoStates.size();
        const std::int16_t position = atPoint ? m_historyIndex : 0;
        EditState restored = m_undoStates[static_cast<std::size_t>(position)];
        m_redoStates.reserve(1);
        m_redoStates.clear();
        m_redoStates.push_back(std::move(current));
        result = std::move(restored);
        m_historyIndex = static_cast<std::int16_t>(position - 1);
    } catch (const std::bad_alloc&) {
        return RC_OUT_OF_MEMORY;
    }
    return RC_OK;
}

ResultCode CDataController::RedoEdit(EditState& result)
{
    if (m_redoStates.empty())
        return RC_NOTHING_TO_REDO;
    result = std::move(m_redoStates.back());
    m_redoStates.pop_back();
    ++m_historyIndex;
    return RC_OK;
}

ResultCode CDataController::UpdateNextUndoSelection(std::uint32_t selection)
{
    const int next = m_historyIndex + 1;
    if (next >= 0 && static_cast<std::size_t>(next) < m_undoStates.size())
        m_undoStates[static_cast<std::size_t>(next)].selection = selection;
    return RC_OK;
}

ResultCode CDataController::ClearEditHistory()
{
    m_historyIndex = -1;
    m_undoStates.clear();
    m_redoStates.clear();
    return RC_OK;
}

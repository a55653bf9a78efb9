#include "data/DataController.h"

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

bool CDataController::Exchange(const ExchangeBuffer& message, std::uint32_t length, int replyKind,
                               ExchangeBuffer& reply, std::uint16_t& replyLength)
{
    using Clock = std::chrono::steady_clock;
    m_fault = ExchangeFault::NothingSent;
    // The controller is looked up at every exchange: the application may have replaced it since.
    CMIDIController* pController = m_pDevice ? m_pDevice->m_pController : nullptr;
    if (!pController || length > message.size())
        return false;
    // Whatever way this ends, the console is free for other programs again.
    const std::unique_ptr<CMIDIController, void (*)(CMIDIController*)> exchange(
        pController, [](CMIDIController* p) { p->EndExchange(); });
    if (pController->Send(message.data(), static_cast<std::uint16_t>(length), kSendTimeoutMs) != RC_EXCHANGE_OK) {
        if (pController->LastFault() == CMIDIController::Fault::ConsoleBusy)
            m_fault = ExchangeFault::ConsoleBusy;
        return false;
    }

    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(kReceiveTimeoutMs);
    bool bOtherReply = false;
    for (long long left = kReceiveTimeoutMs;;
         left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count()) {
        replyLength = kExchangeBufferSize;
        const ResultCode received =
            left > 0 ? pController->Receive(reply.data(), &replyLength, static_cast<std::uint16_t>(left))
                     : RC_RECEIVE_FAILED;
        if (received == RC_BUFFER_TOO_SMALL) {
            m_fault = ExchangeFault::WrongReply;
            return false;
        }
        if (received != RC_EXCHANGE_OK) {
            m_fault = bOtherReply ? ExchangeFault::OtherReplies : ExchangeFault::NoReply;
            return false;
        }
        int kind = CSysExConverter::kReplyNone;
        std::array<char, kNameBufferSize> name{};
        (void)m_pConverter->ParseReply(reply.data(), replyLength, name.data(), name.size(), kind);
        if (kind == replyKind) {
            m_fault = ExchangeFault::None;
            return true;
        }
        if (kind == CSysExConverter::kReplyNone) {
            m_fault = ExchangeFault::WrongReply;
            return false;
        }
        // The console's answer to somebody else's request: ours may still come.
        bOtherReply = true;
        pController->DropReceived();
    }
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
    if (!m_pDevice || !m_pConverter || !bytes || length > kExchangeBufferSize)
        return RC_SEND_FAILED;
    ExchangeBuffer message{};
    std::copy(bytes, bytes + length, message.begin());

    ExchangeBuffer reply{};
    std::uint16_t replyLength = 0;
    if (!Exchange(message, length, CSysExConverter::kReplyCompletion, reply, replyLength))
        return RC_SEND_FAILED;

    int kind = CSysExConverter::kReplyNone;
    const ResultCode status = m_pConverter->ParseReply(reply.data(), replyLength, nullptr, 0, kind);
    if (kind != CSysExConverter::kReplyCompletion)
        return RC_SEND_FAILED;
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
    if (!m_pDevice || !m_pConverter)
        return RC_RECEIVE_FAILED;

    ExchangeBuffer message{};
    std::uint32_t messageLength = message.size();
    if (m_pConverter->BuildIdentityRequest(message.data(), messageLength) != RC_OK)
        return RC_RECEIVE_FAILED;

    ExchangeBuffer reply{};
    std::uint16_t replyLength = 0;
    if (!Exchange(message, messageLength, CSysExConverter::kReplyIdentity, reply, replyLength))
        return RC_RECEIVE_FAILED;

    std::array<char, kNameBufferSize> received{};
    int kind = CSysExConverter::kReplyNone;
    if (m_pConverter->ParseReply(reply.data(), replyLength, received.data(), received.size(), kind) != RC_OK ||
        kind != CSysExConverter::kReplyIdentity) {
        m_fault = ExchangeFault::WrongReply;
        return RC_RECEIVE_FAILED;
    }

    try {
        name.assign(received.begin(), std::find(received.begin(), received.end(), '\0'));
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

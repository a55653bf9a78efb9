#include "data/DataController.h"

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

std::uint16_t MillisecondsLeft(std::chrono::steady_clock::time_point deadline, std::uint16_t limit)
{
    const long long left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    return static_cast<std::uint16_t>(std::clamp<long long>(left, 0, limit));
}

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

bool CDataController::Converse(CMIDIController& controller, const ExchangeBuffer& message, std::uint32_t length,
                               int replyKind, ExchangeBuffer& reply, std::uint16_t& replyLength,
                               Clock::time_point deadline)
{
    m_fault = ExchangeFault::NothingSent;
    if (length > message.size())
        return false;
    if (controller.Send(message.data(), static_cast<std::uint16_t>(length), MillisecondsLeft(deadline, kSendTimeoutMs)) !=
        RC_EXCHANGE_OK) {
        if (controller.LastFault() == CMIDIController::Fault::ConsoleBusy)
            m_fault = ExchangeFault::ConsoleBusy;
        return false;
    }

    const Clock::time_point replyDeadline =
        std::min(deadline, Clock::now() + std::chrono::milliseconds(kReceiveTimeoutMs));
    bool bOtherReply = false;
    for (;;) {
        replyLength = kExchangeBufferSize;
        const std::uint16_t left = MillisecondsLeft(replyDeadline, kReceiveTimeoutMs);
        const ResultCode received =
            left > 0 ? controller.Receive(reply.data(), &replyLength, left) : RC_RECEIVE_FAILED;
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
        controller.DropReceived();
    }
}

bool CDataController::ConsoleHolds(CMIDIController& controller, const std::string& name, Clock::time_point deadline)
{
    ExchangeBuffer message{};
    std::uint32_t messageLength = message.size();
    ExchangeBuffer reply{};
    std::uint16_t replyLength = 0;
    if (m_pConverter->BuildIdentityRequest(message.data(), messageLength) != RC_OK ||
        !Converse(controller, message, messageLength, CSysExConverter::kReplyIdentity, reply, replyLength, deadline))
        return false;
    std::array<char, kNameBufferSize> held{};
    int kind = CSysExConverter::kReplyNone;
    return m_pConverter->ParseReply(reply.data(), replyLength, held.data(), held.size(), kind) == RC_OK &&
           kind == CSysExConverter::kReplyIdentity && name == held.data();
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
    ExchangeBuffer message{};
    std::copy(bytes, bytes + length, message.begin());

    const Clock::time_point deadline = Clock::now() + kExchangeLimit;
    const ExchangeTurn turn(pController);
    ExchangeBuffer reply{};
    std::uint16_t replyLength = 0;
    if (!Converse(*pController, message, length, CSysExConverter::kReplyCompletion, reply, replyLength, deadline))
        return RC_SEND_FAILED;

    int kind = CSysExConverter::kReplyNone;
    const ResultCode status = m_pConverter->ParseReply(reply.data(), replyLength, nullptr, 0, kind);
    if (kind != CSysExConverter::kReplyCompletion)
        return RC_SEND_FAILED;
    if (pController->ReplyUnproven()) {
        // The answer may be the late one to an earlier write. A refusal cannot be told from that one's;
        // "stored" holds when the console now holds this message's entry.
        if (status != RC_OK || !ConsoleHolds(*pController, NameInDataMessage(message.data(), length), deadline)) {
            m_fault = ExchangeFault::Unproven;
            return RC_SEND_FAILED;
        }
    } else {
        pController->ReplyTaken();
    }
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
    ExchangeBuffer reply{};
    std::uint16_t replyLength = 0;
    if (!Converse(*pController, message, messageLength, CSysExConverter::kReplyIdentity, reply, replyLength,
                  Clock::now() + kExchangeLimit))
        return RC_RECEIVE_FAILED;
    pController->ReplyTaken();

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

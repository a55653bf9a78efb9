#pragma once
#include "data/ConsoleConversation.h"
#include "data/EditState.h"
#include "data/SonvaleData.h"
#include "data/SysExConverter.h"
#include "midi/LedgerFault.h"
#include "platform/ResultCode.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CMIDIController;
class CMIDIDevice;

// The data half of the document: the selected factory data set, the exchanges with the console (writing
// one entry, asking for the name of the entry it holds), the user's notes by entry key and the one-step
// history of the in-place note editor.
//
// Threads: WriteEntry runs on the update worker while the user-interface thread waits in the progress
// dialog; everything else runs on the user-interface thread. Nothing here throws; allocation failures
// are reported as RC_OUT_OF_MEMORY.
class CDataController {
public:
    // Exchange buffers, each way, and the buffer that collects the name of an identity reply.
    static constexpr std::uint16_t kExchangeBufferSize = CConsoleConversation::kBufferSize;
    static constexpr std::uint16_t kNameBufferSize = 256;
    static constexpr std::uint16_t kSendTimeoutMs = CConsoleConversation::kSendTimeoutMs;
    static constexpr std::uint16_t kReceiveTimeoutMs = CConsoleConversation::kReceiveTimeoutMs;

    CDataController() = default;
    CDataController(const CDataController&) = delete;
    CDataController& operator=(const CDataController&) = delete;
    virtual ~CDataController();

    // The holder through which each exchange reaches the MIDI controller (not owned); the document sets
    // it right after construction. Without a holder every exchange fails.
    void SetDevice(CMIDIDevice* pDevice) { m_pDevice = pDevice; }
    [[nodiscard]] CMIDIDevice* Device() const { return m_pDevice; }

    // Creates the converter when there is none (RC_OUT_OF_MEMORY when that fails), then selects the
    // factory table of the system's language: RC_OK or RC_NO_TERMINATOR.
    [[nodiscard]] ResultCode Initialize();

    // Writes the entry with this key into the console: one data message, one completion reply.
    // RC_EXCHANGE_OK when the console stored it; RC_DATA_INVALID or RC_FLASH_WRITE_FAILED when it says
    // otherwise; RC_SEND_FAILED for everything else (no holder or controller, no converter, a key not in
    // the data set, a failed send, no reply, a reply that is not a completion reply). A key that is not
    // in the data set sends nothing.
    [[nodiscard]] ResultCode WriteEntry(std::uint16_t key);

    // Writes a data message built elsewhere (a file the user keeps) into the console, with the answers of
    // WriteEntry; a message longer than the exchange buffer sends nothing and gives RC_SEND_FAILED. The
    // caller checks that it is a data message.
    [[nodiscard]] ResultCode WriteMessage(const std::uint8_t* bytes, std::uint32_t length);

    // Asks the console for the name of the entry it holds. RC_EXCHANGE_OK with the name; RC_RECEIVE_FAILED
    // when no identity reply came (name unchanged); RC_OUT_OF_MEMORY when the name cannot be stored.
    [[nodiscard]] ResultCode QueryCurrentDataName(std::string& name);

    // Why the last WriteEntry, WriteMessage or QueryCurrentDataName failed, beyond its result code.
    enum class ExchangeFault {
        None,
        NothingSent, // no controller, no message, or the driver did not confirm the transmission
        ConsoleBusy, // another program's exchange with the console did not end within the send time-out
        NoReply,     // no reply of the kind asked for within the time-out (and no other came)
        OtherReplies, // only replies of the other kind came (another program's) before the time-out
        WrongReply,  // the console answered with a message that is no reply of ours
        Unproven,    // answers came, but the console's owed answers do not show which is this message's,
                     // and the console's entry did not prove it either: it cannot tell
    };
    [[nodiscard]] ExchangeFault LastFault() const { return m_fault; }
    // Why the console's owed answers could not be used at the last exchange (Kind::None when they
    // could, or when no transport is there). Read on the thread that ran the exchange, or after it.
    [[nodiscard]] LedgerFault LedgerProblem() const;

    // The note of `key`, created empty when the key has none yet. Null only when memory is exhausted.
    [[nodiscard]] std::string* NoteFor(std::uint16_t key);
    [[nodiscard]] const std::map<std::uint16_t, std::string>& Notes() const { return m_notes; }

    // Note-edit history. RecordEditState makes the given state the only undo point and forgets the redo
    // state. UndoEdit keeps `current` as the redo state and yields the undo point; repeated undos yield
    // the same point again; with no undo point it yields `current` unchanged and changes nothing.
    // RedoEdit yields the redo state and forgets it (RC_NOTHING_TO_REDO when there is none).
    // UpdateNextUndoSelection replaces the selection of the undo point that the next undo after a redo
    // restores. On RC_OUT_OF_MEMORY the history is as it was.
    [[nodiscard]] ResultCode RecordEditState(std::uint32_t selection, std::string_view text);
    [[nodiscard]] ResultCode UndoEdit(std::uint32_t selection, std::string_view text, EditState& result);
    [[nodiscard]] ResultCode RedoEdit(EditState& result);
    ResultCode UpdateNextUndoSelection(std::uint32_t selection);
    ResultCode ClearEditHistory();

    // What the Edit menu asks: an undo point at the current position, and a state a redo returns to.
    [[nodiscard]] bool HasUndoPoint() const { return !m_undoStates.empty() && m_historyIndex >= 0; }
    [[nodiscard]] bool HasRedoState() const { return !m_redoStates.empty(); }

    // The selected factory data set.
    [[nodiscard]] std::uint16_t EntryCount() const { return m_data.EntryCount(); }
    [[nodiscard]] const DataEntry* EntryAt(std::uint16_t position) const { return m_data.EntryAt(position); }
    [[nodiscard]] ResultCode GetEntryInfo(std::uint16_t key, std::int16_t& outKey, const char*& name,
                                          const char*& author, const char*& description) const
    {
        return m_data.GetEntryInfo(key, outKey, name, author, description);
    }
    [[nodiscard]] ResultCode GetParameterSet(std::uint16_t key, std::uint16_t index, ParameterSet& values) const
    {
        return m_data.GetParameterSet(key, index, values);
    }

private:
    using ExchangeBuffer = std::array<std::uint8_t, kExchangeBufferSize>;

    // Why an exchange that took no answer of its kind failed.
    [[nodiscard]] static ExchangeFault FaultOfSilence(const CConsoleConversation& talk,
                                                      const CConsoleConversation::Heard& heard);
    // What a completion's status comes to for WriteEntry.
    [[nodiscard]] ResultCode CompletionResult(ResultCode status);

    CSonvaleData m_data;
    std::unique_ptr<CSysExConverter> m_pConverter;
    CMIDIDevice* m_pDevice = nullptr;
    std::map<std::uint16_t, std::string> m_notes;
    std::vector<EditState> m_undoStates;
    std::vector<EditState> m_redoStates;
    std::int16_t m_historyIndex = -1;
    ExchangeFault m_fault = ExchangeFault::None;
};

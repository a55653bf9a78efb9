#pragma once
// A MIDI controller of the test code that stands in for the console: it records every message sent and
// answers each exchange from a script. Time is simulated: a delay is compared with the caller's time-out
// instead of being waited out, so a reply "too late" fails at once.
#include "midi/MIDIController.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

class FakeMIDIController : public CMIDIController {
public:
    using Bytes = std::vector<std::uint8_t>;

    // One scripted answer to one Send: the reply (none: the console stays silent) and after how many
    // milliseconds it arrives.
    struct Answer {
        std::optional<Bytes> reply;
        std::uint32_t delayMs = 0;
    };

    // --- knobs
    ResultCode openResult = RC_EXCHANGE_OK;
    bool refuseSend = false;              // a port refuses the message: RC_SEND_FAILED at once
    std::uint32_t sendConfirmDelayMs = 0; // when the driver reports the transmission
    std::deque<Answer> script;            // one answer taken per Send
    std::optional<Answer> standingAnswer; // given once the script is used up; none: silence
    bool recordSent = true;               // keep a copy of every message sent
    bool replyUnproven = false;           // every reply may be the late one to an earlier message: the
                                          // console answered one nobody was owed

    // --- what happened
    int openCount = 0;
    int closeCount = 0;
    int sendCount = 0;
    int receiveCount = 0;
    std::vector<Bytes> sent;
    std::vector<std::uint16_t> sendTimeouts;
    std::vector<std::uint16_t> receiveTimeouts;
    std::vector<std::uint16_t> receiveCapacities;
    std::vector<std::int32_t> events;

    void Respond(Bytes reply, std::uint32_t delayMs = 0) { script.push_back({std::move(reply), delayMs}); }
    void Silence() { script.push_back({std::nullopt, 0}); }

    ResultCode Open() override
    {
        ++openCount;
        return openResult;
    }

    ResultCode Close() override
    {
        ++closeCount;
        return RC_EXCHANGE_OK;
    }

    ResultCode Send(const std::uint8_t* pData, std::uint16_t nLength, std::uint16_t nTimeout) override
    {
        ++sendCount;
        sendTimeouts.push_back(nTimeout);
        // Like the real transport, a Send forgets whatever was received before it.
        m_pending.reset();
        if (refuseSend)
            return RC_SEND_FAILED;
        if (recordSent)
            sent.emplace_back(pData, pData + nLength);
        if (!script.empty()) {
            m_pending = std::move(script.front());
            script.pop_front();
        } else if (standingAnswer) {
            m_pending = standingAnswer;
        }
        return sendConfirmDelayMs < nTimeout ? RC_EXCHANGE_OK : RC_SEND_FAILED;
    }

    ResultCode Receive(std::uint8_t* pBuffer, std::uint16_t* pnLength, std::uint16_t nTimeout) override
    {
        ++receiveCount;
        receiveTimeouts.push_back(nTimeout);
        receiveCapacities.push_back(*pnLength);
        if (!m_pending || !m_pending->reply || m_pending->delayMs >= nTimeout)
            return RC_RECEIVE_FAILED;
        const Bytes& reply = *m_pending->reply;
        const std::size_t copied = std::min<std::size_t>(reply.size(), *pnLength);
        std::copy_n(reply.begin(), copied, pBuffer);
        if (reply.size() > *pnLength)
            return RC_BUFFER_TOO_SMALL;
        *pnLength = static_cast<std::uint16_t>(copied);
        return RC_EXCHANGE_OK;
    }

    // The next Receive waits for a newer reply, which the script never gives.
    void DropReceived() override { m_pending.reset(); }

    // While replies are unproven, the console's owed answers are kept as by the real transport, for a
    // console that has strayed.
    void ExpectAnswer(int kind, const std::string& entry) override
    {
        if (!replyUnproven)
            return;
        m_ledger.Stray();
        (void)m_ledger.Owe(kind, entry, 0);
    }
    [[nodiscard]] CAnswerLedger* Ledger() override { return replyUnproven ? &m_ledger : nullptr; }

    ResultCode OnEvent(std::int32_t nEvent, std::uint16_t, const std::uint8_t*) override
    {
        events.push_back(nEvent);
        return RC_EXCHANGE_OK;
    }

private:
    std::optional<Answer> m_pending;
    CAnswerLedger m_ledger;
};

// The exchange half of CWin32VornMIDIController: sending to the chosen console, the hand-over of its
// reply from the driver's threads, and the events the observers report.
#include "midi/Win32VornMIDIController.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "midi/MIDIDevice.h"

namespace {

// Where a message of 0 bytes points, so that a null m_pReceivedData always means "no message held".
constexpr std::uint8_t kNoBytes[1] = {0};

} // namespace

ResultCode CWin32VornMIDIController::Send(const std::uint8_t* pData, std::uint16_t nLength, std::uint16_t nTimeout)
{
    using Clock = std::chrono::steady_clock;
    m_fault = Fault::NotSent;
    if (m_ports.empty())
        return RC_SEND_FAILED;
    // The waits for the console's turn, for the graph and for the message's outcome share the one
    // time-out, so that the whole exchange stays within what its caller waits for it.
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(nTimeout);
    const auto left = [&] {
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        return static_cast<std::uint16_t>(std::clamp<long long>(ms, 0, nTimeout));
    };
    // Another program's exchange with the console runs until its reply came; what the console
    // says meanwhile is not for us.
    if (!m_turn.Acquire(nTimeout)) {
        m_fault = Fault::ConsoleBusy;
        return RC_SEND_FAILED;
    }
    (void)m_graphLock.Acquire(CFileLock::Mode::Shared, left());
    m_exchange.Begin(m_nPortMessages + 1, CConsoleExchange::ReadMark(m_turn.ReadNote(), m_nConsoleDevice));
    m_nLastEvent.store(MIDI_EVENT_NONE, std::memory_order_release);
    m_nSendResult.store(MIDI_EVENT_NONE, std::memory_order_release);
    PublishReceived(nullptr, 0, MIDI_EVENT_NONE);
    const std::uint16_t nSendTimeout = left();
    // One console is chosen, so one port takes the message; its number is the port's count of them.
    bool bTaken = nSendTimeout > 0;
    for (IVornAsyncPort* pPort : m_ports)
        bTaken = bTaken && pPort->Send(VORN_SEND_SYSEX, nLength, pData, nSendTimeout) == S_OK;
    if (bTaken) {
        ++m_nPortMessages;
        WaitForEvent(m_nSendResult, left(), {MIDI_EVENT_SENT, MIDI_EVENT_SEND_FAILED}, m_counter);
        m_exchange.StopAwaiting();
    } else {
        m_exchange.NotTaken();
    }
    if (!bTaken || m_nSendResult.load(std::memory_order_acquire) != MIDI_EVENT_SENT) {
        EndExchange();
        return RC_SEND_FAILED;
    }
    m_fault = Fault::None;
    return RC_EXCHANGE_OK;
}

void CWin32VornMIDIController::EndExchange()
{
    // The mark of a reply still to come stays with the console's turn for whoever takes it next.
    const auto lateUntil = m_exchange.End();
    if (m_turn.Held())
        (void)m_turn.WriteNote(CConsoleExchange::MarkNote(lateUntil, m_nConsoleDevice));
    m_turn.Release();
    m_graphLock.Release();
}

// The hand-over of a received message is a sequence lock: writers (driver threads, and this controller
// when it drops the message) make m_nReceiveSequence odd, replace pointer and length, and make it even
// again; Receive copies and accepts the copy only when the sequence was even and unchanged around it.
// Together with the listener's two buffer slots, a message that arrives while Receive copies cannot
// give a torn reply: Receive notices it and copies the newer message instead.
bool CWin32VornMIDIController::PublishReceived(const std::uint8_t* pData, std::uint16_t nLength,
                                               std::int32_t nReceiveResult, const std::uint64_t* pArrivalCycle)
{
    std::uint32_t nSequence = m_nReceiveSequence.load(std::memory_order_relaxed);
    for (;;) {
        if ((nSequence & 1U) == 0 &&
            m_nReceiveSequence.compare_exchange_weak(nSequence, nSequence + 1, std::memory_order_acquire,
                                                     std::memory_order_relaxed))
            break;
        std::this_thread::yield();
        nSequence = m_nReceiveSequence.load(std::memory_order_relaxed);
    }
    // Decided under the sequence lock, so that a Send beginning now either sees this message and
    // drops it, or the exchange already awaits its message and this one does not count.
    if (pArrivalCycle && !m_exchange.OnArrival(*pArrivalCycle)) {
        m_nReceiveSequence.store(nSequence + 2, std::memory_order_release);
        return false;
    }
    std::atomic_thread_fence(std::memory_order_release);
    m_pReceivedData.store(pData, std::memory_order_relaxed);
    m_nReceivedLength.store(nLength, std::memory_order_relaxed);
    m_nReceiveResult.store(nReceiveResult, std::memory_order_release);
    m_nReceiveSequence.store(nSequence + 2, std::memory_order_release);
    return true;
}

ResultCode CWin32VornMIDIController::Receive(std::uint8_t* pBuffer, std::uint16_t* pnLength, std::uint16_t nTimeout)
{
    WaitForEvent(m_nReceiveResult, nTimeout, {MIDI_EVENT_RECEIVED, MIDI_EVENT_RECEIVE_ERROR}, m_counter);
    if (m_nReceiveResult.load(std::memory_order_acquire) != MIDI_EVENT_RECEIVED)
        return RC_RECEIVE_FAILED;
    const std::uint16_t nCapacity = *pnLength;
    for (;;) {
        const std::uint32_t nSequence = m_nReceiveSequence.load(std::memory_order_acquire);
        if (nSequence & 1U) {
            std::this_thread::yield();
            continue;
        }
        const std::uint8_t* pData = m_pReceivedData.load(std::memory_order_relaxed);
        const std::uint16_t nLength = m_nReceivedLength.load(std::memory_order_relaxed);
        // The controller was closed or reopened since the message came: its buffer is gone.
        if (!pData)
            return RC_RECEIVE_FAILED;
        const std::uint16_t nCopy = std::min(nLength, nCapacity);
        for (std::uint16_t i = 0; i < nCopy; ++i)
            pBuffer[i] = std::atomic_ref<std::uint8_t>(const_cast<std::uint8_t&>(pData[i]))
                             .load(std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_acquire);
        if (m_nReceiveSequence.load(std::memory_order_relaxed) != nSequence)
            continue;
        m_nTakenSequence = nSequence;
        if (nLength > nCapacity)
            return RC_BUFFER_TOO_SMALL;
        *pnLength = nLength;
        return RC_EXCHANGE_OK;
    }
}

void CWin32VornMIDIController::DropReceived()
{
    // Only the message Receive returned goes; one that arrived since stays for the next Receive.
    std::uint32_t nSequence = m_nTakenSequence;
    if ((nSequence & 1U) != 0 ||
        !m_nReceiveSequence.compare_exchange_strong(nSequence, nSequence + 1, std::memory_order_acq_rel,
                                                    std::memory_order_relaxed))
        return;
    m_pReceivedData.store(nullptr, std::memory_order_relaxed);
    m_nReceivedLength.store(0, std::memory_order_relaxed);
    m_nReceiveResult.store(MIDI_EVENT_NONE, std::memory_order_release);
    m_nReceiveSequence.store(nSequence + 2, std::memory_order_release);
}

ResultCode CWin32VornMIDIController::OnEvent(std::int32_t nEvent, std::uint16_t nLength, const std::uint8_t* pData)
{
    return Record(nEvent, nullptr, nLength, pData);
}

ResultCode CWin32VornMIDIController::OnStampedEvent(std::int32_t nEvent, const Stamp& stamp, std::uint16_t nLength,
                                                    const std::uint8_t* pData)
{
    return Record(nEvent, &stamp, nLength, pData);
}

ResultCode CWin32VornMIDIController::Record(std::int32_t nEvent, const Stamp* pStamp, std::uint16_t nLength,
                                            const std::uint8_t* pData)
{
    if (nEvent == MIDI_EVENT_RECEIVED) {
        const std::uint64_t nCycle = pStamp ? pStamp->cycle : 0;
        if (PublishReceived(pData ? pData : kNoBytes, pData ? nLength : 0, MIDI_EVENT_RECEIVED, &nCycle) &&
            m_receivedHook)
            m_receivedHook();
    }
    m_nLastEvent.store(nEvent, std::memory_order_release);
    if (nEvent == MIDI_EVENT_SENT || nEvent == MIDI_EVENT_SEND_FAILED) {
        const bool bSent = nEvent == MIDI_EVENT_SENT;
        const CConsoleExchange::Event nOutcome =
            pStamp ? m_exchange.OnOutcome(pStamp->message, bSent, pStamp->cycle) : m_exchange.OnUnstampedOutcome(bSent);
        if (nOutcome != MIDI_EVENT_NONE)
            m_nSendResult.store(nOutcome, std::memory_order_release);
    } else if (nEvent == MIDI_EVENT_RECEIVE_ERROR) {
        m_nReceiveResult.store(nEvent, std::memory_order_release);
    }
    if (nEvent == MIDI_EVENT_CONFIG_CHANGED && m_pDevice && m_pDevice->m_pListener)
        m_pDevice->m_pListener->OnDeviceEvent(MIDI_EVENT_CONFIG_CHANGED);
    return RC_EXCHANGE_OK;
}

void CWin32VornMIDIController::ReplyTaken() { m_exchange.ReplyTaken(); }

bool CWin32VornMIDIController::ReplyUnproven() const { return m_exchange.Unproven(); }

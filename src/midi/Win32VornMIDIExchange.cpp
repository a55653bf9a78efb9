// The exchange half of CWin32VornMIDIController: sending to the chosen console, the hand-over of its
// reply from the driver's threads, and the events the observers report.
#include "midi/Win32VornMIDIController.h"

#include <algorithm>
#include <thread>

#include "midi/MIDIDevice.h"

namespace {

// Where a message of 0 bytes points, so that a null m_pReceivedData always means "no message held".
constexpr std::uint8_t kNoBytes[1] = {0};

} // namespace

ResultCode CWin32VornMIDIController::Send(const std::uint8_t* pData, std::uint16_t nLength, std::uint16_t nTimeout)
{
    m_fault = Fault::NotSent;
    if (m_ports.empty())
        return RC_SEND_FAILED;
    // Another program's exchange with the console runs until its reply came; what the console
    // says meanwhile is not for us.
    if (!m_turn.Acquire(nTimeout)) {
        m_fault = Fault::ConsoleBusy;
        return RC_SEND_FAILED;
    }
    (void)m_graphLock.Acquire(CFileLock::Mode::Shared, nTimeout);
    m_bAwaitingSent.store(true, std::memory_order_release);
    m_nLastEvent.store(MIDI_EVENT_NONE, std::memory_order_release);
    m_nSendResult.store(MIDI_EVENT_NONE, std::memory_order_release);
    PublishReceived(nullptr, 0, MIDI_EVENT_NONE);
    bool bTaken = true;
    for (IVornAsyncPort* pPort : m_ports)
        bTaken = bTaken && pPort->Send(VORN_SEND_SYSEX, nLength, pData, nTimeout) == S_OK;
    if (bTaken)
        WaitForEvent(m_nSendResult, nTimeout, {MIDI_EVENT_SENT, MIDI_EVENT_SEND_FAILED}, m_counter);
    m_bAwaitingSent.store(false, std::memory_order_release);
    if (!bTaken || m_nSendResult.load(std::memory_order_acquire) != MIDI_EVENT_SENT) {
        EndExchange();
        return RC_SEND_FAILED;
    }
    m_fault = Fault::None;
    return RC_EXCHANGE_OK;
}

// The hand-over of a received message is a sequence lock: writers (driver threads, and this controller
// when it drops the message) make m_nReceiveSequence odd, replace pointer and length, and make it even
// again; Receive copies and accepts the copy only when the sequence was even and unchanged around it.
// Together with the listener's two buffer slots, a message that arrives while Receive copies cannot
// give a torn reply: Receive notices it and copies the newer message instead.
bool CWin32VornMIDIController::PublishReceived(const std::uint8_t* pData, std::uint16_t nLength,
                                               std::int32_t nReceiveResult, bool bOnlyOnceSent)
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
    // Checked under the sequence lock, so that a Send beginning now either sees this message and
    // drops it, or this call sees the Send and publishes nothing.
    if (bOnlyOnceSent && m_bAwaitingSent.load(std::memory_order_acquire)) {
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
    // A message that came before ours went out answers somebody else's.
    if (nEvent == MIDI_EVENT_RECEIVED &&
        PublishReceived(pData ? pData : kNoBytes, pData ? nLength : 0, MIDI_EVENT_RECEIVED, true) && m_receivedHook)
        m_receivedHook();
    m_nLastEvent.store(nEvent, std::memory_order_release);
    if (nEvent == MIDI_EVENT_SENT || nEvent == MIDI_EVENT_SEND_FAILED) {
        std::int32_t nNone = MIDI_EVENT_NONE;
        m_nSendResult.compare_exchange_strong(nNone, nEvent, std::memory_order_release, std::memory_order_relaxed);
        m_bAwaitingSent.store(false, std::memory_order_release);
    } else if (nEvent == MIDI_EVENT_RECEIVE_ERROR) {
        m_nReceiveResult.store(nEvent, std::memory_order_release);
    }
    if (nEvent == MIDI_EVENT_CONFIG_CHANGED && m_pDevice && m_pDevice->m_pListener)
        m_pDevice->m_pListener->OnDeviceEvent(MIDI_EVENT_CONFIG_CHANGED);
    return RC_EXCHANGE_OK;
}

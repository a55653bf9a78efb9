#pragma once
#include "WeakJack.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "MessageRing.h"
#include "SysExReassembler.h"
#include "vorn/VornAsync.h"

// The traffic of one open port: the driver's own pair of JACK MIDI ports (one connected to the device's
// input, one fed by the device's output), the rings between the program, JACK's process callback and the
// driver thread, and the port's observer.
//
// Three threads meet here, each with its own side:
//  - the program's thread queues messages (Queue);
//  - JACK's process thread moves them out and the device's data in (Process; never blocks, locks or allocates);
//  - the driver thread tells the observer what happened (Deliver).
class CPortChannel {
public:
    // holdFrames: how long, in frames, messages queued before both connections have reached the process
    // cycle wait for them (see WarmUp).
    CPortChannel(jack_port_t* pOwnOutput, jack_port_t* pOwnInput, std::int64_t holdFrames);
    ~CPortChannel(); // releases the observer
    CPortChannel(const CPortChannel&) = delete;
    CPortChannel& operator=(const CPortChannel&) = delete;

    [[nodiscard]] jack_port_t* OwnOutput() const { return m_pOwnOutput; }
    [[nodiscard]] jack_port_t* OwnInput() const { return m_pOwnInput; }

    // Program thread: the port object observers are told about.
    void SetSource(IVornAsyncPort* pSource) { m_pSource.store(pSource, std::memory_order_release); }
    // Program thread: replaces the observer (taking a reference, releasing the old one).
    void SetObserver(std::uint32_t mask, IVornAsyncPortObserver* pObserver);
    // Program thread: from now on no event reaches the observer (the port object is gone).
    void Close() { m_bClosed.store(true, std::memory_order_release); }

    // Program thread: takes one message for the next process cycle. E_INVALIDARG when it can never fit,
    // E_FAIL when the queue is full now. timeoutMs: how long the sender waits for the outcome (0: for
    // ever); a message still waiting in the queue when that time is nearly over is dropped without an
    // outcome, so that nothing goes out after its sender has given up.
    [[nodiscard]] HRESULT Queue(const std::uint8_t* pData, std::uint32_t length, std::uint32_t timeoutMs);

    // JACK's process thread: writes queued messages to the device, copies the device's data in. True
    // when the driver thread has something to deliver. cycle: the number of cycles that will have ended
    // with this one.
    bool Process(jack_nframes_t nframes, std::uint64_t cycle);

    // Any thread: whether a message waits to go out, and the cycle (as Process counts) that wrote the
    // last one to the device, 0 when none did.
    [[nodiscard]] bool Queued() const { return !m_outgoing.Empty(); }
    [[nodiscard]] std::uint64_t LastSendCycle() const { return m_nLastSendCycle.load(std::memory_order_acquire); }

    // Driver thread, after JACK's process thread has stopped for good: every queued message fails.
    void FailQueued();

    // Driver thread: tells the observer of every outcome and every received message since the last call,
    // in the order of their cycles.
    void Deliver();

private:
    struct Outcome {
        std::uint32_t message; // its number
        std::uint32_t status;  // VORN_OUTCOME_*
        std::uint32_t bytes;
        std::uint64_t cycle;
    };
    class ObserverSink;

    void Notify(std::int32_t type, std::uintptr_t first, std::uintptr_t second);
    void NotifyOutcome(const Outcome& outcome);
    [[nodiscard]] bool WarmUp(jack_nframes_t nframes);
    // Drops the next queued message (of `size` bytes with its header) when its sender's wait is nearly
    // over, with a "dropped" outcome stamped `cycle`; false when it may still go out.
    bool DropIfExpired(std::uint32_t size, std::uint64_t cycle);
    // Writes (or, without a connected buffer, refuses) what is queued; true when something was written.
    bool DrainQueued(void* pOutputBuffer, bool connected, std::uint64_t cycle);

    jack_port_t* m_pOwnOutput;
    jack_port_t* m_pOwnInput;
    CMessageRing m_outgoing; // program -> process
    CMessageRing m_outcomes; // process -> driver thread, Outcome records
    CMessageRing m_incoming; // process -> driver thread, one record per MIDI event
    std::atomic<bool> m_bIncomingLost{false};
    std::atomic<std::uint64_t> m_nLastSendCycle{0};
    std::atomic<std::uint64_t> m_nLastCycle{0}; // the cycle Process last ran in
    std::mutex m_queueMutex; // one producer at a time on m_outgoing, whatever thread the program sends from
    std::uint32_t m_nQueued = 0; // under m_queueMutex: messages taken, the number of the last one

    std::atomic<IVornAsyncPort*> m_pSource{nullptr};
    std::atomic<bool> m_bClosed{false};
    std::mutex m_observerMutex;
    IVornAsyncPortObserver* m_pObserver = nullptr;
    std::uint32_t m_mask = 0;

    // JACK's process thread only: cycles that have seen both own ports connected (up to the warm-up's
    // count), and the frames left before queued messages stop waiting for the connections.
    unsigned m_nWarmCycles = 0;
    std::int64_t m_nHoldFrames;

    // Driver thread only.
    CSysExReassembler m_reassembler;
    std::vector<std::uint8_t> m_event;
};

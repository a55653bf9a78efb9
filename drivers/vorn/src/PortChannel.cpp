#include "PortChannel.h"

#include "WeakJack.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace {

constexpr std::size_t OUTGOING_BYTES = 64 * 1024;
constexpr std::size_t INCOMING_BYTES = 64 * 1024;
constexpr std::size_t OUTCOME_BYTES = 4 * 1024;
// Process cycles with both connections in place before the first message goes out.
constexpr unsigned WARM_CYCLES = 3;

// Each queued message starts with a header: the moment, in steady-clock nanoseconds, after which it
// must not go out any more (0: none), and the message's number.
using Deadline = std::int64_t;
struct QueuedHeader {
    Deadline deadline;
    std::uint32_t message;
};
constexpr std::uint32_t HEADER_BYTES = sizeof(QueuedHeader);
// Each incoming record starts with the cycle its bytes arrived in.
constexpr std::uint32_t CYCLE_BYTES = sizeof(std::uint64_t);
// A message is dropped this long before its sender stops waiting (at most a quarter of the wait), so
// that the outcome of one that did go out still reaches the sender in time.
constexpr auto OUTCOME_MARGIN = std::chrono::milliseconds(50);

Deadline Now()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

class CPortChannel::ObserverSink : public CSysExReassembler::Sink {
public:
    explicit ObserverSink(CPortChannel& channel) : m_channel(channel) {}
    void OnMessage(const std::uint8_t* pBytes, std::size_t count) override
    {
        VornReceivedMessage message{static_cast<std::uint32_t>(count), pBytes, m_nCycle};
        m_channel.Notify(VORN_PORT_EVENT_RECEIVED, reinterpret_cast<std::uintptr_t>(&message), 0);
    }
    void OnBroken() override { m_channel.Notify(VORN_PORT_EVENT_RECEIVE_ERROR, 0, 0); }

    std::uint64_t m_nCycle = 0; // the cycle of the bytes being fed

private:
    CPortChannel& m_channel;
};

CPortChannel::CPortChannel(jack_port_t* pOwnOutput, jack_port_t* pOwnInput, std::int64_t holdFrames)
    : m_pOwnOutput(pOwnOutput), m_pOwnInput(pOwnInput), m_outgoing(OUTGOING_BYTES), m_outcomes(OUTCOME_BYTES),
      m_incoming(INCOMING_BYTES), m_nHoldFrames(holdFrames)
{
    m_event.reserve(1024);
}

CPortChannel::~CPortChannel()
{
    if (m_pObserver)
        m_pObserver->Release();
}

void CPortChannel::SetObserver(std::uint32_t mask, IVornAsyncPortObserver* pObserver)
{
    pObserver->AddRef();
    IVornAsyncPortObserver* pOld = nullptr;
    {
        std::lock_guard lock(m_observerMutex);
        pOld = m_pObserver;
        m_pObserver = pObserver;
        m_mask = mask;
    }
    if (pOld)
        pOld->Release();
}

HRESULT CPortChannel::Queue(const std::uint8_t* pData, std::uint32_t length, std::uint32_t timeoutMs)
{
    if (length > m_outgoing.MaxRecord() - HEADER_BYTES)
        return E_INVALIDARG;
    QueuedHeader header{0, 0};
    if (timeoutMs != 0) {
        const auto wait = std::chrono::milliseconds(timeoutMs);
        header.deadline =
            Now() + std::chrono::duration_cast<std::chrono::nanoseconds>(wait - std::min(wait / 4, OUTCOME_MARGIN)).count();
    }
    std::vector<std::uint8_t> record(HEADER_BYTES + length);
    std::memcpy(record.data() + HEADER_BYTES, pData, length);
    std::lock_guard lock(m_queueMutex);
    // A number is taken only by a message the queue took, so the sender can count its messages.
    header.message = m_nQueued + 1;
    std::memcpy(record.data(), &header, HEADER_BYTES);
    if (!m_outgoing.Push(record.data(), static_cast<std::uint32_t>(record.size())))
        return E_FAIL;
    ++m_nQueued;
    return S_OK;
}

bool CPortChannel::DropIfExpired(std::uint32_t size, std::uint64_t cycle)
{
    QueuedHeader header{};
    m_outgoing.PeekData(&header, HEADER_BYTES);
    if (header.deadline == 0 || Now() < header.deadline || !m_outcomes.HasRoomFor(sizeof(Outcome)))
        return false;
    // Its sender has stopped waiting: it never goes out, and the sender's next message is not
    // mistaken for it.
    m_outgoing.Pop(nullptr, size);
    const Outcome outcome{header.message, VORN_OUTCOME_DROPPED, 0, cycle};
    (void)m_outcomes.Push(&outcome, sizeof outcome);
    return true;
}

bool CPortChannel::DrainQueued(void* pOutputBuffer, bool connected, std::uint64_t cycle)
{
    std::uint32_t n = 0;
    jack_nframes_t time = 0;
    bool written = false;
    while (m_outcomes.HasRoomFor(sizeof(Outcome)) && m_outgoing.PeekSize(n)) {
        if (DropIfExpired(n, cycle))
            continue;
        QueuedHeader header{};
        m_outgoing.PeekData(&header, HEADER_BYTES);
        const std::uint32_t bytes = n - HEADER_BYTES;
        jack_midi_data_t* pDest = nullptr;
        if (pOutputBuffer && connected)
            pDest = jack_midi_event_reserve(pOutputBuffer, time, bytes);
        m_outgoing.Pop(pDest, n, HEADER_BYTES);
        written = written || pDest != nullptr;
        const Outcome outcome{header.message, pDest ? VORN_OUTCOME_SENT : VORN_OUTCOME_FAILED, pDest ? bytes : 0u,
                              cycle};
        (void)m_outcomes.Push(&outcome, sizeof outcome);
    }
    return written;
}

bool CPortChannel::Process(jack_nframes_t nframes, std::uint64_t cycle)
{
    m_nLastCycle.store(cycle, std::memory_order_release);
    void* pOut = jack_port_get_buffer(m_pOwnOutput, nframes);
    jack_midi_clear_buffer(pOut);
    std::uint32_t pending = 0;
    bool work = false;
    const bool warm = WarmUp(nframes);
    // While held for the connections, what its sender gave up on leaves the queue.
    while (!warm && m_outgoing.PeekSize(pending) && DropIfExpired(pending, cycle))
        work = true;
    if (warm && m_outgoing.PeekSize(pending)) {
        if (DrainQueued(pOut, jack_port_connected(m_pOwnOutput) > 0, cycle))
            m_nLastSendCycle.store(cycle, std::memory_order_release);
        work = true;
    }

    void* pIn = jack_port_get_buffer(m_pOwnInput, nframes);
    const std::uint32_t count = jack_midi_get_event_count(pIn);
    for (std::uint32_t i = 0; i < count; ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, pIn, i) != 0 || event.size == 0)
            continue;
        // Stamped with the cycle it arrived in.
        if (!m_incoming.Push(&cycle, CYCLE_BYTES, event.buffer, static_cast<std::uint32_t>(event.size)))
            m_bIncomingLost.store(true, std::memory_order_release);
        work = true;
    }
    return work;
}

// A connection reaches the process cycle's view of the graph a cycle or so after jack_connect returns,
// and a message written before that would be refused. So what is queued right after the port opened
// waits here until both connections have been in place for a few cycles (or the hold time has passed,
// after which an unconnected port refuses as always). The port itself is handed out at once, so a
// program's window does not wait on the connections while it starts.
bool CPortChannel::WarmUp(jack_nframes_t nframes)
{
    if (m_nWarmCycles >= WARM_CYCLES)
        return true;
    if (jack_port_connected(m_pOwnOutput) > 0 && jack_port_connected(m_pOwnInput) > 0)
        ++m_nWarmCycles;
    m_nHoldFrames -= nframes;
    if (m_nHoldFrames <= 0)
        m_nWarmCycles = WARM_CYCLES;
    return m_nWarmCycles >= WARM_CYCLES;
}

void CPortChannel::FailQueued() { DrainQueued(nullptr, false, m_nLastCycle.load(std::memory_order_acquire)); }

// Outcomes and received bytes are told in the order of their cycles, an outcome before bytes of its own
// cycle. The incoming ring is looked at first: an outcome pushed in an earlier cycle than the bytes seen
// there is then visible too, as the process thread pushed it before them.
void CPortChannel::Deliver()
{
    ObserverSink sink(*this);
    for (;;) {
        std::uint32_t inSize = 0;
        std::uint64_t inCycle = 0;
        const bool bIncoming = m_incoming.PeekSize(inSize);
        if (bIncoming)
            m_incoming.PeekData(&inCycle, CYCLE_BYTES);
        std::uint32_t outSize = 0;
        Outcome outcome{};
        const bool bOutcome = m_outcomes.PeekSize(outSize);
        if (bOutcome)
            m_outcomes.PeekData(&outcome, sizeof outcome);
        if (bOutcome && (!bIncoming || outcome.cycle <= inCycle)) {
            m_outcomes.Pop(nullptr, outSize);
            NotifyOutcome(outcome);
        } else if (bIncoming) {
            m_event.resize(inSize - CYCLE_BYTES);
            m_incoming.Pop(m_event.data(), inSize, CYCLE_BYTES);
            sink.m_nCycle = inCycle;
            m_reassembler.Feed(m_event.data(), m_event.size(), sink);
        } else {
            break;
        }
    }
    if (m_bIncomingLost.exchange(false, std::memory_order_acq_rel)) {
        // Bytes were dropped on the way in: whatever message was in progress cannot be whole.
        m_reassembler.Reset();
        Notify(VORN_PORT_EVENT_RECEIVE_ERROR, 0, 0);
    }
}

// An observer registered for stamped outcomes hears of every message; one registered for the plain
// outcome only of those that were written or failed.
void CPortChannel::NotifyOutcome(const Outcome& outcome)
{
    bool bStamped = false;
    {
        std::lock_guard lock(m_observerMutex);
        bStamped = (m_mask & static_cast<std::uint32_t>(VORN_PORT_EVENT_OUTCOME)) != 0;
    }
    if (bStamped) {
        const VornMessageOutcome stamped{outcome.message, outcome.status, outcome.bytes, outcome.cycle};
        Notify(VORN_PORT_EVENT_OUTCOME, reinterpret_cast<std::uintptr_t>(&stamped), 0);
    } else if (outcome.status != VORN_OUTCOME_DROPPED) {
        Notify(VORN_PORT_EVENT_SENT, outcome.status == VORN_OUTCOME_SENT ? 1 : 0, outcome.bytes);
    }
}

void CPortChannel::Notify(std::int32_t type, std::uintptr_t first, std::uintptr_t second)
{
    if (m_bClosed.load(std::memory_order_acquire))
        return;
    IVornAsyncPortObserver* pObserver = nullptr;
    {
        std::lock_guard lock(m_observerMutex);
        if (!m_pObserver || (m_mask & static_cast<std::uint32_t>(type)) == 0)
            return;
        pObserver = m_pObserver;
        pObserver->AddRef();
    }
    pObserver->OnPortEvent(m_pSource.load(std::memory_order_acquire), type, first, second);
    pObserver->Release();
}

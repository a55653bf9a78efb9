#include "PortChannel.h"

#include <jack/midiport.h>

namespace {

constexpr std::size_t OUTGOING_BYTES = 64 * 1024;
constexpr std::size_t INCOMING_BYTES = 64 * 1024;
constexpr std::size_t OUTCOME_BYTES = 4 * 1024;
// Process cycles with both connections in place before the first message goes out.
constexpr unsigned WARM_CYCLES = 3;

} // namespace

class CPortChannel::ObserverSink : public CSysExReassembler::Sink {
public:
    explicit ObserverSink(CPortChannel& channel) : m_channel(channel) {}
    void OnMessage(const std::uint8_t* pBytes, std::size_t count) override
    {
        VornReceivedMessage message{static_cast<std::uint32_t>(count), pBytes};
        m_channel.Notify(VORN_PORT_EVENT_RECEIVED, reinterpret_cast<std::uintptr_t>(&message), 0);
    }
    void OnBroken() override { m_channel.Notify(VORN_PORT_EVENT_RECEIVE_ERROR, 0, 0); }

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

HRESULT CPortChannel::Queue(const std::uint8_t* pData, std::uint32_t length)
{
    std::lock_guard lock(m_queueMutex);
    if (length > m_outgoing.MaxRecord())
        return E_INVALIDARG;
    return m_outgoing.Push(pData, length) ? S_OK : E_FAIL;
}

void CPortChannel::DrainQueued(void* pOutputBuffer, bool connected)
{
    std::uint32_t n = 0;
    jack_nframes_t time = 0;
    while (m_outcomes.HasRoomFor(sizeof(Outcome)) && m_outgoing.PeekSize(n)) {
        jack_midi_data_t* pDest = nullptr;
        if (pOutputBuffer && connected)
            pDest = jack_midi_event_reserve(pOutputBuffer, time, n);
        m_outgoing.Pop(pDest, n);
        const Outcome outcome{pDest ? 1u : 0u, pDest ? n : 0u};
        (void)m_outcomes.Push(&outcome, sizeof outcome);
    }
}

bool CPortChannel::Process(jack_nframes_t nframes)
{
    void* pOut = jack_port_get_buffer(m_pOwnOutput, nframes);
    jack_midi_clear_buffer(pOut);
    std::uint32_t pending = 0;
    bool work = false;
    if (WarmUp(nframes) && m_outgoing.PeekSize(pending)) {
        DrainQueued(pOut, jack_port_connected(m_pOwnOutput) > 0);
        work = true;
    }

    void* pIn = jack_port_get_buffer(m_pOwnInput, nframes);
    const std::uint32_t count = jack_midi_get_event_count(pIn);
    for (std::uint32_t i = 0; i < count; ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, pIn, i) != 0 || event.size == 0)
            continue;
        if (!m_incoming.Push(event.buffer, static_cast<std::uint32_t>(event.size)))
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

void CPortChannel::FailQueued() { DrainQueued(nullptr, false); }

void CPortChannel::Deliver()
{
    std::uint32_t n = 0;
    while (m_outcomes.PeekSize(n)) {
        Outcome outcome{};
        m_outcomes.Pop(&outcome, sizeof outcome);
        Notify(VORN_PORT_EVENT_SENT, outcome.ok, outcome.bytes);
    }
    ObserverSink sink(*this);
    while (m_incoming.PeekSize(n)) {
        m_event.resize(n);
        m_incoming.Pop(m_event.data(), n);
        m_reassembler.Feed(m_event.data(), m_event.size(), sink);
    }
    if (m_bIncomingLost.exchange(false, std::memory_order_acq_rel)) {
        // Bytes were dropped on the way in: whatever message was in progress cannot be whole.
        m_reassembler.Reset();
        Notify(VORN_PORT_EVENT_RECEIVE_ERROR, 0, 0);
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

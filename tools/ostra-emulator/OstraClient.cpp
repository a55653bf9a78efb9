#include "OstraClient.h"

#include "WeakJack.h"

#include "PortTags.h"

#include <ctime>

namespace {

constexpr std::size_t RING_BYTES = 64 * 1024;

bool Tag(jack_client_t* pClient, jack_port_t* pPort, const COstraClient::PairSpec& wanted)
{
    const jack_uuid_t uuid = jack_port_uuid(pPort);
    const std::string id = std::to_string(wanted.id);
    return jack_set_property(pClient, uuid, VORN_KEY_PORT_TYPE, wanted.type.c_str(), "text/plain") == 0
           && jack_set_property(pClient, uuid, VORN_KEY_PORT_ID, id.c_str(), "text/plain") == 0;
}

} // namespace

COstraClient::COstraClient()
{
    sem_init(&m_wake, 0, 0);
    m_event.reserve(1024);
}

COstraClient::~COstraClient()
{
    if (m_pClient) {
        if (!ServerGone()) {
            jack_deactivate(m_pClient);
            for (const Pair& pair : m_pairs) {
                jack_remove_properties(m_pClient, jack_port_uuid(pair.pIn));
                jack_remove_properties(m_pClient, jack_port_uuid(pair.pOut));
            }
        }
        jack_client_close(m_pClient);
    }
    sem_destroy(&m_wake);
}

std::string COstraClient::ClientName() const { return m_pClient ? jack_get_client_name(m_pClient) : ""; }

bool COstraClient::Open(const std::string& name, const std::vector<PairSpec>& pairs, std::string& error)
{
    jack_status_t status{};
    m_pClient = jack_client_open(name.c_str(), static_cast<jack_options_t>(JackNoStartServer | JackUseExactName),
                                 &status);
    if (!m_pClient) {
        error = (status & JackNameNotUnique) ? "the JACK client name \"" + name + "\" is taken"
                                             : "no JACK server answers";
        return false;
    }
    for (const PairSpec& wanted : pairs) {
        Pair pair;
        const std::string base = wanted.type + "-" + std::to_string(wanted.id);
        pair.pIn = jack_port_register(m_pClient, (base + "-in").c_str(), JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
        pair.pOut = jack_port_register(m_pClient, (base + "-out").c_str(), JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
        if (!pair.pIn || !pair.pOut) {
            error = "cannot register the ports of pair " + base;
            return false;
        }
        pair.incoming = std::make_unique<CMessageRing>(RING_BYTES);
        pair.outgoing = std::make_unique<CMessageRing>(RING_BYTES);
        m_pairs.push_back(std::move(pair));
    }
    jack_set_process_callback(m_pClient, &OnProcess, this);
    jack_on_info_shutdown(m_pClient, &OnShutdown, this);
    if (jack_activate(m_pClient) != 0) {
        error = "cannot activate the JACK client";
        return false;
    }
    // Tagged last, so that a driver that lists the pair can use it at once.
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        if (pairs[i].tagged && (!Tag(m_pClient, m_pairs[i].pIn, pairs[i]) || !Tag(m_pClient, m_pairs[i].pOut, pairs[i]))) {
            error = "cannot set the port metadata";
            return false;
        }
    }
    return true;
}

// JACK's process thread: no blocking, locking or allocation.
int COstraClient::OnProcess(jack_nframes_t nframes, void* arg)
{
    auto* self = static_cast<COstraClient*>(arg);
    bool received = false;
    for (Pair& pair : self->m_pairs) {
        void* pIn = jack_port_get_buffer(pair.pIn, nframes);
        const std::uint32_t count = jack_midi_get_event_count(pIn);
        for (std::uint32_t i = 0; i < count; ++i) {
            jack_midi_event_t event;
            if (jack_midi_event_get(&event, pIn, i) == 0 && event.size > 0) {
                (void)pair.incoming->Push(event.buffer, static_cast<std::uint32_t>(event.size));
                received = true;
            }
        }
        void* pOut = jack_port_get_buffer(pair.pOut, nframes);
        jack_midi_clear_buffer(pOut);
        if (!EmitNext(*pair.outgoing, [pOut](std::uint32_t n) { return jack_midi_event_reserve(pOut, 0, n); })) {
            pair.unsent->fetch_add(1, std::memory_order_relaxed);
            received = true; // wakes the main thread to log it
        }
    }
    if (received)
        sem_post(&self->m_wake);
    return 0;
}

void COstraClient::OnShutdown(jack_status_t, const char*, void* arg)
{
    auto* self = static_cast<COstraClient*>(arg);
    self->m_bServerGone.store(true, std::memory_order_release);
    sem_post(&self->m_wake);
}

void COstraClient::Wake() { sem_post(&m_wake); }

void COstraClient::Wait(std::chrono::milliseconds timeout)
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const long long ns = ts.tv_nsec + static_cast<long long>(timeout.count()) * 1000000;
    ts.tv_sec += static_cast<time_t>(ns / 1000000000);
    ts.tv_nsec = static_cast<long>(ns % 1000000000);
    sem_clockwait(&m_wake, CLOCK_MONOTONIC, &ts);
}

void COstraClient::Drain(const std::function<void(std::size_t, const std::uint8_t*, std::size_t)>& handler)
{
    for (std::size_t i = 0; i < m_pairs.size(); ++i) {
        std::uint32_t n = 0;
        while (m_pairs[i].incoming->PeekSize(n)) {
            m_event.resize(n);
            m_pairs[i].incoming->Pop(m_event.data(), n);
            handler(i, m_event.data(), m_event.size());
        }
    }
}

unsigned COstraClient::TakeUnsent(std::size_t pair)
{
    return pair < m_pairs.size() ? m_pairs[pair].unsent->exchange(0, std::memory_order_relaxed) : 0;
}

bool COstraClient::Send(std::size_t pair, const std::uint8_t* pBytes, std::size_t count)
{
    return pair < m_pairs.size() && m_pairs[pair].outgoing->Push(pBytes, static_cast<std::uint32_t>(count));
}

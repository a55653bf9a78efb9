#include "TestJackDevice.h"

#include <jack/metadata.h>
#include <jack/midiport.h>
#include <jack/uuid.h>

#include <cstring>

#include "PortTags.h"

bool CTestJackDevice::Open(const std::string& clientName, const std::vector<PairSpec>& pairs)
{
    jack_status_t status{};
    m_pClient = jack_client_open(clientName.c_str(), static_cast<jack_options_t>(JackNoStartServer | JackUseExactName),
                                 &status);
    if (!m_pClient)
        return false;
    for (const PairSpec& wanted : pairs) {
        Pair pair;
        pair.pIn = jack_port_register(m_pClient, (wanted.name + "-in").c_str(), JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
        if (wanted.withOutput)
            pair.pOut = jack_port_register(m_pClient, (wanted.name + "-out").c_str(), JACK_DEFAULT_MIDI_TYPE,
                                           JackPortIsOutput, 0);
        pair.outgoing = std::make_unique<CMessageRing>(16 * 1024);
        m_pairs.push_back(std::move(pair));
    }
    jack_set_process_callback(m_pClient, &OnProcess, this);
    if (jack_activate(m_pClient) != 0)
        return false;
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        for (jack_port_t* pPort : {m_pairs[i].pIn, m_pairs[i].pOut}) {
            if (!pPort)
                continue;
            if (pairs[i].id)
                jack_set_property(m_pClient, jack_port_uuid(pPort), VORN_KEY_PORT_ID, pairs[i].id->c_str(), nullptr);
            if (pairs[i].type)
                jack_set_property(m_pClient, jack_port_uuid(pPort), VORN_KEY_PORT_TYPE, pairs[i].type->c_str(), nullptr);
        }
    }
    return true;
}

void CTestJackDevice::Close()
{
    if (!m_pClient)
        return;
    jack_deactivate(m_pClient);
    for (const Pair& pair : m_pairs)
        for (jack_port_t* pPort : {pair.pIn, pair.pOut})
            if (pPort)
                jack_remove_properties(m_pClient, jack_port_uuid(pPort));
    jack_client_close(m_pClient);
    m_pClient = nullptr;
    m_pairs.clear();
}

std::uint64_t CTestJackDevice::Uuid() const
{
    char* text = jack_get_uuid_for_client_name(m_pClient, jack_get_client_name(m_pClient));
    jack_uuid_t uuid = 0;
    if (text) {
        jack_uuid_parse(text, &uuid);
        jack_free(text);
    }
    return uuid;
}

bool CTestJackDevice::SendEvents(std::size_t pair, const std::vector<std::vector<std::uint8_t>>& events)
{
    // One record holds the whole batch, so that every event of it goes out in the same cycle.
    std::vector<std::uint8_t> batch;
    for (const auto& event : events) {
        const auto n = static_cast<std::uint32_t>(event.size());
        batch.insert(batch.end(), reinterpret_cast<const std::uint8_t*>(&n), reinterpret_cast<const std::uint8_t*>(&n) + 4);
        batch.insert(batch.end(), event.begin(), event.end());
    }
    return m_pairs.at(pair).outgoing->Push(batch.data(), static_cast<std::uint32_t>(batch.size()));
}

int CTestJackDevice::OnProcess(jack_nframes_t nframes, void* arg)
{
    auto* self = static_cast<CTestJackDevice*>(arg);
    std::uint8_t batch[8192];
    for (Pair& pair : self->m_pairs) {
        if (!pair.pOut)
            continue;
        void* pOut = jack_port_get_buffer(pair.pOut, nframes);
        jack_midi_clear_buffer(pOut);
        std::uint32_t n = 0;
        if (!pair.outgoing->PeekSize(n) || n > sizeof batch)
            continue;
        pair.outgoing->Pop(batch, n);
        jack_nframes_t time = 0;
        for (std::uint32_t at = 0; at + 4 <= n;) {
            std::uint32_t size = 0;
            std::memcpy(&size, batch + at, 4);
            at += 4;
            jack_midi_event_write(pOut, time < nframes - 1 ? time++ : time, batch + at, size);
            at += size;
        }
    }
    return 0;
}

// This device and the driver under test are two JACK clients of one process: JACK hands the device's
// output buffer to the driver's input through shared memory, ordered by the server's own cycle
// signalling inside libjack, which ThreadSanitizer cannot see. Only that hand-over is exempted.
extern "C" const char* __tsan_default_suppressions()
{
    return "race:jack_midi_event_write\n"
           "race:jack_midi_clear_buffer\n";
}

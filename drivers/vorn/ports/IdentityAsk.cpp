#include "IdentityAsk.h"

#include <unistd.h>

#include <cerrno>
#include <thread>

#include "WeakJack.h"

#include "ConsoleIdentity.h"
#include "JackMessages.h"
#include "NetworkScan.h"
#include "SysExReassembler.h"

namespace {

// Cycles the connections stand before the request goes: JACK refuses what is written to a port in
// the cycle its connections are made.
constexpr unsigned SETTLE_CYCLES = 3;

// How long the requests may wait for the connections to reach the process cycle.
constexpr auto SEND_LIMIT = std::chrono::milliseconds(500);

bool Connect(jack_client_t* pClient, const std::string& from, const std::string& to)
{
    const int rc = jack_connect(pClient, from.c_str(), to.c_str());
    return rc == 0 || rc == EEXIST || rc == -EEXIST;
}

// Collects the whole messages among the bytes a pair sent back.
class CCollected : public CSysExReassembler::Sink {
public:
    void OnMessage(const std::uint8_t* pBytes, std::size_t count) override { messages.emplace_back(pBytes, pBytes + count); }
    void OnBroken() override { broken = true; }
    std::vector<std::vector<std::uint8_t>> messages;
    bool broken = false;
};

} // namespace

// JACK's process thread. Nothing here blocks, locks or allocates.
int CIdentityAsk::OnProcess(jack_nframes_t nframes, void* arg)
{
    auto* state = static_cast<State*>(arg);
    bool send = false;
    if (state->armed.load(std::memory_order_acquire) && !state->sent.load(std::memory_order_relaxed))
        send = state->armedCycles.fetch_add(1, std::memory_order_relaxed) + 1 >= SETTLE_CYCLES;
    const bool listening = state->sent.load(std::memory_order_relaxed);
    for (const auto& slot : state->slots) {
        void* pOutBuffer = jack_port_get_buffer(slot->pOut, nframes);
        jack_midi_clear_buffer(pOutBuffer);
        if (send && slot->connected) {
            const auto request = CConsoleIdentity::Request();
            jack_midi_event_write(pOutBuffer, 0, request.data(), request.size());
        }
        if (!listening)
            continue;
        void* pInBuffer = jack_port_get_buffer(slot->pIn, nframes);
        std::size_t count = slot->count.load(std::memory_order_relaxed);
        const std::uint32_t events = jack_midi_get_event_count(pInBuffer);
        for (std::uint32_t e = 0; e < events; ++e) {
            jack_midi_event_t event{};
            if (jack_midi_event_get(&event, pInBuffer, e) != 0)
                continue;
            for (std::size_t b = 0; b < event.size && count < MAX_BYTES; ++b)
                slot->bytes[count++] = event.buffer[b];
        }
        slot->count.store(count, std::memory_order_release);
    }
    if (send)
        state->sent.store(true, std::memory_order_release);
    return 0;
}

bool CIdentityAsk::Judge(const Slot& slot, Outcome& outcome)
{
    const std::size_t count = slot.count.load(std::memory_order_acquire);
    outcome.answered = count > 0;
    CCollected collected;
    CSysExReassembler reassembler;
    reassembler.Feed(slot.bytes.data(), count, collected);
    // Only a pair that sent back nothing but identity replies is a console.
    outcome.console = !collected.broken && !collected.messages.empty() && !reassembler.InMessage();
    for (const auto& message : collected.messages)
        outcome.console = outcome.console && CConsoleIdentity::IsReply(message.data(), message.size(), outcome.entry);
    if (!outcome.console)
        outcome.entry.clear();
    return outcome.console;
}

std::vector<CIdentityAsk::Outcome> CIdentityAsk::Ask(const std::vector<CPortPairing::Pair>& pairs,
                                                     std::chrono::milliseconds wait, std::string& error)
{
    std::vector<Outcome> outcomes;
    if (pairs.empty())
        return outcomes;
    bool noServer = false;
    const std::string name = std::string(VORN_DRIVER_CLIENT_NAME) + "-ask-" + std::to_string(::getpid());
    jack_client_t* pClient = CJackMessages::OpenClient(name, noServer);
    if (!pClient) {
        error = noServer ? "no JACK server answers" : "the JACK server refused the asking client";
        return outcomes;
    }
    State state;
    bool registered = true;
    for (std::size_t i = 0; i < pairs.size() && registered; ++i) {
        auto slot = std::make_unique<Slot>();
        const std::string number = std::to_string(i + 1);
        slot->pOut = jack_port_register(pClient, ("ask-" + number).c_str(), JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
        slot->pIn = jack_port_register(pClient, ("answer-" + number).c_str(), JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
        registered = slot->pOut && slot->pIn;
        state.slots.push_back(std::move(slot));
    }
    if (!registered || jack_set_process_callback(pClient, &OnProcess, &state) != 0 || jack_activate(pClient) != 0) {
        jack_client_close(pClient);
        error = "the JACK server refused the asking client's ports";
        return outcomes;
    }
    bool anyConnected = false;
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        Slot& slot = *state.slots[i];
        slot.connected = Connect(pClient, jack_port_name(slot.pOut), pairs[i].input)
                         && Connect(pClient, pairs[i].output, jack_port_name(slot.pIn));
        anyConnected = anyConnected || slot.connected;
    }
    state.armed.store(anyConnected, std::memory_order_release);

    using Clock = std::chrono::steady_clock;
    const auto sendLimit = Clock::now() + SEND_LIMIT;
    while (anyConnected && !state.sent.load(std::memory_order_acquire) && Clock::now() < sendLimit)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const bool sent = state.sent.load(std::memory_order_acquire);
    outcomes.resize(pairs.size());
    const auto deadline = Clock::now() + wait;
    while (sent && Clock::now() < deadline) {
        bool allConsoles = true;
        for (std::size_t i = 0; i < pairs.size() && allConsoles; ++i)
            allConsoles = !state.slots[i]->connected || Judge(*state.slots[i], outcomes[i]);
        if (allConsoles)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    // After the close no process cycle touches the slots.
    jack_deactivate(pClient);
    jack_client_close(pClient);
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        outcomes[i] = {};
        outcomes[i].pair = pairs[i];
        outcomes[i].reached = sent && state.slots[i]->connected;
        if (outcomes[i].reached)
            (void)Judge(*state.slots[i], outcomes[i]);
    }
    return outcomes;
}

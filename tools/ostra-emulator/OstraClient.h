#pragma once
#include "WeakJack.h"
#include <semaphore.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "MessageRing.h"

// The emulator's presence on the JACK graph: one client with typed MIDI port pairs. JACK's process
// callback only moves bytes between the ports and lock-free rings; everything else happens on the
// emulator's main thread.
class COstraClient {
public:
    struct PairSpec {
        std::uint32_t id;
        std::string type; // four characters
        bool tagged = true; // false: the ports carry no metadata
    };

    COstraClient();
    ~COstraClient(); // removes the port metadata and closes the client
    COstraClient(const COstraClient&) = delete;
    COstraClient& operator=(const COstraClient&) = delete;

    // Opens the client (never starting a server), registers and tags the pairs and activates.
    [[nodiscard]] bool Open(const std::string& name, const std::vector<PairSpec>& pairs, std::string& error);
    [[nodiscard]] std::string ClientName() const;

    // Main thread: sleeps until data arrived, Wake was called or the timeout passed.
    void Wait(std::chrono::milliseconds timeout);
    // Any thread, also a signal handler: ends a Wait.
    void Wake();
    // Main thread: hands every MIDI event received since the last call to handler(pair index, bytes, count).
    void Drain(const std::function<void(std::size_t, const std::uint8_t*, std::size_t)>& handler);
    // Main thread: queues bytes to go out on a pair as one MIDI event; events of one pair go out one per
    // process cycle, in order.
    [[nodiscard]] bool Send(std::size_t pair, const std::uint8_t* pBytes, std::size_t count);
    // Main thread: how many events of a pair went unsent since the last call, because JACK's MIDI buffer
    // of that cycle had no room for them.
    [[nodiscard]] unsigned TakeUnsent(std::size_t pair);
    [[nodiscard]] bool ServerGone() const { return m_bServerGone.load(std::memory_order_acquire); }

private:
    struct Pair {
        jack_port_t* pIn = nullptr;
        jack_port_t* pOut = nullptr;
        std::unique_ptr<CMessageRing> incoming;
        std::unique_ptr<CMessageRing> outgoing;
        std::unique_ptr<std::atomic<unsigned>> unsent = std::make_unique<std::atomic<unsigned>>(0);
    };

public:
    // One process cycle's output of a pair: the next queued event goes into the room reserve(count)
    // gives. When reserve gives none, the event is dropped (a later cycle has no more room for it) and
    // false is returned. JACK's process thread; reserve must not block or allocate.
    template <class Reserve>
    [[nodiscard]] static bool EmitNext(CMessageRing& queue, Reserve reserve);

private:

    static int OnProcess(jack_nframes_t nframes, void* arg);
    static void OnShutdown(jack_status_t code, const char* reason, void* arg);

    jack_client_t* m_pClient = nullptr;
    std::vector<Pair> m_pairs; // fixed once the client is active
    sem_t m_wake{};
    std::atomic<bool> m_bServerGone{false};
    std::vector<std::uint8_t> m_event;
};

template <class Reserve>
bool COstraClient::EmitNext(CMessageRing& queue, Reserve reserve)
{
    std::uint32_t n = 0;
    if (!queue.PeekSize(n))
        return true;
    void* pRoom = reserve(n);
    queue.Pop(pRoom, n);
    return pRoom != nullptr;
}

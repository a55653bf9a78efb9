#pragma once
#include <jack/uuid.h>

#include <string>
#include <vector>

#include "ChildProcess.h"
#include "platform/FileLock.h"

// A private JACK server for one test run: the dummy backend, no realtime scheduling, a name no other
// run uses. It runs synchronously (every client finishes each cycle before the next begins): on a loaded
// machine, or under a sanitizer, an asynchronous server lets a late client's MIDI events fall between
// cycles, which would make the tests' outcomes depend on the machine's load. Clients of this process find it through JACK_DEFAULT_SERVER, which Start sets.
class CJackTestServer {
public:
    ~CJackTestServer() { Stop(); }

    // Starts jackd (with these options of its own before the backend's) and waits until it accepts a
    // client. False, with the reason, when it does not.
    [[nodiscard]] bool Start(unsigned periodFrames, std::string& reason, std::vector<std::string> serverOptions = {});
    // Stops the server and ends the turn.
    void Stop();
    // Stops the server but keeps its name and the turn, so that StartAgain restarts it as a user
    // restarts theirs.
    void StopKeepingName();
    [[nodiscard]] bool StartAgain(std::string& reason) { return Launch(reason); }
    [[nodiscard]] bool Running() { return m_process.Running(); }
    [[nodiscard]] const std::string& Name() const { return m_name; }
    [[nodiscard]] unsigned PeriodFrames() const { return m_period; }
    [[nodiscard]] static constexpr unsigned SampleRate() { return 48000; }

    // Waits up to the deadline for a condition, polling every few milliseconds.
    template <class Condition>
    static bool WaitFor(Condition condition, int timeoutMs = 5000);

private:
    struct Tag {
        jack_uuid_t subject;
        std::string key, value, type;
    };
    [[nodiscard]] bool TakeTurn(std::string& reason);
    [[nodiscard]] bool Launch(std::string& reason);
    [[nodiscard]] bool SetTagsAside();
    void PutTagsBack();
    [[nodiscard]] static bool AnyJackServerRuns();
    static void ClearStaleSharedMemory();

public:
    // Frees the slots of JACK's machine-wide server registry that test servers of this project left
    // when they were killed (their process is gone); JACK has eight slots for all users. The number of
    // slots freed, or -1 when the registry cannot be read.
    static int FreeStaleRegistrySlots();

    CChildProcess m_process;
    CFileLock m_turn{"/tmp/sonvale-jack-tests.lock", 0666}; // the scripts flock(1) the same file
    bool m_bCleared = false;
    std::string m_name;
    std::vector<Tag> m_asideTags;
    bool m_bTagsAside = false;
    unsigned m_period = 0;
    std::vector<std::string> m_serverOptions;
};

#include <chrono>
#include <thread>

template <class Condition>
bool CJackTestServer::WaitFor(Condition condition, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return condition();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

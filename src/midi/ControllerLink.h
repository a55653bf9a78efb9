#pragma once
#include <atomic>
#include <cstdint>

class CMIDIController;

// An observer's way to the controller. The controller attaches itself once the driver has accepted the
// observer and detaches before it lets go of it; detaching waits for a call already in flight, so once
// Detach has returned no driver thread is inside the controller through this observer and none will
// enter it, even if the driver calls the observer later.
class CControllerLink {
public:
    // Held for the duration of one observer call on a driver thread.
    class CCall {
    public:
        explicit CCall(CControllerLink& link);
        CCall(const CCall&) = delete;
        CCall& operator=(const CCall&) = delete;
        ~CCall();
        // The controller to tell, or null when none is attached.
        [[nodiscard]] CMIDIController* Controller() const { return m_pController; }

    private:
        CControllerLink& m_link;
        CMIDIController* m_pController;
    };

    // Runs on the thread that opens the transport.
    void Attach(CMIDIController* pController);
    // Runs on the thread that closes the transport; never from inside an observer call.
    void Detach();

private:
    std::atomic<CMIDIController*> m_pController{nullptr};
    std::atomic<std::uint32_t> m_nInFlight{0};
};

#pragma once
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "midi/ConsoleExchange.h"
#include "midi/ConsoleTurn.h"
#include "midi/ReceivedQueue.h"
#include "midi/GraphLock.h"
#include "midi/MIDIController.h"
#include "midi/WaitForEvent.h"
#include "vorn/VornAsync.h"

class CMIDIDevice;
class CPortListener;
class CMIDIListener;

// The transport over the Vorn audio-network driver: sends every message to the "Tarn" port of the one
// console it chose (CConsoleChoice) and turns the driver's observer calls into transport events. An
// exchange holds the console's turn (CConsoleTurn) from Send to EndExchange, so that programs of this
// user never talk to one console at once. The program never
// links the driver; it creates the driver object through the component runtime by class identifier.
//
// Construction initialises the component runtime for the creating thread (the user-interface thread),
// destruction releases everything and ends that use again; both happen on that thread.
class CWin32VornMIDIController : public CMIDIController {
public:
    CWin32VornMIDIController();
    CWin32VornMIDIController(const CWin32VornMIDIController&) = delete;
    CWin32VornMIDIController& operator=(const CWin32VornMIDIController&) = delete;
    ~CWin32VornMIDIController() override;

    [[nodiscard]] ResultCode Open() override;
    ResultCode Close() override;
    [[nodiscard]] ResultCode Send(const std::uint8_t* pData, std::uint16_t nLength, std::uint16_t nTimeout) override;
    [[nodiscard]] ResultCode Receive(std::uint8_t* pBuffer, std::uint16_t* pnLength, std::uint16_t nTimeout) override;
    // Runs on a driver thread (through CPortListener and CMIDIListener), or on any thread in tests.
    ResultCode OnEvent(std::int32_t nEvent, std::uint16_t nLength, const std::uint8_t* pData) override;
    ResultCode OnStampedEvent(std::int32_t nEvent, const Stamp& stamp, std::uint16_t nLength,
                              const std::uint8_t* pData) override;
    [[nodiscard]] Fault LastFault() const override { return m_fault; }
    [[nodiscard]] std::string FaultDetail() const override { return m_faultDetail; }
    [[nodiscard]] std::string SharingDetail() const override { return m_sharingDetail; }
    void SelectConsole(const ConsoleWish& wish) override { m_wish = wish; }
    [[nodiscard]] std::vector<ConsoleCandidate> Consoles() const override { return m_consoles; }
    [[nodiscard]] std::optional<ConsoleCandidate> ChosenConsole() const override { return m_chosen; }
    void DropReceived() override;
    [[nodiscard]] std::optional<std::chrono::steady_clock::time_point> ReceivedAt() const override
    {
        return m_lastArrival;
    }
    [[nodiscard]] bool TakeTurn(std::uint16_t timeoutMs) override;
    void ExpectAnswer(int kind, const std::string& entry) override;
    [[nodiscard]] CAnswerLedger* Ledger() override;
    [[nodiscard]] bool LedgerUsable() const override { return m_bLedgerUsable; }
    [[nodiscard]] LedgerFault LedgerProblem() const override { return m_ledgerProblem; }
    [[nodiscard]] bool AnswersDropped() const override;
    void EndExchange() override;

    // The text of a port type code: its four characters, most significant byte first, when all are
    // printable ASCII (0x20..0x7E), otherwise "0x%08X". A port is used when the text is "Tarn".
    [[nodiscard]] static std::string FormatTypeCode(std::uint32_t nTypeCode);
    // Whether the transport uses a port of this type code.
    [[nodiscard]] static bool IsConsolePort(std::uint32_t nTypeCode) { return FormatTypeCode(nTypeCode) == "Tarn"; }
    // A new driver object (the current class, else the legacy one), or null when neither can be
    // created. The caller owns the reference; the calling thread must have the runtime initialised.
    // pFailures, when given, receives what each class's creation returned (S_OK when it was not tried),
    // so that a caller can tell a missing module from a refusing driver.
    [[nodiscard]] static IVornAsync* CreateDriverObject(std::array<HRESULT, 2>* pFailures = nullptr);
    // What each driver class's creation returned at the last Open (S_OK when it was not tried).
    [[nodiscard]] const std::array<HRESULT, 2>& CreateFailures() const { return m_createFailures; }
    // What the driver's device list returned at the last Open (S_OK when it was not asked or gave one):
    // a driver object exists without a JACK server too, and its list tells that none answers.
    [[nodiscard]] HRESULT DeviceListFailure() const { return m_listFailure; }

    // Replaces the millisecond counter that Send and Receive wait with (tests use it to cross the
    // counter's wrap). Call while no exchange runs.
    void SetMillisecondCounter(MillisecondCounter counter);
    // Tests: runs on the driver thread inside OnEvent, right after a received message has been
    // published. Set while no event is being delivered.
    void SetReceivedHook(std::function<void()> hook) { m_receivedHook = std::move(hook); }

    // The last event recorded by OnEvent, or 0 after a Send began.
    [[nodiscard]] std::int32_t LastEvent() const { return m_nLastEvent.load(std::memory_order_acquire); }

    CMIDIDevice* m_pDevice = nullptr; // the holder, not owned; set by InitMIDIDevice

private:
    // Opens and observes the "Tarn" port of the device with this identifier.
    [[nodiscard]] ResultCode AttachPorts(IVornAsyncDevice* pDevice, const PortList& portList, std::uint32_t pairId);
    // Keeps the chosen console among the devices that offer one; the others are released. Candidates
    // whose port cannot be attached are taken out of the list.
    struct OfferingDevice {
        IVornAsyncDevice* pDevice;
        PortList portList;
        std::uint64_t id; // the device's identifier on the network
    };
    [[nodiscard]] ResultCode KeepChosenConsole(std::vector<OfferingDevice>& offering,
                                               std::vector<ConsoleCandidate>& candidates);
    // Open without the graph lock, which Open holds around it.
    [[nodiscard]] ResultCode OpenConsole();
    void ReleaseAll();
    // ReleaseAll while no exchange of any program of this user runs.
    void ReleaseAllQuietly();
    // Forgets the messages kept for the exchange (their buffers go with the ports).
    void ForgetReceived();
    // The console's owed answers, read when the turn is taken and written whenever they change.
    void LoadLedger();
    void SaveLedger();
    // Says once on standard error why the owed answers cannot be kept.
    void SayLedgerProblem();
    // OnEvent and OnStampedEvent (pStamp null for the first).
    ResultCode Record(std::int32_t nEvent, const Stamp* pStamp, std::uint16_t nLength, const std::uint8_t* pData);

    IVornAsync* m_pAsync = nullptr;
    std::array<HRESULT, 2> m_createFailures{};
    HRESULT m_listFailure = S_OK;
    std::vector<IVornAsyncDevice*> m_devices;
    std::vector<IVornAsyncPort*> m_ports;
    DeviceList m_deviceList{0, nullptr};
    std::vector<PortList> m_portLists;
    CPortListener* m_pAsyncObserver = nullptr;
    std::vector<CMIDIListener*> m_portObservers;
    std::atomic<std::int32_t> m_nLastEvent{MIDI_EVENT_NONE};
    // What Send and Receive wait for. The last event alone is not enough: a reply that follows the
    // transmission result within one poll would hide the result, and the result of a second port
    // would hide a reply. So the first transmission result and the last receive outcome since the
    // Send began are kept apart (each 0 until it comes); m_nLastEvent still records every event.
    std::atomic<std::int32_t> m_nSendResult{MIDI_EVENT_NONE};
    std::atomic<std::int32_t> m_nReceiveResult{MIDI_EVENT_NONE};
    // The console's messages that count for the exchange; m_arrivalMutex makes deciding that a message
    // counts and queueing it one step, apart from the beginning of a Send.
    CReceivedQueue m_received;
    std::mutex m_arrivalMutex;
    MillisecondCounter m_counter;
    std::function<void()> m_receivedHook;
    bool m_bComInitialized = false;
    // Which of the driver's reports belong to the exchange under way.
    CConsoleExchange m_exchange;
    // Messages the open port has taken: the next one's number is one more.
    std::uint32_t m_nPortMessages = 0;
    // The chosen console's device on the network as of the last Open: a late reply can only come from it.
    std::uint64_t m_nConsoleDevice = 0;
    // The owed answers of the chosen console while the turn is this program's (m_bInTurn).
    CAnswerLedger m_ledger;
    bool m_bInTurn = false;
    bool m_bLedgerUsable = true;
    bool m_bLedgerProblemSaid = false;
    LedgerFault m_ledgerProblem;
    std::optional<std::chrono::steady_clock::time_point> m_lastArrival; // of the message Receive returned last
    // What the next Send's message asks for (ExpectAnswer).
    int m_nExpectedKind = 0;
    std::string m_expectedEntry;
    CConsoleTurn m_turn;
    CGraphLock m_graphLock; // shared from Send to EndExchange, exclusive while ports come or go
    ConsoleWish m_wish;
    std::vector<ConsoleCandidate> m_consoles;  // found by the last Open
    std::optional<ConsoleCandidate> m_chosen;  // kept by the last Open
    Fault m_fault = Fault::None;
    std::string m_faultDetail;
    std::string m_sharingDetail;
};

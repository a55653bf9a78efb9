#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/ComBase.h"

// The published interface of the Vorn audio-network driver.
//
// The driver is an in-process component-object server: a driver module exports DllGetClassObject
// (see platform/ComBase.h) and serves CLSID_VornAsync and, for older installations, CLSID_VornAsyncLegacy.
// Both classes create the same kind of object, the driver object, which answers IID_IUnknown and
// IID_IVornAsync. Through it a program lists the devices on the network, opens a device, lists and opens
// the device's ports, sends system-exclusive messages to a port and receives the port's messages and the
// network's configuration events through observer objects that the program implements.
//
// Conventions for every operation below:
//  - The result is 0 (S_OK) on success and a failure HRESULT otherwise; on failure every output
//    argument is left empty (null pointer, count 0) and no reference is handed out.
//  - Objects handed out through an output pointer carry one reference that the caller releases.
//  - Devices and ports keep what they need of the driver object alive internally, so a program may
//    release the driver object, its devices and its ports in any order.
//  - The program calls the driver from one thread at a time, but not always the same thread (the
//    user-interface thread opens and closes, an update worker may send). The driver accepts calls from
//    any thread.
//
// Threads of the observer calls: the driver calls IVornAsyncObserver::OnAsyncEvent and
// IVornAsyncPortObserver::OnPortEvent on threads of its own, never on a thread of the program and never
// from inside a call the program makes into the driver. Calls to one observer never overlap. An observer
// must not call back into the driver from its callback and must return promptly.
//
// Observer lifetime: Advise takes one reference to the observer. The driver releases that reference
// after the object observed (the driver object for IVornAsyncObserver, the port for
// IVornAsyncPortObserver) has been released for the last time and no call to the observer is in
// flight; after that release it makes no further call to that observer.
//
// Memory returned in a DeviceList or PortList is allocated with CoTaskMemAlloc; the program frees the
// record array with CoTaskMemFree.

// {62973234-3913-46CD-A376-1A46B957F53E} — the driver's current class.
inline constexpr CLSID CLSID_VornAsync = {0x62973234, 0x3913, 0x46CD, {0xA3, 0x76, 0x1A, 0x46, 0xB9, 0x57, 0xF5, 0x3E}};
// {2D8913E9-B6E9-458D-BEF1-82B072417CCB} — the class older installations registered; tried second.
inline constexpr CLSID CLSID_VornAsyncLegacy = {0x2D8913E9, 0xB6E9, 0x458D, {0xBE, 0xF1, 0x82, 0xB0, 0x72, 0x41, 0x7C, 0xCB}};
// {293180EE-8D6A-4613-AB54-BFF741DF900B}
inline constexpr IID IID_IVornAsync = {0x293180EE, 0x8D6A, 0x4613, {0xAB, 0x54, 0xBF, 0xF7, 0x41, 0xDF, 0x90, 0x0B}};
// {E19934A1-16EA-4997-A88B-5EA3815C6321}
inline constexpr IID IID_IVornAsyncDevice = {0xE19934A1, 0x16EA, 0x4997, {0xA8, 0x8B, 0x5E, 0xA3, 0x81, 0x5C, 0x63, 0x21}};
// {51335E14-505B-4D03-872A-76541E584558}
inline constexpr IID IID_IVornAsyncPort = {0x51335E14, 0x505B, 0x4D03, {0x87, 0x2A, 0x76, 0x54, 0x1E, 0x58, 0x45, 0x58}};
// {BEEC89BE-3AE3-4689-A983-8E2DE718A098}
inline constexpr IID IID_IVornAsyncObserver = {0xBEEC89BE, 0x3AE3, 0x4689, {0xA9, 0x83, 0x8E, 0x2D, 0xE7, 0x18, 0xA0, 0x98}};
// {E53F0D33-05ED-427A-A957-5D8401F58AC1}
inline constexpr IID IID_IVornAsyncPortObserver = {0xE53F0D33, 0x05ED, 0x427A, {0xA9, 0x57, 0x5D, 0x84, 0x01, 0xF5, 0x8A, 0xC1}};

// What listing or opening gives while no JACK server answers: the driver never starts one. A driver
// object is created without a server too (any other failure to set up its JACK client fails the
// creation with E_FAIL); while it has none, whether it never had one or its server ended, it asks once a
// second whether one answers and then reports VORN_ASYNC_EVENT_CONFIG_CHANGED once. It stays without a
// server itself: a new driver object reaches the new server.
inline constexpr HRESULT VORN_E_NO_SERVER = static_cast<HRESULT>(0x80040201);
// What opening a port gives when the JACK server refuses to connect the driver's own ports to the
// device's pair (a server that fails self-connections, a device whose ports take no connection).
inline constexpr HRESULT VORN_E_CONNECT_REFUSED = static_cast<HRESULT>(0x80040202);

// Driver-wide event types (OnAsyncEvent); also the bits of IVornAsync::Advise's registration value.
inline constexpr std::int32_t VORN_ASYNC_EVENT_CONFIG_NOTICE = 1;  // the network's configuration is changing
inline constexpr std::int32_t VORN_ASYNC_EVENT_CONFIG_CHANGED = 2; // devices or ports came or went: list afresh

// Port event types (OnPortEvent); also the bits of IVornAsyncPort::Advise's registration value.
inline constexpr std::int32_t VORN_PORT_EVENT_RECEIVED = 1;      // a complete message arrived
inline constexpr std::int32_t VORN_PORT_EVENT_RECEIVE_ERROR = 2; // data arrived that could not be received
inline constexpr std::int32_t VORN_PORT_EVENT_SENT = 4;          // the outcome of one accepted Send
// The outcome of one accepted Send, naming the message and the process cycle: an observer registered
// for it gets this event instead of VORN_PORT_EVENT_SENT, and also hears of messages dropped unsent.
inline constexpr std::int32_t VORN_PORT_EVENT_OUTCOME = 8;

// The registration values the program passes: every driver-wide and every port event type.
inline constexpr std::uint32_t VORN_ASYNC_ADVISE_ALL = 3; // 1 + 2
inline constexpr std::uint32_t VORN_PORT_ADVISE_ALL = 15; // 1 + 2 + 4 + 8

// IVornAsyncPort::Send kind: the bytes are one complete system-exclusive message (F0 ... F7).
inline constexpr std::uint32_t VORN_SEND_SYSEX = 2;

// Type code of the ports the console is reached through: "Tarn", first character in the most
// significant byte.
inline constexpr std::uint32_t VORN_PORT_TYPE_TARN = 0x5461726E; // 'T' 'a' 'r' 'n'

// One device on the network.
struct DeviceInfo {
    std::uint64_t id;          // the device's identifier, stable while the device stays on the network
    char name[256];            // its name, UTF-8, NUL-terminated; not read by the program
    std::uint8_t reserved[16]; // zero
};
static_assert(sizeof(DeviceInfo) == 280);
static_assert(offsetof(DeviceInfo, id) == 0);

struct DeviceList {
    std::uint32_t count;   // number of records
    DeviceInfo* pDevices;  // count records from CoTaskMemAlloc; null when count is 0
};

// One port of a device.
struct PortInfo {
    std::uint32_t id;       // the port's identifier within its device
    std::uint32_t typeCode; // four characters, first in the most significant byte ("Tarn")
    std::uint32_t flags;    // VORN_PORT_FLAG_* bits; the program reads only VORN_PORT_FLAG_SHARED
};
static_assert(sizeof(PortInfo) == 12);

inline constexpr std::uint32_t VORN_PORT_FLAG_OUTPUT = 1; // messages can be sent to the port
inline constexpr std::uint32_t VORN_PORT_FLAG_INPUT = 2;  // the port delivers received messages
// A client that is not a Vorn driver also sends messages to the device: its exchanges take no turns with
// the driver's.
inline constexpr std::uint32_t VORN_PORT_FLAG_SHARED = 4;
// How the driver came to know the pair; neither bit: both ports carry the type and identifier tags.
inline constexpr std::uint32_t VORN_PORT_FLAG_BY_RULE = 8;   // a rule of the user's rules file names it
inline constexpr std::uint32_t VORN_PORT_FLAG_BY_ASKING = 16; // it answered the driver's identity request

struct PortList {
    std::uint32_t count; // number of records
    PortInfo* pPorts;    // count records from CoTaskMemAlloc; null when count is 0
};

// What the first argument of a VORN_PORT_EVENT_RECEIVED call points to. The bytes belong to the driver
// and are valid only for the duration of the call.
struct VornReceivedMessage {
    std::uint32_t count;        // number of bytes
    const std::uint8_t* pBytes; // the message, F0 ... F7
    // The process cycle in which the message's last byte arrived (cycles are counted from 1 per driver
    // object; 0 from a driver that does not count them).
    std::uint64_t cycle;
};

// What the first argument of a VORN_PORT_EVENT_OUTCOME call points to, valid during the call.
struct VornMessageOutcome {
    std::uint32_t message; // the message's number: a port numbers the messages it takes 1, 2, 3, ...
    std::uint32_t status;  // VORN_OUTCOME_*
    std::uint32_t bytes;   // the number of bytes that went out
    std::uint64_t cycle;   // the process cycle that wrote it to the device (or found it could not)
};
inline constexpr std::uint32_t VORN_OUTCOME_FAILED = 0;  // it could not go out
inline constexpr std::uint32_t VORN_OUTCOME_SENT = 1;    // it went out whole in `cycle`
inline constexpr std::uint32_t VORN_OUTCOME_DROPPED = 2; // its sender's wait was nearly over: never sent

class IVornAsyncObserver;
class IVornAsyncPortObserver;
class IVornAsyncPort;
class IVornAsyncDevice;

// The driver object.
class IVornAsync : public IUnknown {
public:
    // Fills *pList with every device on the network now, in a stable order. A network without devices
    // gives S_OK with count 0 and a null record pointer.
    [[nodiscard]] virtual HRESULT GetDeviceList(DeviceList* pList) = 0;
    // Opens the device with this identifier. Fails for an identifier not on the network now.
    [[nodiscard]] virtual HRESULT OpenDevice(std::uint64_t deviceId, IVornAsyncDevice** ppDevice) = 0;
    // Registers the driver-wide observer for the event types in mask (VORN_ASYNC_EVENT_* bits). From a
    // successful return on, the driver calls pObserver->OnAsyncEvent on its own threads. A second
    // Advise replaces the first observer (which is released). On failure no reference is taken.
    [[nodiscard]] virtual HRESULT Advise(std::uint32_t mask, IVornAsyncObserver* pObserver) = 0;

protected:
    ~IVornAsync() = default;
};

// One device.
class IVornAsyncDevice : public IUnknown {
public:
    // Fills *pList with every port of the device, in a stable order.
    [[nodiscard]] virtual HRESULT GetPortList(PortList* pList) = 0;
    // Opens the port with this identifier. A port may be opened more than once; each open gives its own
    // object with its own observer.
    [[nodiscard]] virtual HRESULT OpenPort(std::uint32_t portId, IVornAsyncPort** ppPort) = 0;

protected:
    ~IVornAsyncDevice() = default;
};

// One open port.
class IVornAsyncPort : public IUnknown {
public:
    // Registers the port's observer for the event types in mask (VORN_PORT_EVENT_* bits). From a
    // successful return on, the driver calls pObserver->OnPortEvent on its own threads with this port
    // object as the source. A second Advise replaces the first observer. On failure no reference is taken.
    [[nodiscard]] virtual HRESULT Advise(std::uint32_t mask, IVornAsyncPortObserver* pObserver) = 0;
    // Takes one message for transmission: kind VORN_SEND_SYSEX, length bytes at pData; timeoutMs is
    // how long the caller waits for the outcome, 0 for as long as it takes. The driver copies the bytes
    // before it returns. S_OK means the port has taken the message as the next of its numbers (1 for the
    // first message the port object takes, then 2, 3, ...); its outcome follows as exactly one
    // VORN_PORT_EVENT_OUTCOME (or, to an observer registered without it, VORN_PORT_EVENT_SENT) to the
    // port's observer, possibly before Send has returned, on the driver's thread. A message still waiting
    // to go out (a new port holds messages until its connections stand) when the caller's time-out is
    // nearly over is dropped, never sent: VORN_OUTCOME_DROPPED, and no VORN_PORT_EVENT_SENT. A failure
    // means the message was not taken, took no number and no outcome follows (E_INVALIDARG for a bad
    // kind or length 0).
    [[nodiscard]] virtual HRESULT Send(std::uint32_t kind, std::uint32_t length, const std::uint8_t* pData,
                                       std::uint32_t timeoutMs) = 0;

protected:
    ~IVornAsyncPort() = default;
};

// Implemented by the program: the driver-wide observer.
class IVornAsyncObserver : public IUnknown {
public:
    // Called on a driver thread for each driver-wide event whose type was registered
    // (VORN_ASYNC_EVENT_CONFIG_NOTICE, VORN_ASYNC_EVENT_CONFIG_CHANGED). The result is ignored.
    virtual HRESULT OnAsyncEvent(std::int32_t type) = 0;

protected:
    ~IVornAsyncObserver() = default;
};

// Implemented by the program: the observer of one port.
class IVornAsyncPortObserver : public IUnknown {
public:
    // Called on a driver thread for each event of a registered type on the port pSource:
    //  - VORN_PORT_EVENT_RECEIVED: first is the address of a VornReceivedMessage, valid during the call;
    //    second is 0.
    //  - VORN_PORT_EVENT_RECEIVE_ERROR: both arguments 0.
    //  - VORN_PORT_EVENT_SENT: first is non-zero when the message went out whole, 0 when it failed;
    //    second is the number of bytes that went out.
    //  - VORN_PORT_EVENT_OUTCOME: first is the address of a VornMessageOutcome, valid during the call;
    //    second is 0.
    // The driver reports a port's outcomes and received messages in the order of their cycles: an
    // outcome before any message that arrived in a later cycle.
    // The arguments are pointer-sized so that the first can carry an address. The result is ignored by
    // the driver; the program answers E_FAIL when pSource is not the port it observes.
    virtual HRESULT OnPortEvent(IVornAsyncPort* pSource, std::int32_t type, std::uintptr_t first,
                                std::uintptr_t second) = 0;

protected:
    ~IVornAsyncPortObserver() = default;
};

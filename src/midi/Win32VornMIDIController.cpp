#include "midi/Win32VornMIDIController.h"

#include "platform/ComRuntime.h"
#include "platform/TickCount.h"

CWin32VornMIDIController::CWin32VornMIDIController() : m_counter(&GetTickCount)
{
    m_bComInitialized = SUCCEEDED(CoInitialize(nullptr));
}

CWin32VornMIDIController::~CWin32VornMIDIController()
{
    ReleaseAll();
    if (m_bComInitialized)
        CoUninitialize();
}

ResultCode CWin32VornMIDIController::Open() { return RC_DRIVER_UNAVAILABLE; }
ResultCode CWin32VornMIDIController::Close() { return RC_EXCHANGE_OK; }
ResultCode CWin32VornMIDIController::Send(const std::uint8_t*, std::uint16_t, std::uint16_t) { return RC_SEND_FAILED; }
ResultCode CWin32VornMIDIController::Receive(std::uint8_t*, std::uint16_t*, std::uint16_t) { return RC_RECEIVE_FAILED; }
ResultCode CWin32VornMIDIController::OnEvent(std::int32_t nEvent, std::uint16_t, const std::uint8_t*)
{
    m_nLastEvent.store(nEvent, std::memory_order_release);
    return RC_EXCHANGE_OK;
}
std::string CWin32VornMIDIController::FormatTypeCode(std::uint32_t) { return {}; }
void CWin32VornMIDIController::SetMillisecondCounter(MillisecondCounter counter) { m_counter = std::move(counter); }
bool CWin32VornMIDIController::CreateDriver() { return false; }
ResultCode CWin32VornMIDIController::AttachPorts(IVornAsyncDevice*, const PortList&) { return RC_NO_USABLE_PORT; }
void CWin32VornMIDIController::ReleaseAll() {}
void CWin32VornMIDIController::PublishReceived(const std::uint8_t*, std::uint16_t) {}

#include "midi/ControllerLink.h"

#include <thread>

// Both sides use sequentially consistent operations: either a call's increment of m_nInFlight comes
// before Detach reads it (and Detach waits for the call), or the call reads the pointer after Detach
// cleared it (and tells nobody).

CControllerLink::CCall::CCall(CControllerLink& link) : m_link(link)
{
    m_link.m_nInFlight.fetch_add(1);
    m_pController = m_link.m_pController.load();
}

CControllerLink::CCall::~CCall()
{
    m_link.m_nInFlight.fetch_sub(1);
}

void CControllerLink::Attach(CMIDIController* pController)
{
    m_pController.store(pController);
}

void CControllerLink::Detach()
{
    m_pController.store(nullptr);
    while (m_nInFlight.load() != 0)
        std::this_thread::yield();
}

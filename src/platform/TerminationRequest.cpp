#include "platform/TerminationRequest.h"

#include <signal.h>

CTerminationRequest::Meaning CTerminationRequest::Add(int nSignal, bool bHonouring)
{
    const bool bAsking = nSignal != SIGHUP;
    if (m_nFirstSignal == 0) {
        m_nFirstSignal = nSignal;
        m_bAsked = bAsking;
        return Meaning::First;
    }
    const bool bAgain = bHonouring && bAsking && m_bAsked;
    m_bAsked = m_bAsked || bAsking;
    return bAgain ? Meaning::Again : Meaning::Same;
}

#include "app/TarnViewLink.h"

#include "app/TarnApp.h"
#include "view/TarnView.h"

CTarnViewLink::CTarnViewLink(CTarnDoc& document) : m_pView(new CTarnView(document))
{
    m_pView->SetApplicationLink(TarnApp());
}

CTarnViewLink::~CTarnViewLink() = default;

CTarnView* CTarnViewLink::View() const
{
    return m_pView.data();
}

QWidget* CTarnViewLink::Widget()
{
    return m_pView.data();
}

void CTarnViewLink::OnInitialUpdate()
{
    if (m_pView)
        m_pView->OnInitialUpdate();
}

bool CTarnViewLink::IsInitOK() const
{
    return m_pView && m_pView->IsInitOK();
}

ResultCode CTarnViewLink::RefreshConnectionState()
{
    return m_pView ? m_pView->RefreshConnectionState() : RC_OK;
}

ResultCode CTarnViewLink::RefreshCurrentData()
{
    return m_pView ? m_pView->RefreshCurrentData() : RC_OK;
}

ResultCode CTarnViewLink::OnFileUpdate()
{
    return m_pView ? m_pView->OnFileUpdate() : RC_OK;
}

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

void CTarnViewLink::StoreState()
{
    if (m_pView)
        m_pView->OnDestroy();
}

ResultCode CTarnViewLink::OnFileUpdate()
{
    return m_pView ? m_pView->OnFileUpdate() : RC_OK;
}

bool CTarnViewLink::IsNoteEditorVisible() const
{
    return m_pView && m_pView->IsNoteEditorVisible();
}

bool CTarnViewLink::HasNoteSelection() const
{
    return m_pView && m_pView->HasNoteSelection();
}

bool CTarnViewLink::IsUndoAvailable() const
{
    return m_pView && m_pView->IsUndoAvailable();
}

void CTarnViewLink::OnEditUndo()
{
    if (m_pView)
        m_pView->OnEditUndo();
}

void CTarnViewLink::OnEditCut()
{
    if (m_pView)
        m_pView->OnEditCut();
}

void CTarnViewLink::OnEditCopy()
{
    if (m_pView)
        m_pView->OnEditCopy();
}

void CTarnViewLink::OnEditPaste()
{
    if (m_pView)
        m_pView->OnEditPaste();
}

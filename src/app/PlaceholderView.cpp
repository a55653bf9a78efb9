#include "app/PlaceholderView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <string>

#include "app/TarnApp.h"
#include "app/TarnDoc.h"

CPlaceholderView::CPlaceholderView(CTarnDoc& document) : m_document(document)
{
    m_pUpdate = new QPushButton(QStringLiteral("Update"), this);
    m_pUpdate->setObjectName(QStringLiteral("update1007"));
    auto* pCaption = new QLabel(QStringLiteral("Current Data :"), this);
    m_pCurrentData = new QLabel(this);
    auto* pLine = new QHBoxLayout;
    pLine->addStretch();
    pLine->addWidget(pCaption);
    pLine->addWidget(m_pCurrentData);
    pLine->addStretch();
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addStretch();
    pLayout->addWidget(m_pUpdate, 0, Qt::AlignHCenter);
    pLayout->addLayout(pLine);
}

void CPlaceholderView::OnInitialUpdate()
{
    m_bInitOK = m_document.DataController().Initialize() == RC_OK;
    if (m_bInitOK)
        RefreshConnectionState();
}

ResultCode CPlaceholderView::RefreshConnectionState()
{
    const bool bConnected = TarnApp() && TarnApp()->m_bConnected;
    m_pUpdate->setEnabled(bConnected);
    if (!bConnected)
        m_pCurrentData->clear();
    return RC_OK;
}

ResultCode CPlaceholderView::RefreshCurrentData()
{
    CTarnApp* pApp = TarnApp();
    if (!pApp || !pApp->m_bConnected)
        return RC_OK;
    std::string name;
    if (m_document.DataController().QueryCurrentDataName(name) == RC_EXCHANGE_OK) {
        m_pCurrentData->setText(QString::fromUtf8(name));
    } else {
        pApp->m_bDeviceEventPending = false;
        pApp->ShowConnectionError();
        RefreshConnectionState();
    }
    return RC_OK;
}

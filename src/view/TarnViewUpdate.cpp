// The Update command and the console's state in the view: the Update button, "Current Data :" and the
// marker on the row of the entry the console holds.
#include "view/TarnView.h"

#include "app/ProgressDlg.h"
#include "app/TarnDoc.h"
#include "app/UpdateState.h"
#include "data/DataController.h"
#include "platform/MessageBoxService.h"
#include "platform/PrivateMessage.h"
#include "platform/StringTable.h"
#include "platform/TextCodec.h"
#include "view/UpdateThread.h"
#include "widgets/ApplicationLink.h"
#include "widgets/ListConstants.h"

#include <string>
#include <system_error>
#include <thread>

void CTarnView::SetApplicationLink(CApplicationLink* pApp)
{
    m_pApp = pApp;
    m_list.SetApplicationLink(pApp);
    connect(&m_list, &CInfoListCtrl::reconnected, this, &CTarnView::RefreshConnectionState, Qt::UniqueConnection);
}

bool CTarnView::IsConnected() const { return m_pApp && m_pApp->IsConnected(); }

ResultCode CTarnView::OnFileUpdate()
{
    if (!IsConnected()) {
        RefreshConnectionState();
        return RC_OK;
    }
    const int s = m_list.GetSelectedItem();
    if (s < 0) return RC_OK;

    // The key shown in the row, whatever order the rows stand in.
    const ResultCode nResult = RunUpdateWorker(m_list.GetEntryKey(s));
    // Said before the outcome, which it may explain, and only now that the progress dialog is closed;
    // a configuration change meanwhile is acted on after the outcome's box, as below.
    (void)TellLedgerProblemOnce(false);
    // A configuration change during the update was left alone while the worker used the transport; it
    // is acted on after the outcome box, like one that comes in while the box is open.
    switch (nResult) {
    case RC_EXCHANGE_OK: {
        const bool bEventDuringUpdate = m_pApp->TakeDeviceEventPending();
        (void)CMessageBoxService::Show(this, {LoadResourceString(IDS_CAPTION), LoadResourceString(IDS_UPDATE_COMPLETED),
                                              MessageBoxIcon::Information, MessageBoxButtons::Ok});
        m_list.SetCurrentDataMark(static_cast<std::int16_t>(s));
        m_list.setFocus();
        SetCurrentDataText(NarrowFromWide(m_list.GetItemText(s, kNameColumn)));
        if (m_pApp->IsDeviceEventPending() || bEventDuringUpdate) {
            m_pApp->Reconnect();
            RefreshConnectionState();
        }
        break;
    }
    case RC_DATA_INVALID:
        ShowUpdateError(IDS_DATA_INVALID, m_pApp->TakeDeviceEventPending());
        break;
    case RC_FLASH_WRITE_FAILED:
        ShowUpdateError(IDS_FLASH_WRITE_FAILED, m_pApp->TakeDeviceEventPending());
        break;
    case RC_UPDATE_UNPROVEN:
        // The console is there and answered: Update stays enabled, and the user may try again at once.
        ShowUpdateError(IDS_UPDATE_UNPROVEN, m_pApp->TakeDeviceEventPending(), MessageBoxIcon::Warning);
        break;
    default:
        // A configuration change during the update stays pending: the connection error tries the
        // transport once more after its box.
        m_pApp->ShowConnectionError();
        RefreshConnectionState();
        RefreshCurrentData();
        break;
    }
    return RC_OK;
}

ResultCode CTarnView::RunUpdateWorker(std::uint16_t nKey)
{
    g_nUpdateResult = RC_UPDATE_NO_RESULT;
    g_ProgressDlg.ClearDone();
    const UpdateThreadParam param{this, nKey};
    std::thread worker;
    try {
        worker = std::thread(UpdateThreadProc, &param);
    } catch (const std::system_error&) {
        // No worker, nothing written: reported like an update that never answered, without the dialog.
        return RC_UPDATE_NO_RESULT;
    }

    g_bUpdateRunning = true;
    (void)m_pApp->TakeDeviceEventPending();
    (void)g_ProgressDlg.DoModal(this);
    g_bUpdateRunning = false;
    // Only a result the worker delivered before the dialog closed counts.
    const ResultCode nResult = g_ProgressDlg.IsDone() ? g_nUpdateResult.load() : RC_UPDATE_NO_RESULT;
    // The worker's exchanges end by their own time-outs; waiting for it keeps its parameter record alive
    // and keeps a late result out of the next update.
    worker.join();
    g_nUpdateResult = nResult;
    return nResult;
}

void CTarnView::ShowUpdateError(std::uint32_t nTextId, bool bEventDuringUpdate, MessageBoxIcon icon)
{
    (void)CMessageBoxService::Show(this, {LoadResourceString(IDS_CAPTION), LoadResourceString(nTextId), icon,
                                          MessageBoxButtons::Ok});
    if (m_pApp->IsDeviceEventPending() || bEventDuringUpdate) {
        m_pApp->Reconnect();
        RefreshConnectionState();
    }
    RefreshCurrentData();
}

ResultCode CTarnView::RefreshConnectionState()
{
    const bool bConnected = IsConnected();
    m_btnUpdate.setEnabled(bConnected);
    if (!bConnected) {
        m_list.SetCurrentDataMark(-1);
        SetCurrentDataText({});
    }
    return RC_OK;
}

ResultCode CTarnView::RefreshCurrentData()
{
    if (!IsConnected() || !m_pDoc) return RC_OK;
    AskCurrentData();
    // The first query at start-up, after a configuration change or a choice of console is where a
    // problem with the owed answers is usually found: said once the window shows what it found.
    if (IsConnected())
        (void)TellLedgerProblemOnce(true);
    return RC_OK;
}

bool CTarnView::TellLedgerProblemOnce(bool bOwnDeviceEvents)
{
    if (m_bLedgerProblemTold || !m_pDoc) return false;
    const LedgerFault problem = m_pDoc->DataController().LedgerProblem();
    const QString path = QString::fromLocal8Bit(problem.path);
    const QString reason = QString::fromLocal8Bit(problem.reason);
    QString text;
    switch (problem.kind) {
    case LedgerFault::Kind::None:
        return false;
    case LedgerFault::Kind::NoFolder:
        text = LoadResourceString(IDS_LEDGER_NO_FOLDER).arg(path);
        break;
    case LedgerFault::Kind::Unreadable:
        text = LoadResourceString(IDS_LEDGER_UNREADABLE).arg(path, reason);
        break;
    case LedgerFault::Kind::Nonsense:
        text = LoadResourceString(IDS_LEDGER_BROKEN).arg(path);
        break;
    case LedgerFault::Kind::Unwritable:
        text = LoadResourceString(IDS_LEDGER_UNWRITABLE).arg(path, reason);
        break;
    }
    m_bLedgerProblemTold = true;
    if (bOwnDeviceEvents)
        (void)m_pApp->TakeDeviceEventPending();
    (void)CMessageBoxService::Show(this, {LoadResourceString(IDS_CAPTION), text, MessageBoxIcon::Warning,
                                          MessageBoxButtons::Ok});
    if (bOwnDeviceEvents && m_pApp->IsDeviceEventPending()) {
        m_pApp->Reconnect();
        RefreshConnectionState();
        RefreshCurrentData();
    }
    return true;
}

void CTarnView::AskCurrentData()
{
    std::string name;
    if (m_pDoc->DataController().QueryCurrentDataName(name) == RC_EXCHANGE_OK) {
        SetCurrentDataText(name);
        std::uint16_t nRow = kNoRow;
        (void)FindRowByName(name, nRow);
        m_list.SetCurrentDataMark(nRow == kNoRow ? std::int16_t{-1} : static_cast<std::int16_t>(nRow));
        return;
    }
    if (m_pDoc->DataController().LastFault() == CDataController::ExchangeFault::Unproven) {
        // The console is there and answered, but what it said may answer an earlier request: what it
        // holds is not known, and the next update or query asks again.
        m_list.SetCurrentDataMark(-1);
        SetCurrentDataText({});
        return;
    }
    (void)m_pApp->TakeDeviceEventPending();
    m_pApp->ShowConnectionError();
    RefreshConnectionState();
}

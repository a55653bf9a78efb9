#include "view/UpdateThread.h"

#include "app/ProgressDlg.h"
#include "app/TarnDoc.h"
#include "app/UpdateState.h"
#include "data/DataController.h"
#include "view/TarnView.h"

unsigned int UpdateThreadProc(const UpdateThreadParam* pParam)
{
    // qobject_cast only reads the object's class information, which never changes while the view lives.
    CTarnView* pView = pParam ? qobject_cast<CTarnView*>(pParam->pView) : nullptr;
    if (!pView)
        return 1;
    CDataController& controller = pView->GetDocument().DataController();
    ResultCode nResult = controller.WriteEntry(pParam->nKey);
    // "Cannot tell" is told apart here, on the thread that ran the exchange and owns its fault.
    if (nResult == RC_SEND_FAILED && controller.LastFault() == CDataController::ExchangeFault::Unproven)
        nResult = RC_UPDATE_UNPROVEN;
    // The result first: the user-interface thread reads it once it sees the dialog done.
    g_nUpdateResult.store(nResult);
    g_ProgressDlg.SetDone();
    return 0;
}

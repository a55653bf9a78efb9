#include "view/UpdateThread.h"

#include "app/ProgressDlg.h"
#include "app/TarnDoc.h"
#include "app/UpdateState.h"
#include "view/TarnView.h"

unsigned int UpdateThreadProc(const UpdateThreadParam* pParam)
{
    // qobject_cast only reads the object's class information, which never changes while the view lives.
    CTarnView* pView = pParam ? qobject_cast<CTarnView*>(pParam->pView) : nullptr;
    if (!pView)
        return 1;
    const ResultCode nResult = pView->GetDocument().DataController().WriteEntry(pParam->nKey);
    // The result first: the user-interface thread reads it once it sees the dialog done.
    g_nUpdateResult.store(nResult);
    g_ProgressDlg.SetDone();
    return 0;
}

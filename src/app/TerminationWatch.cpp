#include "app/TerminationWatch.h"

#include <unistd.h>

#include <QApplication>
#include <QTimer>

#include "app/MainFrame.h"
#include "app/TarnApp.h"
#include "app/UpdateState.h"
#include "platform/FileSaver.h"
#include "platform/TerminationSignals.h"

namespace {

// The read end of the signals' pipe; -1 until the handlers are in place.
int g_nSignalPipe = -1;

// Closes the open menus, then the modal windows from the topmost down; a box answers with its escape
// button. A window that refuses to close is left to the end of the event loop.
void CloseMenusAndBoxes()
{
    while (QWidget* pPopup = QApplication::activePopupWidget()) {
        pPopup->close();
        if (QApplication::activePopupWidget() == pPopup)
            break;
    }
    while (QWidget* pModal = QApplication::activeModalWidget()) {
        pModal->close();
        if (QApplication::activeModalWidget() == pModal)
            break;
    }
}

} // namespace

bool CTerminationWatch::InstallHandlers()
{
    g_nSignalPipe = CTerminationSignals::Install(false);
    return g_nSignalPipe >= 0;
}

CTerminationWatch::CTerminationWatch()
{
    if (!InstallHandlers())
        return;
    // A signal that came before this point is already in the pipe: the notifier reports it as soon
    // as an event loop runs.
    m_pNotifier = std::make_unique<QSocketNotifier>(g_nSignalPipe, QSocketNotifier::Read);
    connect(m_pNotifier.get(), &QSocketNotifier::activated, this, &CTerminationWatch::OnSignalled);
}

CTerminationWatch::~CTerminationWatch()
{
    if (m_bRequested && qApp)
        qApp->removeEventFilter(this);
    if (m_pNotifier)
        CTerminationSignals::Restore();
}

void CTerminationWatch::OnSignalled()
{
    char buffer[64];
    bool bSignalled = false;
    bool bAgain = false;
    // Signals that come together are one request: a session that ends sends SIGTERM and SIGHUP at
    // once. Only a SIGINT or SIGTERM after the end began to wait for the update asks again.
    for (ssize_t nRead; (nRead = ::read(g_nSignalPipe, buffer, sizeof buffer)) > 0;) {
        bSignalled = true;
        for (ssize_t i = 0; i < nRead; ++i)
            bAgain = m_request.Add(static_cast<unsigned char>(buffer[i]), m_bWaitingForUpdate) ==
                         CTerminationRequest::Meaning::Again ||
                     bAgain;
    }
    if (!bSignalled)
        return;
    if (!m_bRequested)
        qApp->installEventFilter(this);
    m_bRequested = true;
    // Asked twice while an update keeps the end waiting: the user wants out now.
    if (bAgain && g_bUpdateRunning)
        EndNow();
    // Boxes and menus close at once, so that a start-up box does not hold the request up; the rest of
    // the end runs from the event loop.
    CloseMenusAndBoxes();
    ScheduleEnd();
}

void CTerminationWatch::ScheduleEnd()
{
    if (m_bEndScheduled)
        return;
    m_bEndScheduled = true;
    QTimer::singleShot(0, this, &CTerminationWatch::EndWhenIdle);
}

void CTerminationWatch::EndNow()
{
    if (CTarnApp* pApp = TarnApp())
        pApp->SaveWithoutClosing();
    // The worker may still be inside an exchange: the transport is left to the process's end rather
    // than closed under it, but a file the exchange is replacing is written whole first. The status
    // tells that the end was forced by the signal.
    CFileSaver::EndProcessBetweenSaves(m_request.ExitStatus());
}

bool CTerminationWatch::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    if (pEvent->type() == QEvent::Show && pWatched->isWidgetType()) {
        auto* pWidget = static_cast<QWidget*>(pWatched);
        if (pWidget->isWindow() && pWidget->isModal())
            QMetaObject::invokeMethod(pWidget, [pWidget] { pWidget->close(); }, Qt::QueuedConnection);
    }
    return false;
}

void CTerminationWatch::EndWhenIdle()
{
    m_bEndScheduled = false;
    if (g_bUpdateRunning) {
        m_bWaitingForUpdate = true;
        m_bEndScheduled = true;
        QTimer::singleShot(100, this, &CTerminationWatch::EndWhenIdle);
        return;
    }
    CloseMenusAndBoxes();
    // Closing the frame stores its placement; quitting leaves the event loop once it runs.
    if (CTarnApp* pApp = TarnApp(); pApp && pApp->MainFrame())
        pApp->MainFrame()->close();
    QCoreApplication::quit();
}

#include "app/TerminationWatch.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QTimer>

#include "app/MainFrame.h"
#include "app/TarnApp.h"
#include "app/UpdateState.h"

namespace {

// The pipe between the handler and the notifier; one per process, like the signal dispositions.
int g_signalPipe[2] = {-1, -1};
constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

void OnTerminationSignal(int nSignal)
{
    const int saved = errno;
    const char byte = static_cast<char>(nSignal);
    (void)!::write(g_signalPipe[1], &byte, 1); // a full pipe already holds a pending request
    errno = saved;
}

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
    if (g_signalPipe[0] >= 0)
        return true;
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction action {};
    action.sa_handler = &OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int nSignal : kSignals)
        sigaction(nSignal, &action, nullptr);
    return true;
}

CTerminationWatch::CTerminationWatch()
{
    if (!InstallHandlers())
        return;
    // A signal that came before this point is already in the pipe: the notifier reports it as soon
    // as an event loop runs.
    m_pNotifier = std::make_unique<QSocketNotifier>(g_signalPipe[0], QSocketNotifier::Read);
    connect(m_pNotifier.get(), &QSocketNotifier::activated, this, &CTerminationWatch::OnSignalled);
}

CTerminationWatch::~CTerminationWatch()
{
    if (m_bRequested && qApp)
        qApp->removeEventFilter(this);
    if (!m_pNotifier)
        return;
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int nSignal : kSignals)
        sigaction(nSignal, &action, nullptr);
}

void CTerminationWatch::OnSignalled()
{
    char buffer[64];
    bool bSignalled = false;
    for (ssize_t nRead; (nRead = ::read(g_signalPipe[0], buffer, sizeof buffer)) > 0;) {
        bSignalled = true;
        m_nLastSignal = static_cast<unsigned char>(buffer[nRead - 1]);
    }
    if (!bSignalled)
        return;
    // Signals that come together are one request: a session that ends sends SIGTERM and SIGHUP at
    // once. Only a signal after the end began to wait for the update asks again.
    const bool bAgain = m_bWaitingForUpdate;
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
    // than closed under it. The status tells that the end was forced by the signal.
    ::_exit(128 + m_nLastSignal);
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

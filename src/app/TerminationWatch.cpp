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

void OnTerminationSignal(int)
{
    const int saved = errno;
    const char byte = 1;
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

CTerminationWatch::CTerminationWatch()
{
    if (g_signalPipe[0] < 0 && ::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_pNotifier = std::make_unique<QSocketNotifier>(g_signalPipe[0], QSocketNotifier::Read);
    connect(m_pNotifier.get(), &QSocketNotifier::activated, this, &CTerminationWatch::OnSignalled);
    struct sigaction action {};
    action.sa_handler = &OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int nSignal : kSignals)
        sigaction(nSignal, &action, nullptr);
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
    while (::read(g_signalPipe[0], buffer, sizeof buffer) > 0) {
    }
    if (!m_bRequested)
        qApp->installEventFilter(this);
    m_bRequested = true;
    EndWhenIdle();
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
    if (g_bUpdateRunning) {
        QTimer::singleShot(100, this, &CTerminationWatch::EndWhenIdle);
        return;
    }
    CloseMenusAndBoxes();
    // Closing the frame stores its placement; quitting leaves the event loop once it runs.
    if (CTarnApp* pApp = TarnApp(); pApp && pApp->MainFrame())
        pApp->MainFrame()->close();
    QCoreApplication::quit();
}

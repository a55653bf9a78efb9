#include "app/ProgressDlg.h"

#include <QCoreApplication>
#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QKeyEvent>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>

#include "app/ResourceSet.h"
#include "platform/StaticObjectOrder.h"
#include "platform/SystemLanguage.h"
#include "platform/WindowSystem.h"

[[gnu::init_priority(kInitOrderProgressDlg)]] constinit CProgressDlg g_ProgressDlg;

namespace {

// The window of the progress dialog: only its owner closes it. Enter, Esc and the window manager's
// close request are swallowed.
class CProgressWindow : public QDialog
{
public:
    explicit CProgressWindow(QWidget* pParent)
        : QDialog(pParent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    {
    }

    void reject() override {}

protected:
    void keyPressEvent(QKeyEvent* pEvent) override
    {
        switch (pEvent->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape: pEvent->accept(); return;
        default: QDialog::keyPressEvent(pEvent);
        }
    }

    void closeEvent(QCloseEvent* pEvent) override { pEvent->ignore(); }
};

// Deletes the dialog's window once another window of the program is active.
class CFocusHandover : public QObject
{
public:
    explicit CFocusHandover(QDialog* pWindow) : QObject(pWindow), m_pWindow(pWindow) {}

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override
    {
        if (pEvent->type() == QEvent::WindowActivate && pWatched != m_pWindow && pWatched->isWidgetType() &&
            static_cast<QWidget*>(pWatched)->isWindow())
            m_pWindow->deleteLater();
        return false;
    }

private:
    QDialog* m_pWindow;
};

} // namespace

CProgressDlg::~CProgressDlg()
{
    // The window lives only inside DoModal; nothing is left to free here.
}

int CProgressDlg::DoModal(QWidget* pParent)
{
    auto* pWindow = new CProgressWindow(pParent);
    m_pWindow = pWindow;
    pWindow->setWindowTitle(QCoreApplication::translate("CProgressDlg", "Now Updating..."));
    pWindow->setModal(true);
    const QFont font = DialogFont(8, 9);
    pWindow->setFont(font);
    pWindow->setFixedSize(IsJapaneseSystem() ? DialogUnitsToPixels(font, 241, 15)
                                                  : DialogUnitsToPixels(font, 294, 14));

    // The bar shows no percentage; a screen reader names it (in English in both languages, as the
    // dialog's title is) and reads its value. It is named before it joins the window, so that it is
    // never seen without its name.
    m_pProgress = new QProgressBar();
    m_pProgress->setAccessibleName(QStringLiteral("Update progress"));
    m_pProgress->setParent(pWindow);
    m_pProgress->setObjectName(QStringLiteral("progress1006"));
    m_pProgress->setTextVisible(false);
    m_pProgress->setRange(0, kRangeEnd);
    auto* pLayout = new QVBoxLayout(pWindow);
    pLayout->setContentsMargins(0, 0, 0, 0);
    pLayout->addWidget(m_pProgress);

    m_pTimer = new QTimer(pWindow);
    QObject::connect(m_pTimer, &QTimer::timeout, pWindow, [this] { OnTimer(); });

    // Shown: the bar empty, the counters cleared. The done flag is not touched here: the update clears
    // it before its worker starts.
    m_pProgress->setValue(0);
    m_nTicks = 0;
    m_bFull = false;
    m_pTimer->start(m_nTickIntervalMs > 0 ? m_nTickIntervalMs : kTickIntervalMs);

    pWindow->setWindowModality(Qt::ApplicationModal);
    pWindow->show();
    QEventLoop loop;
    m_pLoop = &loop;
    // The timer goes with the window: a window that goes (its parent closed under it) ends the wait too.
    QObject::connect(pWindow, &QObject::destroyed, &loop, [&loop] { loop.exit(1); });
    (void)loop.exec(QEventLoop::DialogExec);
    m_pLoop = nullptr;
    m_pProgress = nullptr;
    m_pTimer = nullptr;
    // The parent may have taken the window with it while the modal loop ran.
    if (QDialog* pLeaving = m_pWindow.data()) {
        m_pWindow = nullptr;
        if (CanPlaceWindows())
            delete pLeaving;
        else
            HandOverFocus(pLeaving);
    }
    return 1;
}

void CProgressDlg::HandOverFocus(QDialog* pWindow)
{
    // A Wayland compositor gives the focus of a window that goes to the window below it, the main
    // window; Qt's Wayland plugin then asks to activate that window, and the request arrives once the
    // outcome box that comes next has the focus: the main window is marked as demanding attention. So
    // the dialog stays until the next window of the program has the focus, and hands it on directly.
    auto* pWatch = new CFocusHandover(pWindow);
    qApp->installEventFilter(pWatch);
    QTimer::singleShot(kHandOverMs, pWindow, &QObject::deleteLater);
}

void CProgressDlg::OnTimer()
{
    const int nPosition = m_pProgress->value();
    if (((nPosition >= kRangeEnd && m_bDone.load()) || m_nTicks > kMaxTicks) && m_bFull) {
        m_pTimer->stop();
        if (m_pLoop)
            m_pLoop->exit(1);
    } else if (nPosition >= kRangeEnd) {
        ++m_nTicks;
        m_bFull = true;
    } else {
        m_pProgress->setValue(std::min(nPosition + kStep, kRangeEnd));
        ++m_nTicks;
    }
}

#include "app/MainFrame.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QMimeData>
#include <QScreen>

#include "app/AboutDlg.h"
#include "app/MainViewLink.h"
#include "app/TarnApp.h"
#include "platform/WindowSystem.h"
#include "prefs/Preference.h"

CMainFrame::CMainFrame(CTarnApp& app) : m_app(app)
{
    setObjectName(QStringLiteral("CMainFrame"));
    setMinimumSize(kMinWidth, kMinHeight);

    std::int32_t nLeft = 0;
    std::int32_t nTop = 0;
    std::int32_t nWidth = 0;
    std::int32_t nHeight = 0;
    if (CPrefHandler* pPrefs = g_Preference.GetHandler()) {
        (void)pPrefs->GetWindowBounds(nLeft, nTop, nWidth, nHeight);
        (void)pPrefs->GetZoomed(m_bShowMaximized);
    }
    const QRect stored(nLeft, nTop, std::max(nWidth, kMinWidth), std::max(nHeight, kMinHeight));
    // Where the compositor places the window only its size is ours to give.
    if (CanPlaceWindows())
        setGeometry(FitOntoMonitor(stored, NearestMonitorRect(stored)));
    else
        resize(stored.size());

    CreateMenus();
    CreateAccelerators();
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::SetView(std::unique_ptr<CMainViewLink> pView)
{
    m_pView = std::move(pView);
    if (m_pView)
        setCentralWidget(m_pView->Widget());
}

void CMainFrame::ShowFirst()
{
    if (m_bShowMaximized)
        showMaximized();
    else
        show();
}

void CMainFrame::CenterWindow()
{
    if (!CanPlaceWindows())
        return;
    QRect rect = geometry();
    const QScreen* pScreen = QGuiApplication::screenAt(rect.center());
    if (!pScreen)
        pScreen = QGuiApplication::primaryScreen();
    if (!pScreen)
        return;
    rect.moveCenter(pScreen->availableGeometry().center());
    setGeometry(rect);
}

void CMainFrame::ShowAbout()
{
    CAboutDlg dialog(this);
    dialog.exec();
}

QRect CMainFrame::FitOntoMonitor(QRect rect, const QRect& monitor)
{
    if (monitor.isEmpty())
        return rect;
    // QRect's right() and bottom() are the last pixel inside; the window edges are one beyond them.
    const int nRight = rect.x() + rect.width();
    const int nMonitorRight = monitor.x() + monitor.width();
    if (nRight > nMonitorRight)
        rect.moveLeft(rect.x() - (nRight - nMonitorRight));
    if (rect.x() < monitor.x())
        rect.moveLeft(monitor.x());
    const int nBottom = rect.y() + rect.height();
    const int nMonitorBottom = monitor.y() + monitor.height();
    if (nBottom > nMonitorBottom)
        rect.moveTop(rect.y() - (nBottom - nMonitorBottom));
    if (rect.y() < monitor.y())
        rect.moveTop(monitor.y());
    return rect;
}

QRect CMainFrame::NearestMonitorRect(const QRect& rect)
{
    QRect best;
    qint64 nBestArea = -1;
    qint64 nBestDistance = -1;
    for (const QScreen* pScreen : QGuiApplication::screens()) {
        const QRect monitor = pScreen->geometry();
        const QRect overlap = monitor.intersected(rect);
        const qint64 nArea = overlap.isEmpty() ? 0 : qint64(overlap.width()) * overlap.height();
        // Distance from the rectangle to the monitor along each axis (0 where they overlap).
        const qint64 dx = std::max<qint64>({0, qint64(monitor.left()) - rect.right(), qint64(rect.left()) - monitor.right()});
        const qint64 dy = std::max<qint64>({0, qint64(monitor.top()) - rect.bottom(), qint64(rect.top()) - monitor.bottom()});
        const qint64 nDistance = dx * dx + dy * dy;
        if (nArea > nBestArea || (nArea == 0 && nBestArea == 0 && nDistance < nBestDistance)) {
            best = monitor;
            nBestArea = nArea;
            nBestDistance = nDistance;
        }
    }
    return best;
}

void CMainFrame::closeEvent(QCloseEvent* pEvent)
{
    if (CPrefHandler* pPrefs = g_Preference.GetHandler()) {
        QRect normal = normalGeometry().isValid() ? normalGeometry() : geometry();
        // A program never learns its window's position from a Wayland compositor: the position stored
        // by the last session that knew it stays, for the next one that does.
        if (!CanPlaceWindows()) {
            std::int32_t nLeft = 0, nTop = 0, nWidth = 0, nHeight = 0;
            if (pPrefs->GetWindowBounds(nLeft, nTop, nWidth, nHeight) == RC_OK)
                normal.moveTo(nLeft, nTop);
        }
        (void)pPrefs->SetWindowBounds(normal.x(), normal.y(), normal.width(), normal.height());
        (void)pPrefs->SetZoomed(isMaximized());
    }
    pEvent->accept();
}

bool CMainFrame::IsCommandEnabled(int nCommand) const
{
    const bool bEditorVisible = m_pView && m_pView->IsNoteEditorVisible();
    switch (nCommand) {
    case ID_EDIT_CUT:
    case ID_EDIT_COPY:
        return bEditorVisible && m_pView->HasNoteSelection();
    case ID_EDIT_PASTE: {
        if (!bEditorVisible)
            return false;
        const QClipboard* pClipboard = QGuiApplication::clipboard();
        const QMimeData* pData = pClipboard ? pClipboard->mimeData() : nullptr;
        return pData && pData->hasText();
    }
    case ID_EDIT_UNDO:
        return m_pView && m_pView->IsUndoAvailable();
    case ID_FILE_UPDATE:
        return m_app.m_bConnected;
    default:
        return true;
    }
}

void CMainFrame::UpdateMenuStates()
{
    for (const int nCommand : {ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE, ID_EDIT_UNDO, ID_FILE_UPDATE})
        Action(nCommand)->setEnabled(IsCommandEnabled(nCommand));
}

void CMainFrame::OnCommand(int nCommand)
{
    // Menu items and accelerators alike: a command runs only when its item is enabled at this moment.
    // The states shown in a menu were computed when it opened, and an accelerator has no menu open.
    if (!IsCommandEnabled(nCommand))
        return;
    switch (nCommand) {
    case ID_APP_EXIT: close(); return;
    case ID_HELP_MANUAL: m_app.OnHelpManual(); return;
    case ID_APP_ABOUT: m_app.OnAppAbout(); return;
    default: break;
    }
    if (!m_pView)
        return;
    switch (nCommand) {
    case ID_FILE_UPDATE: (void)m_pView->OnFileUpdate(); return;
    case ID_EDIT_UNDO: m_pView->OnEditUndo(); return;
    case ID_EDIT_CUT: m_pView->OnEditCut(); return;
    case ID_EDIT_COPY: m_pView->OnEditCopy(); return;
    case ID_EDIT_PASTE: m_pView->OnEditPaste(); return;
    default: return;
    }
}

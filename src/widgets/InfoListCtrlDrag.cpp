// Dragging the selected row onto the view's Update button: the row's picture follows the pointer, the
// cursor tells whether a drop there would update, and a drop on the button asks before it tells the view.
#include "widgets/InfoListCtrl.h"

#include "platform/MessageBoxService.h"
#include "platform/PrivateMessage.h"
#include "platform/StringTable.h"
#include "widgets/ApplicationLink.h"
#include "widgets/CellFont.h"
#include "widgets/DragImageWindow.h"
#include "widgets/ListConstants.h"

#include <QApplication>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

namespace {

// Inner margins of the drag picture's cells.
constexpr int kTextLeftInset = 7;
constexpr int kTextRightInset = 5;
// With the marker in the "No." cell: room kept beside the marker, and the text's distance from it.
constexpr int kMarkerRoom = 14;
constexpr int kMarkerTextGap = 9;
constexpr int kMinRoomForRightInset = 11;

}  // namespace

std::unique_ptr<QPixmap> CInfoListCtrl::CreateRowDragImage(QPoint* pHotspot) const
{
    const int s = GetSelectedItem();
    QRect bounds;
    if (s < 0 || !GetItemRect(s, bounds, LVIR_BOUNDS) || bounds.width() <= 0 || bounds.height() <= 0) return nullptr;
    // Drawn at the screen's pixel density, so that the picture is as sharp as the row at any scale.
    const qreal dpr = devicePixelRatioF();
    auto pImage = std::make_unique<QPixmap>(bounds.size() * dpr);
    if (pImage->isNull()) return nullptr;
    pImage->setDevicePixelRatio(dpr);
    pImage->fill(kSelectionColour);

    std::int16_t marked = -1;
    (void)FindCurrentDataMark(marked);
    const bool bMarked = marked == s;
    {
        QPainter painter(pImage.get());
        const QFont font = CreateTitleFont();
        const QFontMetrics metrics(font);
        painter.setFont(font);
        painter.setPen(Qt::white);
        for (int c = 0; c < m_header->count(); ++c) {
            const QString text = GetItemText(s, c);
            QRect cell;
            if (!GetSubItemRect(s, c, LVIR_BOUNDS, cell)) continue;
            // The cell within the row, whatever the list's horizontal scroll.
            int left = cell.left() - bounds.left();
            int right = left + cell.width();
            bool bRightAligned = c == kNoColumn;
            if (c == kNoColumn && bMarked) {
                QRect icon;
                (void)GetSubItemRect(s, c, LVIR_ICON, icon);
                const int room = cell.width() - icon.width() - kMarkerRoom;
                if (metrics.horizontalAdvance(text) < room) {
                    right -= kTextRightInset;
                } else {
                    bRightAligned = false;
                    if (room >= kMinRoomForRightInset) right -= kTextRightInset;
                }
                left += icon.width() + kMarkerTextGap;
            } else {
                left += kTextLeftInset;
                right -= kTextRightInset;
            }
            if (right <= left) continue;
            const QRect r(left, 0, right - left, bounds.height());
            painter.drawText(r, Qt::TextSingleLine | Qt::AlignVCenter | (bRightAligned ? Qt::AlignRight : Qt::AlignLeft),
                             metrics.elidedText(text, Qt::ElideRight, r.width()));
        }
        if (bMarked) {
            if (const QPixmap* pMarker = GetImage(1)) painter.drawPixmap(0, 0, *pMarker);
        }
    }
    if (pHotspot) *pHotspot = m_ptPointer - bounds.topLeft();
    return pImage;
}

bool CInfoListCtrl::OnBeginDrag()
{
    QPoint hotspot;
    std::unique_ptr<QPixmap> pImage = CreateRowDragImage(&hotspot);
    if (!pImage) {
        (void)CMessageBoxService::Show(this, {QStringLiteral("Tarn"), QStringLiteral("ImageError"),
                                              MessageBoxIcon::Warning, MessageBoxButtons::Ok});
        return false;
    }
    // The list keeps the mouse from the press that began the drag until the button is released.
    m_bDragging = true;
    m_pDragImage = std::move(pImage);
    if (!m_pDragWindow) m_pDragWindow = std::make_unique<CDragImageWindow>();
    m_pDragWindow->BeginDrag(*m_pDragImage, hotspot, *this);
    m_pDragWindow->DragEnter(viewport()->mapToGlobal(m_ptPointer));
    m_pDragWindow->SetDragCursor(IsOverUpdateTarget(m_ptPointer) ? Qt::ArrowCursor : Qt::ForbiddenCursor);
    m_dragAbortWatch.Start(*this);
    return true;
}

void CInfoListCtrl::mouseMoveEvent(QMouseEvent* event)
{
    m_ptPointer = event->position().toPoint();
    // A drag whose button came up where the list did not see it ends without a drop.
    if (m_bDragging && !(event->buttons() & Qt::LeftButton)) CancelDrag();
    if (m_bDragging) {
        OnDragMove(m_ptPointer);
        return;
    }
    if (!(event->buttons() & Qt::LeftButton)) {
        QTreeWidget::mouseMoveEvent(event);
        return;
    }
    // With the button held the platform list drags the row rather than selecting others on the way.
    if ((m_ptPointer - m_ptLastDown).manhattanLength() >= QApplication::startDragDistance() &&
        HitTest(m_ptLastDown) >= 0 && HitTest(m_ptLastDown) == GetSelectedItem())
        (void)OnBeginDrag();
}

void CInfoListCtrl::OnDragMove(QPoint point)
{
    m_pDragWindow->SetDragCursor(IsOverUpdateTarget(point) ? Qt::ArrowCursor : Qt::ForbiddenCursor);
    m_pDragWindow->DragMove(viewport()->mapToGlobal(point));
}

void CInfoListCtrl::EndDrag()
{
    m_bDragging = false;
    m_dragAbortWatch.Stop();
    m_pDragWindow->DragLeave();
    m_pDragWindow->EndDrag();
    m_pDragImage.reset();
}

void CInfoListCtrl::CancelDrag()
{
    if (!m_bDragging) return;
    EndDrag();
    // The press that began the drag is over for the list as well: the next move selects nothing.
    setState(NoState);
}

void CInfoListCtrl::OnDragDrop(QPoint point)
{
    if (!m_bDragging) return;
    EndDrag();

    if (!IsOverUpdateTarget(point)) return;
    (void)m_pApp->TakeDeviceEventPending();
    const MessageBoxAnswer answer =
        CMessageBoxService::Show(this, {LoadResourceString(IDS_CAPTION), LoadResourceString(IDS_UPDATE_QUESTION),
                                        MessageBoxIcon::Question, MessageBoxButtons::OkCancel});
    // A configuration change while the question was open: the answer counts only if the console is
    // still there.
    if (m_pApp->IsDeviceEventPending()) {
        m_pApp->Reconnect();
        emit reconnected();
        if (!m_pApp->IsConnected()) return;
    }
    if (answer == MessageBoxAnswer::Ok) PostToView(WM_DROP_UPDATE);
}

bool CInfoListCtrl::IsOverUpdateTarget(QPoint point) const
{
    if (!m_pApp || !m_pApp->IsConnected() || !parentWidget()) return false;
    return m_rcUpdateTarget.contains(viewport()->mapTo(parentWidget(), point));
}

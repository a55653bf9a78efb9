// Painting of the information list: the rows through the delegate, then the selection marks and the
// grid over them, all in one off-screen surface.
#include "widgets/InfoListCtrl.h"

#include "widgets/ListConstants.h"
#include "widgets/InfoListDelegate.h"
#include "widgets/MemDC.h"

#include <QPaintEvent>
#include <QPainter>

void CInfoListCtrl::paintEvent(QPaintEvent* event)
{
    executeDelayedItemsLayout();
    QPainter screen(viewport());
    CMemDC dc(&screen, viewport()->rect());
    QPainter& p = dc.Painter();
    p.fillRect(viewport()->rect(), m_clrBk);
    drawTree(&p, event->region());
    PaintOverlays(p);
    PaintFocusMark(p);
}

void CInfoListCtrl::drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const bool selected = selectionModel() && selectionModel()->isSelected(index);
    QStyleOptionViewItem cell = option;
    cell.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
    if (selected) cell.state |= QStyle::State_Selected;
    for (int c = 0; c < m_header->count(); ++c) {
        const int width = m_header->sectionSize(c);
        if (width <= 0) continue;
        cell.rect = QRect(m_header->sectionViewportPosition(c), option.rect.top(), width, option.rect.height());
        itemDelegate()->paint(painter, cell, model()->index(index.row(), c, index.parent()));
    }
}

void CInfoListCtrl::PaintOverlays(QPainter& p) const
{
    const QRect client = viewport()->rect();
    const int headerHeight = m_header->height();
    // The grid covers the client area as if it began at the header's top edge, so the row lines keep
    // their pitch from the header's bottom edge downward.
    const int top = 0;
    const int bottom = client.height() + headerHeight;

    const int selected = GetSelectedItem();
    std::int16_t marked = -1;
    (void)FindCurrentDataMark(marked);
    const int x0 = horizontalOffset();

    int pitch = RowHeight();
    QRect bounds;
    if (selected >= 0 && GetItemRect(selected, bounds, LVIR_BOUNDS)) {
        QRect icon;
        (void)GetItemRect(selected, icon, LVIR_ICON);
        if (selected == marked) {
            p.setPen(m_penSelMark);
            p.drawLine(icon.left() + icon.width(), icon.top(), icon.left() + icon.width(), icon.bottom());
            QRect subIcon;
            if (GetSubItemRect(selected, kNoColumn, LVIR_ICON, subIcon))
                p.fillRect(QRect(subIcon.left() + subIcon.width(), subIcon.top(), 3, subIcon.height()), m_brSelMark);
        } else if (x0 == 0) {
            p.fillRect(QRect(-1, icon.top(), 2, icon.height()), m_brSelMark);
        }
        const int right = bounds.left() + bounds.width();
        p.setPen(m_penSelMark);
        p.drawLine(bounds.left(), bounds.top(), right - 1, bounds.top());
        p.drawLine(right - 1, bounds.top(), right - 1, bounds.bottom());
        pitch = bounds.height();
    }

    if (pitch > 0) {
        p.setPen(m_penRowLine);
        for (int y = top; y < bottom; y += pitch) p.drawLine(client.left(), y - 1, client.right(), y - 1);
    }

    p.setPen(m_penColumnLine);
    int x = -1 - x0;
    for (int c = 0; c < m_header->count(); ++c) {
        x += m_header->sectionSize(c);
        p.drawLine(x, top, x, bottom - 1);
    }
}

QRect CInfoListCtrl::SubItemBounds(int nRow, int nSubItem) const
{
    const QTreeWidgetItem* item = topLevelItem(nRow);
    if (!item || nSubItem < 0 || nSubItem >= m_header->count()) return {};
    const QRect row = visualItemRect(item);
    if (!row.isValid()) return {};
    return QRect(m_header->sectionViewportPosition(nSubItem), row.top(), m_header->sectionSize(nSubItem),
                 row.height());
}

bool CInfoListCtrl::GetItemRect(int nRow, QRect& rect, int nCode) const
{
    const QRect first = SubItemBounds(nRow, 0);
    if (first.isNull() && !topLevelItem(nRow)) return false;
    if (first.height() <= 0) return false;
    if (nCode == LVIR_ICON) {
        rect = QRect(first.left(), first.top(), std::min(first.width(), m_images.empty() ? 0 : m_images[0].width()),
                     first.height());
        return true;
    }
    rect = QRect(first.left(), first.top(), m_header->length(), first.height());
    return true;
}

bool CInfoListCtrl::GetSubItemRect(int nRow, int nSubItem, int nCode, QRect& rect) const
{
    const QRect cell = SubItemBounds(nRow, nSubItem);
    if (cell.height() <= 0) return false;
    const int imageWidth = m_images.empty() ? 0 : m_images[0].width();
    const int iconLeft = cell.left() + CInfoListDelegate::kImageInset;
    const int cellRight = cell.left() + cell.width();
    switch (nCode) {
    case LVIR_ICON:
        rect = QRect(iconLeft, cell.top(), std::max(0, std::min(imageWidth, cellRight - iconLeft)), cell.height());
        return true;
    case LVIR_LABEL: {
        const int left = GetItemImage(nRow, nSubItem) >= 0 ? std::min(iconLeft + imageWidth, cellRight) : cell.left();
        rect = QRect(left, cell.top(), cellRight - left, cell.height());
        return true;
    }
    default:
        rect = cell;
        return true;
    }
}

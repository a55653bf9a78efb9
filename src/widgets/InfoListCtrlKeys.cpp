// The information list from the keyboard: F2 and Enter open the note editor, the current cell stays on
// a visible column, and the current row carries a focus mark while the list has the keyboard focus.
#include "widgets/InfoListCtrl.h"

#include "widgets/InfoListAccessible.h"
#include "widgets/ListConstants.h"

#include <QKeyEvent>
#include <QPainter>

#include <algorithm>

void CInfoListCtrl::keyPressEvent(QKeyEvent* event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    const bool opens = event->key() == Qt::Key_F2 || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const QModelIndex current = currentIndex();
    const int row = current.isValid() ? current.row() : GetSelectedItem();
    if (opens && mods == Qt::NoModifier && row >= 0 && !IsNoteEditorOpen()) {
        // The row comes into view as the keys that made it current would have brought it; the list is
        // not scrolled sideways to the Note cell, as a double-click does not scroll it either.
        if (current.isValid()) scrollTo(current);
        SelectItem(row);
        OpenNoteEditor(row, Qt::OtherFocusReason);
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

QModelIndex CInfoListCtrl::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    // Column 0 has no title and no width: a cell there would be empty to a screen reader.
    const QModelIndex index = QTreeWidget::moveCursor(cursorAction, modifiers);
    if (index.isValid() && index.column() == 0) return index.siblingAtColumn(kNoColumn);
    return index;
}

void CInfoListCtrl::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    if (current.isValid() && current.column() == 0) {
        selectionModel()->setCurrentIndex(current.siblingAtColumn(kNoColumn), QItemSelectionModel::NoUpdate);
        return;
    }
    // The tree view's own report numbers the cells with column 0 among them: the list reports in the
    // numbers of its screen-reader view instead, which leaves that column out.
    QAbstractItemView::currentChanged(current, previous);
    if (previous.isValid()) UpdateRowArea(previous.row());
    if (current.isValid()) UpdateRowArea(current.row());
    if (hasFocus()) CInfoListAccessible::ReportFocus(this, current);
}

void CInfoListCtrl::focusInEvent(QFocusEvent* event)
{
    QTreeWidget::focusInEvent(event);
    if (currentIndex().isValid()) UpdateRowArea(currentIndex().row());
}

void CInfoListCtrl::focusOutEvent(QFocusEvent* event)
{
    QTreeWidget::focusOutEvent(event);
    if (currentIndex().isValid()) UpdateRowArea(currentIndex().row());
}

void CInfoListCtrl::UpdateRowArea(int nRow)
{
    QRect bounds;
    if (GetItemRect(nRow, bounds, LVIR_BOUNDS)) viewport()->update(bounds.adjusted(0, -2, 0, 2));
}

void CInfoListCtrl::PaintFocusMark(QPainter& p) const
{
    QRect bounds;
    if (!hasFocus() || !currentIndex().isValid() || !GetItemRect(currentIndex().row(), bounds, LVIR_BOUNDS)) return;
    // The platform list's focus rectangle: one pixel, dotted, just inside the row, light on the black list.
    QPen dotted(kFocusMarkColour, 0, Qt::CustomDashLine);
    dotted.setDashPattern({1, 1});
    p.setPen(dotted);
    p.setBrush(Qt::NoBrush);
    const int right = std::min(bounds.right(), viewport()->width() - 1);
    p.drawRect(QRect(QPoint(bounds.left() + 1, bounds.top() + 1), QPoint(right - 1, bounds.bottom() - 2)));
}

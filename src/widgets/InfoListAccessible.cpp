#include "widgets/InfoListAccessible.h"

#include <QItemSelectionModel>

#include "widgets/InfoListCellAccessible.h"
#include "widgets/InfoListCtrl.h"

namespace {

QAccessibleInterface* InfoListFactory(const QString&, QObject* pObject)
{
    auto* pList = qobject_cast<CInfoListCtrl*>(pObject);
    return pList ? new CInfoListAccessible(pList) : nullptr;
}

} // namespace

CInfoListAccessible::CInfoListAccessible(CInfoListCtrl* pList) : QAccessibleWidget(pList, QAccessible::Tree) {}

CInfoListAccessible::~CInfoListAccessible()
{
    ForgetChildren();
}

void CInfoListAccessible::Install()
{
    static bool bInstalled = false;
    if (!bInstalled)
        QAccessible::installFactory(InfoListFactory);
    bInstalled = true;
}

int CInfoListAccessible::ChildNumber(const QModelIndex& index)
{
    if (!index.isValid() || index.column() < 1)
        return -1;
    return (index.row() + 1) * kShownColumns + index.column() - 1;
}

void CInfoListAccessible::ReportFocus(CInfoListCtrl* pList, const QModelIndex& index)
{
    const int nChild = ChildNumber(index);
    if (!QAccessible::isActive() || nChild < 0)
        return;
    QAccessibleEvent event(pList, QAccessible::Focus);
    event.setChild(nChild);
    QAccessible::updateAccessibility(&event);
}

void CInfoListAccessible::ReportSelection(CInfoListCtrl* pList, const QModelIndex& index, bool bSelected)
{
    const int nChild = ChildNumber(index);
    if (!QAccessible::isActive() || nChild < 0)
        return;
    QAccessibleEvent event(pList, bSelected ? QAccessible::SelectionAdd : QAccessible::SelectionRemove);
    event.setChild(nChild);
    QAccessible::updateAccessibility(&event);
}

CInfoListCtrl* CInfoListAccessible::List() const
{
    return static_cast<CInfoListCtrl*>(widget());
}

void* CInfoListAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TableInterface)
        return static_cast<QAccessibleTableInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

int CInfoListAccessible::rowCount() const
{
    return List()->topLevelItemCount();
}

int CInfoListAccessible::childCount() const
{
    return (rowCount() + 1) * kShownColumns;
}

QAccessibleInterface* CInfoListAccessible::child(int index) const
{
    if (index < 0 || index >= childCount())
        return nullptr;
    if (const auto found = m_children.constFind(index); found != m_children.constEnd())
        return QAccessible::accessibleInterface(found.value());
    auto* pCell = new CInfoListCellAccessible(List(), index / kShownColumns - 1, index % kShownColumns);
    m_children.insert(index, QAccessible::registerAccessibleInterface(pCell));
    return pCell;
}

int CInfoListAccessible::indexOfChild(const QAccessibleInterface* pChild) const
{
    if (!pChild || (pChild->role() != QAccessible::Cell && pChild->role() != QAccessible::ColumnHeader) ||
        pChild->parent() != this)
        return -1;
    const auto* pCell = static_cast<const CInfoListCellAccessible*>(pChild);
    return (pCell->Row() + 1) * kShownColumns + pCell->Column();
}

QAccessibleInterface* CInfoListAccessible::childAt(int x, int y) const
{
    const QPoint point = List()->viewport()->mapFromGlobal(QPoint(x, y));
    const int nChild = ChildNumber(List()->indexAt(point));
    return nChild < 0 ? nullptr : child(nChild);
}

QAccessibleInterface* CInfoListAccessible::cellAt(int row, int column) const
{
    if (row < 0 || row >= rowCount() || column < 0 || column >= kShownColumns)
        return nullptr;
    return child((row + 1) * kShownColumns + column);
}

QString CInfoListAccessible::columnDescription(int column) const
{
    return column >= 0 && column < kShownColumns ? List()->headerItem()->text(column + 1) : QString();
}

QList<int> CInfoListAccessible::selectedRows() const
{
    QList<int> rows;
    for (const QModelIndex& index : List()->selectionModel()->selectedRows(1))
        rows.append(index.row());
    return rows;
}

QList<QAccessibleInterface*> CInfoListAccessible::selectedCells() const
{
    QList<QAccessibleInterface*> cells;
    for (int row : selectedRows())
        for (int column = 0; column < kShownColumns; ++column)
            cells.append(cellAt(row, column));
    return cells;
}

bool CInfoListAccessible::isRowSelected(int row) const
{
    return row >= 0 && row < rowCount() && List()->selectionModel()->isRowSelected(row, QModelIndex());
}

bool CInfoListAccessible::selectRow(int row)
{
    if (row < 0 || row >= rowCount())
        return false;
    List()->SelectItem(row);
    return true;
}

void CInfoListAccessible::modelChange(QAccessibleTableModelChangeEvent* pEvent)
{
    // Rows come and go only as a whole; the cells of a changed value read it anew when asked.
    if (pEvent->modelChangeType() != QAccessibleTableModelChangeEvent::DataChanged)
        ForgetChildren();
}

void CInfoListAccessible::ForgetChildren() const
{
    for (QAccessible::Id id : std::as_const(m_children))
        QAccessible::deleteAccessibleInterface(id);
    m_children.clear();
}

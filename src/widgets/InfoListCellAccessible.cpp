#include "widgets/InfoListCellAccessible.h"

#include <QHeaderView>

#include "widgets/InfoListCtrl.h"

CInfoListCellAccessible::CInfoListCellAccessible(CInfoListCtrl* pList, int nRow, int nColumn)
    : m_pList(pList), m_nRow(nRow), m_nColumn(nColumn)
{
}

void* CInfoListCellAccessible::interface_cast(QAccessible::InterfaceType type)
{
    return type == QAccessible::TableCellInterface ? static_cast<QAccessibleTableCellInterface*>(this) : nullptr;
}

QModelIndex CInfoListCellAccessible::Index() const
{
    return m_pList && m_nRow >= 0 ? m_pList->model()->index(m_nRow, m_nColumn + 1) : QModelIndex();
}

bool CInfoListCellAccessible::isValid() const
{
    return m_pList && (m_nRow < 0 || Index().isValid());
}

QWindow* CInfoListCellAccessible::window() const
{
    return m_pList ? m_pList->window()->windowHandle() : nullptr;
}

QAccessibleInterface* CInfoListCellAccessible::parent() const
{
    return m_pList ? QAccessible::queryAccessibleInterface(m_pList.data()) : nullptr;
}

QString CInfoListCellAccessible::text(QAccessible::Text type) const
{
    if (!m_pList)
        return {};
    if (m_nRow < 0)
        return type == QAccessible::Name ? m_pList->headerItem()->text(m_nColumn + 1) : QString();
    switch (type) {
    case QAccessible::Name: return Index().data(Qt::DisplayRole).toString();
    case QAccessible::Description: return Index().data(Qt::AccessibleDescriptionRole).toString();
    default: return {};
    }
}

QRect CInfoListCellAccessible::rect() const
{
    if (!m_pList)
        return {};
    if (m_nRow < 0) {
        const QHeaderView* pHeader = m_pList->header();
        const int nSection = m_nColumn + 1;
        const QRect area(pHeader->sectionViewportPosition(nSection), 0, pHeader->sectionSize(nSection), pHeader->height());
        return QRect(pHeader->viewport()->mapToGlobal(area.topLeft()), area.size());
    }
    const QRect area = m_pList->visualRect(Index());
    return QRect(m_pList->viewport()->mapToGlobal(area.topLeft()), area.size());
}

QAccessible::Role CInfoListCellAccessible::role() const
{
    return m_nRow < 0 ? QAccessible::ColumnHeader : QAccessible::Cell;
}

QAccessible::State CInfoListCellAccessible::state() const
{
    QAccessible::State state;
    if (!m_pList || m_nRow < 0)
        return state;
    const QRect shown(m_pList->viewport()->mapToGlobal(QPoint(0, 0)), m_pList->viewport()->size());
    state.invisible = !shown.intersects(rect());
    state.selectable = true;
    state.focusable = true;
    state.selected = isSelected();
    state.focused = m_pList->hasFocus() && m_pList->currentIndex() == Index();
    return state;
}

bool CInfoListCellAccessible::isSelected() const
{
    return m_pList && m_nRow >= 0 && m_pList->selectionModel()->isSelected(Index());
}

QList<QAccessibleInterface*> CInfoListCellAccessible::columnHeaderCells() const
{
    const QAccessibleInterface* pTable = parent();
    QAccessibleInterface* pHeader = pTable ? pTable->child(m_nColumn) : nullptr;
    return pHeader && m_nRow >= 0 ? QList<QAccessibleInterface*>{pHeader} : QList<QAccessibleInterface*>{};
}

#pragma once
#include <QAccessibleInterface>
#include <QPointer>

class CInfoListCtrl;

// One cell of the information list as a screen reader finds it, or, in row -1, the title of a column.
// Columns count from "No." (0) to "Note" (4); the list's own column numbers are one higher. Made and
// kept by CInfoListAccessible. User-interface thread only.
class CInfoListCellAccessible : public QAccessibleInterface, public QAccessibleTableCellInterface
{
public:
    CInfoListCellAccessible(CInfoListCtrl* pList, int nRow, int nColumn);

    [[nodiscard]] int Row() const { return m_nRow; }
    [[nodiscard]] int Column() const { return m_nColumn; }

    void* interface_cast(QAccessible::InterfaceType type) override;
    [[nodiscard]] bool isValid() const override;
    [[nodiscard]] QObject* object() const override { return nullptr; }
    [[nodiscard]] QWindow* window() const override;
    [[nodiscard]] QAccessibleInterface* parent() const override;
    [[nodiscard]] QAccessibleInterface* child(int) const override { return nullptr; }
    [[nodiscard]] int childCount() const override { return 0; }
    [[nodiscard]] int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    [[nodiscard]] QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    [[nodiscard]] QString text(QAccessible::Text type) const override;
    void setText(QAccessible::Text, const QString&) override {}
    [[nodiscard]] QRect rect() const override;
    [[nodiscard]] QAccessible::Role role() const override;
    [[nodiscard]] QAccessible::State state() const override;

    [[nodiscard]] bool isSelected() const override;
    [[nodiscard]] QList<QAccessibleInterface*> columnHeaderCells() const override;
    [[nodiscard]] QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    [[nodiscard]] int columnIndex() const override { return m_nColumn; }
    [[nodiscard]] int rowIndex() const override { return m_nRow; }
    [[nodiscard]] int columnExtent() const override { return 1; }
    [[nodiscard]] int rowExtent() const override { return 1; }
    [[nodiscard]] QAccessibleInterface* table() const override { return parent(); }

private:
    [[nodiscard]] QModelIndex Index() const;

    QPointer<CInfoListCtrl> m_pList;
    int m_nRow;
    int m_nColumn;
};

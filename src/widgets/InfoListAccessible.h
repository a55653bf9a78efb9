#pragma once
#include <QAccessibleWidget>
#include <QHash>

class CInfoListCtrl;
class QModelIndex;

// What a screen reader finds of the information list (AT-SPI): a tree of the five visible columns,
// "No." to "Note", with a header row of their titles and one row of cells per entry. The list's
// column 0, which has no title and no width, is not shown to it. Children are numbered row by row,
// the header row first, five to a row; the list reports focus and selection in the same numbers
// (ReportFocus, ReportSelection). User-interface thread only.
class CInfoListAccessible : public QAccessibleWidget, public QAccessibleTableInterface
{
public:
    static constexpr int kShownColumns = 5;

    explicit CInfoListAccessible(CInfoListCtrl* pList);
    ~CInfoListAccessible() override;
    CInfoListAccessible(const CInfoListAccessible&) = delete;
    CInfoListAccessible& operator=(const CInfoListAccessible&) = delete;

    // Makes the accessibility bridge ask this class for every information list; once per process.
    static void Install();
    // The number of a cell among the children, -1 for column 0 or an invalid index.
    [[nodiscard]] static int ChildNumber(const QModelIndex& index);
    // Tell a screen reader that the cell at index has the focus, or was selected.
    static void ReportFocus(CInfoListCtrl* pList, const QModelIndex& index);
    static void ReportSelection(CInfoListCtrl* pList, const QModelIndex& index, bool bSelected);

    void* interface_cast(QAccessible::InterfaceType type) override;
    [[nodiscard]] int childCount() const override;
    [[nodiscard]] QAccessibleInterface* child(int index) const override;
    [[nodiscard]] int indexOfChild(const QAccessibleInterface* pChild) const override;
    [[nodiscard]] QAccessibleInterface* childAt(int x, int y) const override;

    [[nodiscard]] QAccessibleInterface* caption() const override { return nullptr; }
    [[nodiscard]] QAccessibleInterface* summary() const override { return nullptr; }
    [[nodiscard]] QAccessibleInterface* cellAt(int row, int column) const override;
    [[nodiscard]] QString columnDescription(int column) const override;
    [[nodiscard]] QString rowDescription(int) const override { return {}; }
    [[nodiscard]] int columnCount() const override { return kShownColumns; }
    [[nodiscard]] int rowCount() const override;
    [[nodiscard]] int selectedCellCount() const override { return selectedCells().size(); }
    [[nodiscard]] int selectedColumnCount() const override { return 0; }
    [[nodiscard]] int selectedRowCount() const override { return selectedRows().size(); }
    [[nodiscard]] QList<QAccessibleInterface*> selectedCells() const override;
    [[nodiscard]] QList<int> selectedColumns() const override { return {}; }
    [[nodiscard]] QList<int> selectedRows() const override;
    [[nodiscard]] bool isColumnSelected(int) const override { return false; }
    [[nodiscard]] bool isRowSelected(int row) const override;
    bool selectRow(int row) override;
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent* pEvent) override;

private:
    [[nodiscard]] CInfoListCtrl* List() const;
    void ForgetChildren() const;

    mutable QHash<int, QAccessible::Id> m_children; // child number -> registered interface
};

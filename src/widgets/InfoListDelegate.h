#pragma once
#include <QStyledItemDelegate>

class CInfoListCtrl;

// Paints one cell of the information list: the colours its owner chose through custom draw, the
// cell's image at its left and its text, cut with an ellipsis when it does not fit.
class CInfoListDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit CInfoListDelegate(CInfoListCtrl* list);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    [[nodiscard]] QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // Gap between a cell's left edge and its image, and between a cell's edges and its text.
    static constexpr int kImageInset = 2;
    static constexpr int kTextPadding = 6;

private:
    CInfoListCtrl* m_list;
};

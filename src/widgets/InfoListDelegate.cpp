#include "widgets/InfoListDelegate.h"

#include "widgets/InfoListCtrl.h"
#include "widgets/ListConstants.h"
#include "widgets/TarnHeaderCtrl.h"

#include <QFontMetrics>
#include <QPainter>

CInfoListDelegate::CInfoListDelegate(CInfoListCtrl* list) : QStyledItemDelegate(list), m_list(list) {}

void CInfoListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const int row = index.row();
    const int col = index.column();
    const ListCustomDraw cd = m_list->CustomDraw(row, col, option.state & QStyle::State_Selected);
    const QPalette& palette = m_list->palette();
    const QColor back = cd.bPlatformHighlight ? palette.color(QPalette::Highlight) : cd.clrTextBk;
    const QColor text = cd.bPlatformHighlight ? palette.color(QPalette::HighlightedText) : cd.clrText;
    const QRect cell = option.rect;
    painter->fillRect(cell, back);

    int textLeft = cell.left() + kTextPadding;
    const int image = m_list->GetItemImage(row, col);
    if (const QPixmap* pm = m_list->GetImage(image)) {
        const int x = cell.left() + kImageInset;
        const int y = cell.top() + (cell.height() - pm->height()) / 2;
        const int w = std::min(pm->width(), cell.left() + cell.width() - x);
        if (w > 0) painter->drawPixmap(x, y, *pm, 0, 0, w, pm->height());
        textLeft = x + pm->width() + kTextPadding;
    }

    const QString value = index.data(Qt::DisplayRole).toString();
    const int textRight = cell.left() + cell.width() - kTextPadding;
    if (value.isEmpty() || textRight <= textLeft) return;
    const bool left = (m_list->Header().GetItemFormat(col) & HDF_JUSTIFYMASK) == HDF_LEFT;
    const QFontMetrics metrics(option.font);
    painter->setFont(option.font);
    painter->setPen(text);
    painter->drawText(QRect(textLeft, cell.top(), textRight - textLeft, cell.height()),
                      Qt::AlignVCenter | Qt::TextSingleLine | (left ? Qt::AlignLeft : Qt::AlignRight),
                      metrics.elidedText(value, Qt::ElideRight, textRight - textLeft));
}

QSize CInfoListDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    int width = 2 * kTextPadding + QFontMetrics(option.font).horizontalAdvance(index.data(Qt::DisplayRole).toString());
    if (const QPixmap* pm = m_list->GetImage(m_list->GetItemImage(index.row(), index.column())))
        width += kImageInset + pm->width();
    return {width, m_list->RowHeight()};
}

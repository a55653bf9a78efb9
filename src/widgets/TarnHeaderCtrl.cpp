#include "widgets/TarnHeaderCtrl.h"

#include "widgets/Bitmaps.h"
#include "widgets/CellFont.h"
#include "widgets/ListConstants.h"
#include "widgets/MemDC.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>

#include <algorithm>

CTarnHeaderCtrl::CTarnHeaderCtrl(QWidget* parent)
    : QHeaderView(Qt::Horizontal, parent),
      m_bmpBack(LoadBitmap(IDB_HEADER_BACK)),
      m_bmpSorted(LoadBitmap(IDB_HEADER_SORTED)),
      m_bmpPressed(LoadBitmap(IDB_HEADER_PRESSED)),
      m_bmpDivider(LoadBitmap(IDB_HEADER_DIVIDER)),
      m_bmpSortUp(LoadBitmap(IDB_SORT_UP, QColor(255, 0, 255))),
      m_bmpSortDown(LoadBitmap(IDB_SORT_DOWN, QColor(255, 0, 255)))
{
    setSectionsClickable(true);
    setSectionsMovable(false);
    setStretchLastSection(false);
    setMinimumSectionSize(0);
    setHighlightSections(false);
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
}

int CTarnHeaderCtrl::GetItemFormat(int item) const
{
    return model() ? model()->headerData(item, Qt::Horizontal, kFormatRole).toInt() : 0;
}

void CTarnHeaderCtrl::SetItemFormat(int item, int format)
{
    if (model()) model()->setHeaderData(item, Qt::Horizontal, format, kFormatRole);
    viewport()->update();
}

QSize CTarnHeaderCtrl::sizeHint() const
{
    QSize hint = QHeaderView::sizeHint();
    hint.setHeight(kBarHeight);
    return hint;
}

bool CTarnHeaderCtrl::IsArrowCursor() const
{
    return !testAttribute(Qt::WA_SetCursor) || cursor().shape() == Qt::ArrowCursor;
}

void CTarnHeaderCtrl::paintEvent(QPaintEvent*)
{
    QPainter screen(viewport());
    const QRect client = viewport()->rect();
    CMemDC dc(&screen, client.adjusted(-1, 0, 0, 0));
    QPainter& p = dc.Painter();
    p.drawPixmap(QRect(-1, 0, client.right() + 2, kBarHeight), m_bmpBack);
    const bool arrow = IsArrowCursor();
    for (int i = 0; i < count(); ++i) PaintItem(p, i, arrow);
}

void CTarnHeaderCtrl::PaintItem(QPainter& p, int i, bool arrowCursor) const
{
    const int format = GetItemFormat(i);
    const bool left = (format & HDF_JUSTIFYMASK) == HDF_LEFT;
    const int rLeft = sectionViewportPosition(i);
    const int rRight = rLeft + sectionSize(i);
    const int rTop = 0;
    const int rBottom = viewport()->height();
    const int width = rRight - rLeft;

    if (m_bPressed && i == m_nPressedColumn && arrowCursor) {
        p.drawPixmap(QRect(rLeft, 0, width, kBarHeight), m_bmpPressed);
    } else if (i == m_nSortColumn) {
        p.drawPixmap(QRect(rLeft, 0, width, kBarHeight), m_bmpSorted);
    }
    p.drawPixmap(rRight - 1, rTop, m_bmpDivider);

    const QFont font = CreateTitleFont();
    const QFontMetrics metrics(font);
    const QString title = model() ? model()->headerData(i, Qt::Horizontal, Qt::DisplayRole).toString().left(255)
                                  : QString();

    int tLeft = left ? rLeft + 6 : rLeft + 2;
    int tRight = left ? rRight - 2 : rRight - 6;
    const int tTop = rTop + 2;
    const int tBottom = rBottom - 2;
    const bool sorted = i == m_nSortColumn;
    if (sorted) {
        if (left) {
            const int w = metrics.horizontalAdvance(title);
            if (w + 17 > tRight - tLeft)
                tRight = std::max(tRight - 17, 0);
            else
                tRight = tLeft + w;
        } else {
            tRight = std::max(tRight - 17, 0);
        }
    }

    if (tRight > tLeft && tBottom > tTop && !title.isEmpty()) {
        p.setFont(font);
        p.setPen(Qt::white);
        const QString shown = metrics.elidedText(title, Qt::ElideRight, tRight - tLeft);
        p.drawText(QRect(tLeft, tTop, tRight - tLeft, tBottom - tTop),
                   Qt::AlignVCenter | Qt::TextSingleLine | (left ? Qt::AlignLeft : Qt::AlignRight), shown);
    }

    if (sorted) {
        const QPixmap& triangle = (format & HDF_SORTDOWN) ? m_bmpSortDown : m_bmpSortUp;
        const int aLeft = rLeft + 6;
        const int aRight = rRight - 2;
        const int y = ((rBottom - rTop) - 5) / 2;
        if (left) {
            const int x = aLeft + (tRight - tLeft) + 8;
            const int drawn = std::min(9, aRight - aLeft);
            if (drawn > 0) p.drawPixmap(x, y, triangle, 0, 0, drawn, 5);
        } else {
            p.drawPixmap(aRight - 11, y, triangle, 0, 0, 9, 5);
        }
    }
}

int CTarnHeaderCtrl::DividerAt(int x) const
{
    const int visual = visualIndexAt(x);
    if (visual < 0) return -1;
    const int item = logicalIndex(visual);
    const int start = sectionViewportPosition(item);
    const int grip = style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, this);
    if (x < start + grip) {
        for (int v = visual - 1; v >= 0; --v) {
            if (!isSectionHidden(logicalIndex(v))) return logicalIndex(v);
        }
        return -1;
    }
    if (x > start + sectionSize(item) - grip) return item;
    return -1;
}

void CTarnHeaderCtrl::mousePressEvent(QMouseEvent* event)
{
    const int x = event->position().toPoint().x();
    if (event->button() == Qt::LeftButton) {
        m_bPressed = true;
        int sum = 0;
        for (int i = 0; i < count(); ++i) {
            sum += sectionSize(i);
            if (static_cast<std::int16_t>(x + offset()) < static_cast<std::int16_t>(sum)) {
                m_nPressedColumn = static_cast<std::int16_t>(i);
                break;
            }
        }
        viewport()->update();
        const int divider = DividerAt(x);
        if (divider >= 0) {
            if (m_trackFilter && m_trackFilter(Track::Begin, divider, x)) {
                event->accept();
                return;
            }
            m_nTrackItem = divider;
        }
    }
    QHeaderView::mousePressEvent(event);
}

void CTarnHeaderCtrl::mouseMoveEvent(QMouseEvent* event)
{
    if (m_nTrackItem >= 0 && (event->buttons() & Qt::LeftButton) && m_trackFilter &&
        m_trackFilter(Track::Move, m_nTrackItem, event->position().toPoint().x())) {
        event->accept();
        return;
    }
    QHeaderView::mouseMoveEvent(event);
}

void CTarnHeaderCtrl::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        if (m_nTrackItem >= 0) {
            if (m_trackFilter) (void)m_trackFilter(Track::End, m_nTrackItem, event->position().toPoint().x());
            m_nTrackItem = -1;
        }
        m_bPressed = false;
        m_nPressedColumn = -1;
        viewport()->update();
    }
    QHeaderView::mouseReleaseEvent(event);
}

void CTarnHeaderCtrl::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || IsArrowCursor()) {
        QHeaderView::mouseDoubleClickEvent(event);
        return;
    }
    if (count() == 0) return;
    const int x = event->position().toPoint().x() + offset();
    int found = -1;
    int sum = 0;
    for (int i = 0; i < count(); ++i) {
        sum += sectionSize(i);
        const auto e = static_cast<std::int16_t>(sum);
        if (e - 7 <= x && x <= e + 7) {
            found = i;
            break;
        }
    }
    if (found <= 0) return;
    if (found < static_cast<int>(m_bFitsDefault.size()) && m_bFitsDefault[static_cast<size_t>(found)]) {
        resizeSection(found, kDefaultColumnWidths[static_cast<size_t>(found)]);
        return;
    }
    QHeaderView::mouseDoubleClickEvent(event);
}

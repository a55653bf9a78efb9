#include "widgets/InfoListCtrl.h"

#include "widgets/CellFont.h"
#include "widgets/InfoListAccessible.h"
#include "widgets/DragImageWindow.h"
#include "widgets/InfoListDelegate.h"
#include "widgets/ListConstants.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QScrollBar>

#include <algorithm>

namespace {

// Where each row keeps its item data and each cell its image index.
constexpr int kItemDataRole = Qt::UserRole + 0x41;
constexpr int kImageRole = Qt::UserRole + 0x42;

}  // namespace

CInfoListCtrl::CInfoListCtrl(QWidget* parent)
    : QTreeWidget(parent),
      m_font(CreateListOwnFont()),
      m_header(new CTarnHeaderCtrl(this)),
      m_penRowLine(kRowLineColour, 0),
      m_penColumnLine(kColumnLineColour, 0),
      m_brSelMark(kSelectionColour),
      m_penSelMark(kSelectionColour, 0)
{
    // A screen reader gets the list's own view of it (five columns), also for what the list reports
    // while it is built; one made before this point is the tree view's own and is dropped.
    CInfoListAccessible::Install();
    if (QAccessibleInterface* pEarly = QAccessible::queryAccessibleInterface(this);
        pEarly && !dynamic_cast<CInfoListAccessible*>(pEarly))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(pEarly));
    setHeader(m_header);
    m_header->SetTrackFilter(
        [this](CTarnHeaderCtrl::Track track, int item, int x) { return OnHeaderTrack(track, item, x); });
    setItemDelegate(new CInfoListDelegate(this));
    setColumnCount(0);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setFrameShape(QFrame::NoFrame);
    setIndentation(0);
    setSortingEnabled(false);
    // English in both languages, as the column titles around it are.
    setAccessibleName(QStringLiteral("Data entries"));

    // Scroll bars in the dark of the list rather than the desktop's light grey.
    QPalette bars = palette();
    bars.setColor(QPalette::Window, QColor(34, 34, 36));
    bars.setColor(QPalette::Button, QColor(72, 74, 80));
    bars.setColor(QPalette::Light, QColor(96, 98, 104));
    bars.setColor(QPalette::Midlight, QColor(84, 86, 92));
    bars.setColor(QPalette::Mid, QColor(52, 53, 58));
    bars.setColor(QPalette::Dark, QColor(20, 20, 22));
    bars.setColor(QPalette::Shadow, QColor(0, 0, 0));
    horizontalScrollBar()->setPalette(bars);
    verticalScrollBar()->setPalette(bars);
}

CInfoListCtrl::~CInfoListCtrl() = default;

int CInfoListCtrl::GetColumnTextWidth(std::uint16_t nColumn) const
{
    const QFontMetrics metrics(font());
    int widest = 0;
    for (int row = 0; row < topLevelItemCount(); ++row)
        widest = std::max(widest, metrics.horizontalAdvance(topLevelItem(row)->text(nColumn)));
    return widest;
}

ResultCode CInfoListCtrl::SetCurrentDataMark(std::int16_t nRow)
{
    const int selected = GetSelectedItem();
    // The marker is a picture; assistive technology reads the row as the console's current data.
    // English in both languages, as "Current Data :" under the list is.
    const QString current = QStringLiteral("current data");
    for (int i = 0; i < GetItemCount(); ++i) {
        SetItemImage(i, kNoColumn, i == nRow ? (selected == nRow ? 1 : 0) : -1);
        QTreeWidgetItem* item = topLevelItem(i);
        const QVariant description = i == nRow ? QVariant(current) : QVariant();
        for (int c = 1; c < columnCount(); ++c)
            if (item->data(c, Qt::AccessibleDescriptionRole) != description)
                item->setData(c, Qt::AccessibleDescriptionRole, description);
    }
    return RC_OK;
}

ResultCode CInfoListCtrl::FindCurrentDataMark(std::int16_t& nRow) const
{
    nRow = -1;
    for (int i = 0; i < GetItemCount(); ++i) {
        if (GetItemImage(i, kNoColumn) != -1) {
            nRow = static_cast<std::int16_t>(i);
            break;
        }
    }
    return RC_OK;
}

int CInfoListCtrl::InsertColumn(int nCol, const QString& title, int nFormat, int nWidth)
{
    // Columns are only ever added after the last one; any other index appends as well.
    (void)nCol;
    const int col = columnCount();
    setColumnCount(col + 1);
    headerItem()->setText(col, title);
    headerItem()->setData(col, CTarnHeaderCtrl::kFormatRole, nFormat);
    m_header->resizeSection(col, nWidth);
    m_header->setSectionResizeMode(0, QHeaderView::Fixed);
    return col;
}

int CInfoListCtrl::InsertItem(int nRow, const QString& text, int nImage, qintptr data)
{
    nRow = std::clamp(nRow, 0, GetItemCount());
    auto* item = new QTreeWidgetItem();
    item->setText(0, text);
    item->setData(0, kItemDataRole, QVariant::fromValue<qlonglong>(data));
    item->setData(0, kImageRole, nImage);
    insertTopLevelItem(nRow, item);
    return nRow;
}

bool CInfoListCtrl::SetItemText(int nRow, int nSubItem, const QString& text)
{
    QTreeWidgetItem* item = topLevelItem(nRow);
    if (!item || nSubItem < 0 || nSubItem >= columnCount()) return false;
    item->setText(nSubItem, text);
    return true;
}

QString CInfoListCtrl::GetItemText(int nRow, int nSubItem) const
{
    const QTreeWidgetItem* item = topLevelItem(nRow);
    return item ? item->text(nSubItem) : QString();
}

bool CInfoListCtrl::SetItemData(int nRow, qintptr data)
{
    QTreeWidgetItem* item = topLevelItem(nRow);
    if (!item) return false;
    item->setData(0, kItemDataRole, QVariant::fromValue<qlonglong>(data));
    return true;
}

qintptr CInfoListCtrl::GetItemData(int nRow) const
{
    const QTreeWidgetItem* item = topLevelItem(nRow);
    return item ? static_cast<qintptr>(item->data(0, kItemDataRole).toLongLong()) : 0;
}

bool CInfoListCtrl::SetItemImage(int nRow, int nSubItem, int nImage)
{
    QTreeWidgetItem* item = topLevelItem(nRow);
    if (!item || nSubItem < 0 || nSubItem >= columnCount()) return false;
    if (GetItemImage(nRow, nSubItem) != nImage) item->setData(nSubItem, kImageRole, nImage);
    return true;
}

int CInfoListCtrl::GetItemImage(int nRow, int nSubItem) const
{
    const QTreeWidgetItem* item = topLevelItem(nRow);
    if (!item) return -1;
    const QVariant v = item->data(nSubItem, kImageRole);
    return v.isValid() ? v.toInt() : -1;
}

int CInfoListCtrl::GetSelectedItem() const
{
    const QList<QTreeWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? -1 : indexOfTopLevelItem(selected.first());
}

void CInfoListCtrl::SelectItem(int nRow)
{
    QTreeWidgetItem* item = topLevelItem(nRow);
    if (!item) {
        clearSelection();
        return;
    }
    // Selecting a row does not scroll the list; only the user's own navigation does.
    const bool autoScrolls = hasAutoScroll();
    setAutoScroll(false);
    setCurrentItem(item, columnCount() > kNoColumn ? kNoColumn : 0,
                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    setAutoScroll(autoScrolls);
}

int CInfoListCtrl::HitTest(QPoint point) const
{
    const QModelIndex index = indexAt(point);
    return index.isValid() ? index.row() : -1;
}

int CInfoListCtrl::GetColumnWidth(int nCol) const { return m_header->sectionSize(nCol); }

void CInfoListCtrl::SetColumnWidth(int nCol, int nWidth) { m_header->resizeSection(nCol, nWidth); }

void CInfoListCtrl::SortItems(const std::function<int(qintptr, qintptr)>& compare)
{
    const int count = GetItemCount();
    std::vector<int> order(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) order[static_cast<size_t>(i)] = i;
    std::vector<qintptr> data(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) data[static_cast<size_t>(i)] = GetItemData(i);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return compare(data[static_cast<size_t>(a)], data[static_cast<size_t>(b)]) < 0;
    });

    QTreeWidgetItem* selected = topLevelItem(GetSelectedItem());
    QList<QTreeWidgetItem*> rows = invisibleRootItem()->takeChildren();
    QList<QTreeWidgetItem*> sorted;
    sorted.reserve(count);
    for (int i : order) sorted.append(rows[i]);
    addTopLevelItems(sorted);
    if (selected) SelectItem(indexOfTopLevelItem(selected));
}

void CInfoListCtrl::SetImageList(std::vector<QPixmap> images)
{
    m_images = std::move(images);
    scheduleDelayedItemsLayout();
}

const QPixmap* CInfoListCtrl::GetImage(int nImage) const
{
    if (nImage < 0 || nImage >= static_cast<int>(m_images.size())) return nullptr;
    return &m_images[static_cast<size_t>(nImage)];
}

void CInfoListCtrl::SetBkColor(QColor colour)
{
    m_clrBk = colour;
    QPalette pal = palette();
    pal.setColor(QPalette::Base, colour);
    setPalette(pal);
    viewport()->update();
}

ListCustomDraw CInfoListCtrl::CustomDraw(int nItem, int nSubItem, bool bSelected) const
{
    ListCustomDraw cd;
    cd.nItem = nItem;
    cd.nSubItem = nSubItem;
    cd.bSelected = bSelected;
    cd.bPlatformHighlight = bSelected;
    cd.clrText = m_clrText;
    cd.clrTextBk = m_clrTextBk;
    if (m_customDraw) m_customDraw(cd);
    return cd;
}

int CInfoListCtrl::RowHeight() const
{
    int height = QFontMetrics(font()).height() + 4;
    for (const QPixmap& image : m_images) height = std::max(height, image.height());
    return height;
}

void CInfoListCtrl::mousePressEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    m_ptPointer = point;
    if (event->button() == Qt::LeftButton) {
        m_ptLastDown = point;
        const int previous = GetSelectedItem();
        QTreeWidget::mousePressEvent(event);
        m_nCurItem = GetSelectedItem();
        if (m_nCurItem < 0) {
            SelectItem(previous);
            m_nCurItem = previous;
        }
        return;
    }
    if (event->button() == Qt::RightButton) {
        const int hit = HitTest(point);
        if (hit < 0) {
            SelectItem(m_nCurItem);
            event->accept();
            return;
        }
        QTreeWidget::mousePressEvent(event);
        m_nCurItem = hit;
        return;
    }
    QTreeWidget::mousePressEvent(event);
}

void CInfoListCtrl::mouseReleaseEvent(QMouseEvent* event)
{
    m_ptPointer = event->position().toPoint();
    if (m_bDragging && event->button() == Qt::LeftButton) {
        // The row drag held the mouse: its release selects nothing where it happens, it drops.
        setState(NoState);
        OnDragDrop(m_ptPointer);
        return;
    }
    // The platform list clears the selection when a press on empty space is released; the row
    // selected before stays selected, as after the press itself.
    const int previous = GetSelectedItem();
    QTreeWidget::mouseReleaseEvent(event);
    if (GetSelectedItem() >= 0) return;
    if (event->button() == Qt::LeftButton && previous >= 0)
        SelectItem(previous);
    else if (event->button() == Qt::RightButton)
        SelectItem(m_nCurItem);
}

void CInfoListCtrl::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected)
{
    // Reported in the numbers of the list's screen-reader view, as the current cell is.
    QAbstractItemView::selectionChanged(selected, deselected);
    if (!selected.isEmpty())
        CInfoListAccessible::ReportSelection(this, selected.indexes().value(0).siblingAtColumn(kNoColumn), true);
    if (!deselected.isEmpty())
        CInfoListAccessible::ReportSelection(this, deselected.indexes().value(0).siblingAtColumn(kNoColumn), false);
    for (const QItemSelection* rows : {&selected, &deselected})
        for (const QModelIndex& index : rows->indexes())
            if (index.column() == kNoColumn) UpdateRowArea(index.row());
    if (selected.isEmpty()) return;
    const int now = GetSelectedItem();
    if (now < 0) return;
    m_nCurItem = now;
    std::int16_t marked = -1;
    (void)FindCurrentDataMark(marked);
    if (marked >= 0) SetItemImage(marked, kNoColumn, marked == now ? 1 : 0);
}

bool CInfoListCtrl::OnHeaderTrack(CTarnHeaderCtrl::Track track, int item, int x)
{
    if (track != CTarnHeaderCtrl::Track::Move) {
        if (item == 0) return true;
        m_bTracking = track == CTarnHeaderCtrl::Track::Begin;
        if (track == CTarnHeaderCtrl::Track::Begin) m_nTrackLeft = x - GetColumnWidth(kNoColumn);
    }
    if (item == kNoColumn) {
        if (!m_bTracking && track != CTarnHeaderCtrl::Track::End) return false;
        if (x - m_nTrackLeft < kMinNoColumnWidth) return true;
    }
    return false;
}

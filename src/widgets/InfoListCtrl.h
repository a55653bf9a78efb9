#pragma once
#include "platform/ResultCode.h"
#include "view/InPlaceEdit.h"
#include "widgets/DragAbortWatch.h"
#include "widgets/TarnHeaderCtrl.h"

#include <QFont>
#include <QPen>
#include <QPixmap>
#include <QTreeWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CApplicationLink;
class CDragImageWindow;

// What the list asks its owner before it paints one cell: the owner may change the colours and clear
// bPlatformHighlight to colour a selected row itself instead of the platform's highlight.
struct ListCustomDraw {
    int nItem = 0;                    // row
    int nSubItem = 0;                 // column
    bool bSelected = false;           // the row has the selected state
    bool bPlatformHighlight = false;  // starts as bSelected
    QColor clrText;
    QColor clrTextBk;
};
// Called on the user-interface thread while the list paints.
using CustomDrawHandler = std::function<void(ListCustomDraw&)>;

// The report list of the main view: one row per data entry, six columns (an invisible column 0 of
// width 0, then "No.", "Name", "Author", "Description", "Note"). The owner inserts columns and rows,
// supplies the cell colours and sorts; the list paints its grid and selection marks over the rows,
// shows the console's current entry with a marker image in the "No." column, keeps one row selected
// once a row has been selected, and limits divider dragging of its header.
//
// It also hosts the in-cell note editor: a double-click on a Note cell, or F2 or Enter on a row, opens it
// over the row's Note cell, it follows
// the list's scrolling, and it ends on commit (Enter, loss of focus) or Escape. The list tells its
// parent window (the view) with the posted messages WM_NOTE_BEGIN, WM_NOTE_COMMIT and WM_NOTE_CANCEL,
// and passes the editor's WM_NOTE_MARK and WM_NOTE_MODIFIED on to it.
//
// Coordinates ("client coordinates") are those of the list's viewport, the area below the header.
class CInfoListCtrl : public QTreeWidget {
    Q_OBJECT
public:
    explicit CInfoListCtrl(QWidget* parent = nullptr);
    ~CInfoListCtrl() override;

    // Once, after the columns and rows exist: prepares the note editor and works out which columns'
    // contents fit their default widths.
    ResultCode InitNoteEditor();
    // Marks row nRow (-1: none) as the console's current data.
    ResultCode SetCurrentDataMark(std::int16_t nRow);
    ResultCode FindCurrentDataMark(std::int16_t& nRow) const;
    // The widest text of a column in the list's font, 0 without rows.
    [[nodiscard]] int GetColumnTextWidth(std::uint16_t nColumn) const;

    // The open note editor's text, its text before the key that began the current group of edits, and
    // replacing its text (which makes the editor report its next change again). Texts are whole, never
    // cut. RC_NOTE_EDITOR_CLOSED, with the output left alone, when the editor is not open.
    ResultCode GetNoteEditText(std::string& text) const;
    ResultCode SetNoteEditText(std::string_view text);
    ResultCode GetNoteEditSnapshot(std::string& text) const;
    // Ends an open edit without telling the view: the text goes into the edited row's Note cell and is
    // handed out with the row's entry key. Nothing happens (outputs left alone) when no edit is open.
    ResultCode CommitNoteEdit(std::uint16_t& nEntry, std::string& note);
    // Puts the open editor back over its cell after the list scrolled.
    ResultCode MoveNoteEditor();
    // The entry key a row's "No." cell shows: its leading decimal digits, cut to 16 bits.
    [[nodiscard]] std::uint16_t GetEntryKey(int nRow) const;
    [[nodiscard]] bool IsNoteEditorOpen() const { return !m_edit.isHidden(); }
    [[nodiscard]] CInPlaceEdit& NoteEditor() { return m_edit; }
    [[nodiscard]] const CInPlaceEdit& NoteEditor() const { return m_edit; }

    // Report-list operations. Rows and columns are indices; texts are what the cells show.
    // Appends a column; returns its index.
    int InsertColumn(int nCol, const QString& title, int nFormat, int nWidth);
    int InsertItem(int nRow, const QString& text, int nImage, qintptr data);
    bool SetItemText(int nRow, int nSubItem, const QString& text);
    [[nodiscard]] QString GetItemText(int nRow, int nSubItem) const;
    bool SetItemData(int nRow, qintptr data);
    [[nodiscard]] qintptr GetItemData(int nRow) const;
    bool SetItemImage(int nRow, int nSubItem, int nImage);
    [[nodiscard]] int GetItemImage(int nRow, int nSubItem) const;  // -1 when none
    [[nodiscard]] int GetItemCount() const { return topLevelItemCount(); }
    [[nodiscard]] int GetSelectedItem() const;  // -1 when none
    void SelectItem(int nRow);                   // selects and focuses the row without scrolling; -1 clears
    [[nodiscard]] int HitTest(QPoint point) const;
    bool GetItemRect(int nRow, QRect& rect, int nCode) const;
    bool GetSubItemRect(int nRow, int nSubItem, int nCode, QRect& rect) const;
    [[nodiscard]] int GetColumnWidth(int nCol) const;
    void SetColumnWidth(int nCol, int nWidth);
    // Reorders all rows by `compare` over their item data (negative: first before second). The rows
    // stay where they are while compare runs, so it may read them by position; the selected row stays
    // selected.
    void SortItems(const std::function<int(qintptr, qintptr)>& compare);
    void SetImageList(std::vector<QPixmap> images);
    [[nodiscard]] const QPixmap* GetImage(int nImage) const;
    void SetBkColor(QColor colour);
    void SetTextColor(QColor colour) { m_clrText = colour; viewport()->update(); }
    void SetTextBkColor(QColor colour) { m_clrTextBk = colour; viewport()->update(); }
    void SetCustomDrawHandler(CustomDrawHandler handler) { m_customDraw = std::move(handler); }

    [[nodiscard]] CTarnHeaderCtrl& Header() { return *m_header; }
    // The colours one cell is painted in, after the owner's custom draw.
    [[nodiscard]] ListCustomDraw CustomDraw(int nItem, int nSubItem, bool bSelected) const;
    [[nodiscard]] int RowHeight() const;
    [[nodiscard]] const QFont& OwnFont() const { return m_font; }

    QRect m_rcUpdateTarget;  // the Update button, in the view's client coordinates; written by the view

    // Row drag onto the Update button. The view (the list's parent window) is the drop's view: the
    // pointer is mapped to its coordinates and a confirmed drop posts WM_DROP_UPDATE to it.
    // The application asked about the connection (not owned; null: never connected).
    void SetApplicationLink(CApplicationLink* pApp) { m_pApp = pApp; }
    // The selected row as the drag shows it, with the pointer's offset from the row's top-left corner in
    // *pHotspot; null when there is no selected row or no picture can be made.
    [[nodiscard]] std::unique_ptr<QPixmap> CreateRowDragImage(QPoint* pHotspot) const;
    // Starts the row drag at the pointer's position; without a picture shows "ImageError" and returns
    // false.
    bool OnBeginDrag();
    [[nodiscard]] bool IsDragging() const { return m_bDragging; }
    // The window that carries the drag picture while a drag runs, null otherwise.
    [[nodiscard]] const CDragImageWindow* DragWindow() const { return m_bDragging ? m_pDragWindow.get() : nullptr; }

signals:
    // The application reconnected after a configuration change during the drop's question; the view
    // brings its Update button in line.
    void reconnected();

protected:
    void paintEvent(QPaintEvent* event) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;

private:
    void PaintOverlays(QPainter& p) const;
    // The dotted focus rectangle around the current row while the list has the keyboard focus.
    void PaintFocusMark(QPainter& p) const;
    // Repaints row nRow with a pixel's margin above and below: its selection outline and the grid line
    // over its top edge can reach the next device pixel up at fractional scale factors.
    void UpdateRowArea(int nRow);
    bool OnHeaderTrack(CTarnHeaderCtrl::Track track, int item, int x);
    [[nodiscard]] QRect SubItemBounds(int nRow, int nSubItem) const;
    void OnDragMove(QPoint point);
    void OnDragDrop(QPoint point);
    // Ends a drag without a drop: nothing is asked or posted.
    void CancelDrag();
    // Leaves the dragging state: the picture is hidden and freed, the cursor given back.
    void EndDrag();
    // Whether the list-client point lies on the Update button while the console is connected.
    [[nodiscard]] bool IsOverUpdateTarget(QPoint point) const;
    // Note editing (InfoListCtrlNoteEdit.cpp).
    void OnDblClk();
    // Opens the editor over row nRow's Note cell and gives it the keyboard focus for `reason`.
    void OpenNoteEditor(int nRow, Qt::FocusReason reason);
    void OnNoteCommit(int nRow);
    void OnEscape();
    // Hides the editor, handing the keyboard focus back to the list when the editor had it.
    void HideNoteEditor();
    void PostToView(int nMessage, std::uintptr_t wParam = 0) const;
    // WM_NOTE_BEGIN or WM_NOTE_COMMIT to the view, carrying row nRow's entry key and the editor's state.
    void PostNoteMessageToView(int nMessage, int nRow, std::uint16_t nEntry, std::string text,
                               std::uint32_t nSelection) const;

    QFont m_font;
    CInPlaceEdit m_edit;
    QPoint m_ptLastDown;
    int m_nCurItem = 0;
    bool m_bDragging = false;
    CTarnHeaderCtrl* m_header;  // owned by the list as its child window
    QPen m_penRowLine;
    QPen m_penColumnLine;
    QBrush m_brSelMark;
    QPen m_penSelMark;
    bool m_bTracking = false;
    int m_nTrackLeft = 0;

    std::vector<QPixmap> m_images;
    QColor m_clrBk{Qt::white};
    QColor m_clrText{Qt::black};
    QColor m_clrTextBk{Qt::white};
    CustomDrawHandler m_customDraw;

    std::unique_ptr<QPixmap> m_pDragImage;            // exists exactly while a row drag runs
    std::unique_ptr<CDragImageWindow> m_pDragWindow;  // created with the first drag
    CDragAbortWatch m_dragAbortWatch{[this] { CancelDrag(); }};
    CApplicationLink* m_pApp = nullptr;
    QPoint m_ptPointer;  // the pointer at the last mouse event, client coordinates
};

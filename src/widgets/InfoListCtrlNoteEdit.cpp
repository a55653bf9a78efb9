// Note editing in the information list: opening the editor over a Note cell, keeping it on its cell
// while the list scrolls, ending it on commit or Escape, and the text operations the view uses.
#include "widgets/InfoListCtrl.h"

#include "platform/PrivateMessage.h"
#include "platform/TextCodec.h"
#include "widgets/ListConstants.h"
#include "widgets/NoteEditMessage.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

namespace {

// The "No." cell is read as at most this many characters.
constexpr qsizetype kMaxEntryNumberChars = 9;

}  // namespace

ResultCode CInfoListCtrl::InitNoteEditor()
{
    m_edit.setParent(viewport());
    m_edit.SetNotifyTarget(this);
    m_edit.setGeometry(0, 10, 50, 8);
    m_edit.setFont(m_font);
    m_edit.hide();

    // The editor stays on its cell whichever way the list scrolls, and when the columns change width.
    auto follow = [this] {
        if (IsNoteEditorOpen()) MoveNoteEditor();
    };
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, follow);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, follow);
    connect(m_header, &QHeaderView::sectionResized, this, follow);

    // Escape is caught for the list and every window inside it before they see the key.
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);

    for (int i = 1; i < m_header->count(); ++i) {
        const int w = GetColumnTextWidth(static_cast<std::uint16_t>(i));
        if (i < kColumnCount)
            m_header->m_bFitsDefault[static_cast<size_t>(i)] =
                w < kDefaultColumnWidths[static_cast<size_t>(i)] - kFitsDefaultMargin;
    }
    return RC_OK;
}

void CInfoListCtrl::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The press that completes a double-click arrives as the double-click itself.
    if (event->button() != Qt::LeftButton) {
        QTreeWidget::mouseDoubleClickEvent(event);
        return;
    }
    m_ptLastDown = event->position().toPoint();
    QTreeWidget::mouseDoubleClickEvent(event);
    OnDblClk();
}

void CInfoListCtrl::OnDblClk()
{
    SelectItem(m_nCurItem);
    const int row = HitTest(m_ptLastDown);
    if (row < 0 || m_header->logicalIndexAt(m_ptLastDown.x()) != kNoteColumn) return;
    OpenNoteEditor(row, Qt::MouseFocusReason);
}

void CInfoListCtrl::OpenNoteEditor(int nRow, Qt::FocusReason reason)
{
    // Opening over another Note cell while an edit is open ends that edit first, so that its text
    // cannot be taken for the new row's.
    if (IsNoteEditorOpen()) OnNoteCommit(m_edit.m_nItem);

    QRect label;
    if (!GetSubItemRect(nRow, kNoteColumn, LVIR_LABEL, label)) return;
    m_edit.setGeometry(label);
    m_edit.m_nItem = static_cast<std::uint16_t>(nRow);
    m_edit.m_bChangeNotified = true;
    const QString note = GetItemText(nRow, kNoteColumn);
    m_edit.SetTextWhole(note);
    if (m_edit.selectedText() != note) m_edit.selectAll();
    m_edit.GetSel(m_edit.m_nSelStart, m_edit.m_nSelEnd);
    m_edit.m_bChanged = false;
    // Named after the "Note" column and the entry, in English like the column titles.
    m_edit.setAccessibleName(QStringLiteral("Note for %1").arg(GetItemText(nRow, kNameColumn)));
    m_edit.show();
    m_edit.activateWindow();
    m_edit.setFocus(reason);
    PostNoteMessageToView(WM_NOTE_BEGIN, nRow, GetEntryKey(nRow), NarrowFromWide(m_edit.text()),
                          m_edit.PackedSelection());
}

ResultCode CInfoListCtrl::MoveNoteEditor()
{
    QRect label;
    if (GetSubItemRect(m_edit.m_nItem, kNoteColumn, LVIR_LABEL, label)) {
        m_edit.setGeometry(label);
        viewport()->update(label);
    }
    return RC_OK;
}

bool CInfoListCtrl::event(QEvent* event)
{
    switch (static_cast<int>(event->type())) {
    case WM_NOTE_COMMIT:
        OnNoteCommit(static_cast<int>(static_cast<CPrivateMessage*>(event)->WParam()));
        return true;
    case WM_NOTE_MARK:
    case WM_NOTE_MODIFIED:
        // Not the list's: they go on to the view at once, as if it had seen them first.
        if (QWidget* view = parentWidget()) QCoreApplication::sendEvent(view, event);
        return true;
    default:
        return QTreeWidget::event(event);
    }
}

bool CInfoListCtrl::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        OnEscape();
        return true;
    }
    return QTreeWidget::eventFilter(watched, event);
}

void CInfoListCtrl::OnNoteCommit(int nRow)
{
    // An edit is committed once: a request that arrives after the edit ended (Escape, or a commit
    // already handled), or for another row than the one being edited, is stale.
    if (!IsNoteEditorOpen() || nRow != m_edit.m_nItem) return;
    std::uint16_t key = 0;
    std::string note;
    (void)CommitNoteEdit(key, note);
    m_header->m_bFitsDefault[kNoteColumn] =
        GetColumnTextWidth(kNoteColumn) < kDefaultColumnWidths[kNoteColumn] - kFitsDefaultMargin;
    PostNoteMessageToView(WM_NOTE_COMMIT, nRow, key, std::move(note), 0);
}

void CInfoListCtrl::OnEscape()
{
    HideNoteEditor();
    PostToView(WM_NOTE_CANCEL);
}

void CInfoListCtrl::HideNoteEditor()
{
    const bool hadFocus = m_edit.hasFocus();
    m_edit.hide();
    if (hadFocus) setFocus(Qt::OtherFocusReason);
}

void CInfoListCtrl::PostToView(int nMessage, std::uintptr_t wParam) const
{
    if (QWidget* view = parentWidget()) QCoreApplication::postEvent(view, new CPrivateMessage(nMessage, wParam, 0));
}

void CInfoListCtrl::PostNoteMessageToView(int nMessage, int nRow, std::uint16_t nEntry, std::string text,
                                          std::uint32_t nSelection) const
{
    if (QWidget* view = parentWidget())
        QCoreApplication::postEvent(view, new CNoteEditMessage(nMessage, nRow, nEntry, std::move(text), nSelection));
}

ResultCode CInfoListCtrl::GetNoteEditText(std::string& text) const
{
    if (!IsNoteEditorOpen()) return RC_NOTE_EDITOR_CLOSED;
    text = NarrowFromWide(m_edit.text());
    return RC_OK;
}

ResultCode CInfoListCtrl::SetNoteEditText(std::string_view text)
{
    if (!IsNoteEditorOpen()) return RC_NOTE_EDITOR_CLOSED;
    m_edit.SetTextWhole(WideFromNarrow(text));
    m_edit.m_bChangeNotified = false;
    return RC_OK;
}

ResultCode CInfoListCtrl::GetNoteEditSnapshot(std::string& text) const
{
    if (!IsNoteEditorOpen()) return RC_NOTE_EDITOR_CLOSED;
    text = NarrowFromWide(m_edit.m_strSnapshot);
    return RC_OK;
}

ResultCode CInfoListCtrl::CommitNoteEdit(std::uint16_t& nEntry, std::string& note)
{
    if (!IsNoteEditorOpen()) return RC_OK;
    const int row = m_edit.m_nItem;
    HideNoteEditor();
    const QString text = m_edit.text();
    SetItemText(row, kNoteColumn, text);
    nEntry = GetEntryKey(row);
    note = NarrowFromWide(text);
    return RC_OK;
}

std::uint16_t CInfoListCtrl::GetEntryKey(int nRow) const
{
    const std::string number = NarrowFromWide(GetItemText(nRow, kNoColumn).left(kMaxEntryNumberChars));
    std::uint32_t value = 0;
    for (char c : number) {
        if (c < '0' || c > '9') break;
        value = value * 10 + static_cast<std::uint32_t>(c - '0');
    }
    return static_cast<std::uint16_t>(value);
}

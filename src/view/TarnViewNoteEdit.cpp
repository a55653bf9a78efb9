// Note editing in the view: storing committed notes, the one-step edit history behind the Undo
// command, and Cut, Copy and Paste on the note editor.
#include "view/TarnView.h"

#include "app/TarnDoc.h"
#include "platform/PrivateMessage.h"
#include "platform/TextCodec.h"
#include "widgets/ListConstants.h"
#include "widgets/NoteEditMessage.h"

#include <new>

bool CTarnView::event(QEvent* event)
{
    const int message = static_cast<int>(event->type());
    if (message < WM_NOTE_COMMIT || message > WM_NOTE_MODIFIED || message == WM_DEVICEEVENT || !m_pDoc)
        return QWidget::event(event);

    const auto* msg = static_cast<CPrivateMessage*>(event);
    CDataController& history = m_pDoc->DataController();
    switch (message) {
    case WM_NOTE_BEGIN: {
        // The opening state as the list saw it when it opened the editor, whatever was typed since.
        // A bare one carries no state: the editor's as it is now is recorded instead.
        const auto* begin = dynamic_cast<const CNoteEditMessage*>(msg);
        std::string text;
        if (begin)
            text = begin->Text();
        else
            (void)m_list.GetNoteEditText(text);
        (void)history.RecordEditState(begin ? begin->Selection() : NoteSelection(), text);
        m_bUndoMode = true;
        m_strNoteSnapshot = std::move(text);
        break;
    }
    case WM_NOTE_MARK: {
        std::string text;
        (void)m_list.GetNoteEditSnapshot(text);
        const auto start = static_cast<std::uint16_t>(msg->WParam());
        const auto length = static_cast<std::uint16_t>(msg->LParam() - static_cast<std::intptr_t>(msg->WParam()));
        (void)history.RecordEditState(EditState::MakeSelection(start, length), text);
        m_strNoteSnapshot = std::move(text);
        break;
    }
    case WM_NOTE_MODIFIED:
        m_bUndoMode = true;
        break;
    case WM_NOTE_COMMIT: {
        // The key and text the list took when it wrote the cell: the rows may have been re-sorted since.
        const auto* commit = dynamic_cast<const CNoteEditMessage*>(msg);
        if (commit) {
            StoreNote(commit->Key(), commit->Text());
        } else {
            // A bare commit names only its row, whose cell the list has written: the note is kept as the
            // cell shows it rather than lost.
            const int row = static_cast<int>(msg->WParam());
            StoreNote(m_list.GetEntryKey(row), NarrowFromWide(m_list.GetItemText(row, kNoteColumn)));
        }
        (void)history.ClearEditHistory();
        break;
    }
    case WM_NOTE_CANCEL:
        (void)history.ClearEditHistory();
        break;
    case WM_DROP_UPDATE:
        OnFileUpdate();
        break;
    default:
        break;
    }
    return true;
}

void CTarnView::StoreNote(std::uint16_t nKey, std::string note)
{
    // Out of memory the table keeps the note it had; the cell still shows the new one.
    std::string* pNote = m_pDoc->DataController().NoteFor(nKey);
    if (pNote) pNote->swap(note);
}

void CTarnView::CommitOpenNoteEdit()
{
    if (!m_list.IsNoteEditorOpen()) return;
    std::uint16_t key = 0;
    std::string note;
    (void)m_list.CommitNoteEdit(key, note);
    StoreNote(key, std::move(note));
}

std::uint32_t CTarnView::NoteSelection() const { return m_list.NoteEditor().PackedSelection(); }

void CTarnView::ShowEditState(const EditState& state)
{
    CInPlaceEdit& editor = m_list.NoteEditor();
    (void)m_list.SetNoteEditText(state.text);
    editor.SetSel(state.SelectionStart(), state.SelectionStart() + state.SelectionLength());
    editor.GetSel(editor.m_nSelStart, editor.m_nSelEnd);
}

void CTarnView::OnEditUndo()
{
    if (!m_pDoc) return;
    if (m_bUndoMode)
        (void)UndoNoteEdit();
    else
        (void)RedoNoteEdit();
    m_bUndoMode = !m_bUndoMode;
}

ResultCode CTarnView::UndoNoteEdit()
{
    std::string text;
    (void)m_list.GetNoteEditText(text);
    EditState restored;
    if (m_pDoc->DataController().UndoEdit(NoteSelection(), text, restored) != RC_OK) return RC_OK;
    ShowEditState(restored);
    m_strNoteSnapshot = std::move(restored.text);
    return RC_OK;
}

ResultCode CTarnView::RedoNoteEdit()
{
    CDataController& history = m_pDoc->DataController();
    const std::uint32_t current = NoteSelection();
    (void)history.UpdateNextUndoSelection(current);
    EditState redone{current, {}};
    if (history.RedoEdit(redone) != RC_OK) return RC_OK;
    ShowEditState(redone);
    m_strNoteSnapshot = std::move(redone.text);
    return RC_OK;
}

void CTarnView::RecordBeforeClipboardEdit()
{
    std::string text;
    (void)m_list.GetNoteEditText(text);
    (void)m_pDoc->DataController().RecordEditState(NoteSelection(), text);
    m_strNoteSnapshot = std::move(text);
}

void CTarnView::OnEditCut()
{
    if (!m_pDoc) return;
    RecordBeforeClipboardEdit();
    if (m_list.IsNoteEditorOpen()) m_list.NoteEditor().cut();
    m_bUndoMode = true;
}

void CTarnView::OnEditPaste()
{
    if (!m_pDoc) return;
    RecordBeforeClipboardEdit();
    if (m_list.IsNoteEditorOpen()) {
        m_list.NoteEditor().paste();
        // The next editing key begins a new group, so that Undo can return to the pasted text.
        m_list.NoteEditor().m_bCaretMoved = true;
    }
    m_bUndoMode = true;
}

void CTarnView::OnEditCopy()
{
    if (m_list.IsNoteEditorOpen()) m_list.NoteEditor().copy();
}

ResultCode CTarnView::IsUndoAvailable(bool& bAvailable) const
{
    bAvailable = false;
    if (!m_pDoc || !m_list.IsNoteEditorOpen() || !m_list.NoteEditor().m_bChanged) return RC_OK;
    std::string text;
    (void)m_list.GetNoteEditText(text);
    bAvailable = m_pDoc->DataController().HasUndoPoint() || text != m_strNoteSnapshot;
    return RC_OK;
}

ResultCode CTarnView::IsRedoAvailable(bool& bAvailable) const
{
    bAvailable = false;
    if (!m_pDoc || !m_list.IsNoteEditorOpen() || !m_pDoc->DataController().HasRedoState()) return RC_OK;
    std::string text;
    (void)m_list.GetNoteEditText(text);
    bAvailable = text == m_strNoteSnapshot;
    return RC_OK;
}

bool CTarnView::IsUndoAvailable() const
{
    bool bAvailable = false;
    if (m_bUndoMode)
        (void)IsUndoAvailable(bAvailable);
    else
        (void)IsRedoAvailable(bAvailable);
    return bAvailable;
}

bool CTarnView::HasNoteSelection() const
{
    return m_list.IsNoteEditorOpen() && m_list.NoteEditor().hasSelectedText();
}

#include "view/InPlaceEdit.h"

#include "data/EditState.h"
#include "platform/PrivateMessage.h"
#include "view/VirtualKey.h"

#include <QApplication>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPalette>
#include <QValidator>

#include <algorithm>

namespace {

// Replaces every line break (CR LF, CR, LF and the Unicode line and paragraph separators) with one
// space, keeping the caret where it was relative to the text around it.
class CSingleLineValidator : public QValidator {
public:
    using QValidator::QValidator;

    State validate(QString& input, int& pos) const override
    {
        QString out;
        out.reserve(input.size());
        int newPos = pos;
        for (qsizetype i = 0; i < input.size(); ++i) {
            const QChar c = input[i];
            const bool crlf = c == u'\r' && i + 1 < input.size() && input[i + 1] == u'\n';
            if (crlf) {
                if (i + 1 < pos) --newPos;
                ++i;
            }
            const bool lineBreak =
                crlf || c == u'\r' || c == u'\n' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
            out.append(lineBreak ? QChar(u' ') : c);
        }
        if (out != input) {
            input = out;
            pos = newPos;
        }
        return Acceptable;
    }
};

bool IsHistoryKey(const QKeyEvent* event)
{
    return event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo);
}

bool IsClipboardKey(const QKeyEvent* event)
{
    return event->matches(QKeySequence::Cut) || event->matches(QKeySequence::Copy) ||
           event->matches(QKeySequence::Paste);
}

// Keys that a line edit binds on this desktop but the platform's edit control does not know: the
// Emacs-style line and word deletions (Ctrl+U, Ctrl+K, Ctrl+Backspace, Ctrl+Delete), Ctrl+E and every
// other Ctrl or Meta letter besides select-all and the clipboard keys. The editor does nothing with them,
// so that the window's accelerators (Ctrl+U is Update) reach their commands.
bool IsForeignKey(const QKeyEvent* event)
{
    if (event->matches(QKeySequence::DeleteCompleteLine) || event->matches(QKeySequence::DeleteEndOfLine) ||
        event->matches(QKeySequence::DeleteStartOfWord) || event->matches(QKeySequence::DeleteEndOfWord))
        return true;
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    const bool letter = event->key() >= Qt::Key_A && event->key() <= Qt::Key_Z;
    if (!letter || !(mods & (Qt::ControlModifier | Qt::MetaModifier))) return false;
    return !event->matches(QKeySequence::SelectAll) && !IsClipboardKey(event) && !IsHistoryKey(event);
}

// The look of the platform's edit control, whatever the list around it paints: dark text on a light
// field and the selection in the usual highlight. The list's own rows are white on black.
QPalette EditFieldPalette(QPalette palette)
{
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::Text, Qt::black);
    palette.setColor(QPalette::WindowText, Qt::black);
    palette.setColor(QPalette::Highlight, QColor(0, 120, 215));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    return palette;
}

}  // namespace

CInPlaceEdit::CInPlaceEdit(QWidget* parent) : QLineEdit(parent)
{
    setMaxLength(kMaxNoteLength);
    setValidator(new CSingleLineValidator(this));
    setContextMenuPolicy(Qt::NoContextMenu);
    setPalette(EditFieldPalette(palette()));
    m_focusWatch = connect(qApp, &QApplication::focusChanged, this,
                           [this](QWidget*, QWidget* now) { OnFocusChanged(now); });
    connect(this, &QLineEdit::textChanged, this, [this] {
        StoreSelection();
        m_bChanged = true;
    });
}

CInPlaceEdit::~CInPlaceEdit()
{
    disconnect(m_focusWatch);
}

std::uint32_t CInPlaceEdit::PackedSelection() const
{
    int start = 0;
    int end = 0;
    GetSel(start, end);
    return EditState::MakeSelection(static_cast<std::uint16_t>(start), static_cast<std::uint16_t>(end - start));
}

void CInPlaceEdit::GetSel(int& nStart, int& nEnd) const
{
    if (hasSelectedText()) {
        nStart = selectionStart();
        nEnd = selectionEnd();
    } else {
        nStart = nEnd = cursorPosition();
    }
}

void CInPlaceEdit::SetSel(int nStart, int nEnd)
{
    const int length = static_cast<int>(text().size());
    nStart = std::clamp(nStart, 0, length);
    nEnd = std::clamp(nEnd, 0, length);
    setSelection(nStart, nEnd - nStart);
}

void CInPlaceEdit::SetTextWhole(const QString& text)
{
    // Setting the text it already holds, or a limit (which sets the text again), would tell a screen
    // reader that the text and its selection were deleted and typed anew.
    const int limit = std::max<int>(kMaxNoteLength, static_cast<int>(text.size()));
    if (limit != maxLength()) setMaxLength(limit);
    if (text != this->text()) setText(text);
}

bool CInPlaceEdit::event(QEvent* event)
{
    // The Edit menu's accelerators (Undo, Cut, Copy, Paste) belong to the window, which hands them to
    // the view, and so does every key the editor leaves alone (Ctrl+U is Update); a line edit would
    // otherwise claim them for itself.
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (IsHistoryKey(key) || IsClipboardKey(key) || IsForeignKey(key)) {
            event->ignore();
            return true;
        }
    }
    return QLineEdit::event(event);
}

void CInPlaceEdit::keyPressEvent(QKeyEvent* event)
{
    const std::uint8_t vk = VirtualKeyFromQt(event->key(), event->modifiers());
    if (vk == VK_RETURN) {
        Post(WM_NOTE_COMMIT, m_nItem, 0);
        event->accept();
        return;
    }
    // Undo and redo are the view's alone (its history), even without a window that routes them there.
    if (IsHistoryKey(event)) {
        event->ignore();
        return;
    }
    // A key without an accelerator that the edit control does not know changes nothing, and the list
    // behind does not see it either.
    if (IsForeignKey(event)) {
        event->accept();
        return;
    }
    if (IsArrowKey(vk))
        m_bCaretMoved = true;
    else if (IsEditingKey(vk))
        BeforeEditingKey();
    if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
        // The single-line edit control moves the caret back on Up and forward on Down.
        QKeyEvent sideways(event->type(), event->key() == Qt::Key_Up ? Qt::Key_Left : Qt::Key_Right,
                           event->modifiers(), event->text(), event->isAutoRepeat(), event->count());
        QLineEdit::keyPressEvent(&sideways);
    } else {
        QLineEdit::keyPressEvent(event);
    }
    // Every key stays with the editor, as with the edit control: a line edit lets the keys it does not
    // use (Up, Down, Page Up, Page Down) through to the list, which would move its selection away from
    // the row being edited.
    event->accept();
    StoreSelection();
}

void CInPlaceEdit::inputMethodEvent(QInputMethodEvent* event)
{
    // Each key the input method takes for a composition counts as VK_PROCESSKEY, an editing key.
    if (!event->commitString().isEmpty() || !event->preeditString().isEmpty()) {
        if (IsEditingKey(VK_PROCESSKEY)) BeforeEditingKey();
    }
    QLineEdit::inputMethodEvent(event);
    StoreSelection();
}

void CInPlaceEdit::mousePressEvent(QMouseEvent* event)
{
    // The middle button pastes the desktop's selection into a line edit; the edit control has no such
    // paste, and it would bypass the view's edit history.
    if (event->button() == Qt::MiddleButton) {
        event->accept();
        return;
    }
    QLineEdit::mousePressEvent(event);
    int start = 0;
    int end = 0;
    GetSel(start, end);
    if (start != m_nSelStart || end != m_nSelEnd) m_bCaretMoved = true;
}

void CInPlaceEdit::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::MiddleButton) {
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void CInPlaceEdit::focusOutEvent(QFocusEvent* event)
{
    // A line edit drops its selection when the menu bar takes the focus; the edit control keeps it, so
    // that Cut and Copy chosen from the keyboard still have it. The caret stays at its end of it.
    const int caret = cursorPosition();
    int start = 0;
    int end = 0;
    GetSel(start, end);
    QLineEdit::focusOutEvent(event);
    if (event->reason() == Qt::MenuBarFocusReason && start != end) {
        const int anchor = caret == start ? end : start;
        setSelection(anchor, caret - anchor);
    }
    // Opening a menu of the window leaves the edit running, whether by the mouse (the menu pops up) or
    // from the keyboard (Alt+E or F10 takes the focus to the menu bar until the menu closes), so that
    // the Edit menu's commands act on it. Once the list has hidden the editor (after Enter or Escape) a
    // loss of focus commits nothing more.
    if (event->reason() == Qt::PopupFocusReason || event->reason() == Qt::MenuBarFocusReason) {
        m_bAwayInMenus = isVisible() && !isHidden();
        return;
    }
    if (isVisible() && !isHidden()) Post(WM_NOTE_COMMIT, m_nItem, 0);
}

void CInPlaceEdit::OnFocusChanged(QWidget* now)
{
    if (!m_bAwayInMenus || qobject_cast<QMenuBar*>(now) || qobject_cast<QMenu*>(now)) return;
    // The focus left the menus: back to the editor the edit goes on; anywhere else (a click on the
    // list after Alt, another window) ends it as a loss of focus would have.
    m_bAwayInMenus = false;
    if (now != this && isVisible() && !isHidden()) Post(WM_NOTE_COMMIT, m_nItem, 0);
}

void CInPlaceEdit::BeforeEditingKey()
{
    if (m_bCaretMoved) {
        m_strSnapshot = text();
        int start = 0;
        int end = 0;
        GetSel(start, end);
        Post(WM_NOTE_MARK, static_cast<std::uintptr_t>(start), end);
        m_bCaretMoved = false;
    }
    if (!m_bChangeNotified) {
        Post(WM_NOTE_MODIFIED, m_nItem, 0);
        m_bChangeNotified = true;
    }
}

void CInPlaceEdit::StoreSelection() { GetSel(m_nSelStart, m_nSelEnd); }

void CInPlaceEdit::Post(int nMessage, std::uintptr_t wParam, std::intptr_t lParam) const
{
    QObject* target = m_pNotify ? m_pNotify : parent();
    if (target) QCoreApplication::postEvent(target, new CPrivateMessage(nMessage, wParam, lParam));
}

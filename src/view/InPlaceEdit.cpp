#include "view/InPlaceEdit.h"

#include "platform/PrivateMessage.h"
#include "view/VirtualKey.h"

#include <QCoreApplication>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
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

}  // namespace

CInPlaceEdit::CInPlaceEdit(QWidget* parent) : QLineEdit(parent)
{
    setMaxLength(kMaxNoteLength);
    setValidator(new CSingleLineValidator(this));
    setContextMenuPolicy(Qt::NoContextMenu);
    connect(this, &QLineEdit::textChanged, this, [this] {
        StoreSelection();
        m_bChanged = true;
    });
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
    setMaxLength(std::max<int>(kMaxNoteLength, static_cast<int>(text.size())));
    setText(text);
}

bool CInPlaceEdit::event(QEvent* event)
{
    // The Edit menu's accelerators (Undo, Cut, Copy, Paste) belong to the window, which hands them to
    // the view; a line edit would otherwise claim them for itself.
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (IsHistoryKey(key) || IsClipboardKey(key)) {
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
    if (IsArrowKey(vk))
        m_bCaretMoved = true;
    else if (IsEditingKey(vk))
        BeforeEditingKey();
    QLineEdit::keyPressEvent(event);
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
    QLineEdit::mousePressEvent(event);
    int start = 0;
    int end = 0;
    GetSel(start, end);
    if (start != m_nSelStart || end != m_nSelEnd) m_bCaretMoved = true;
}

void CInPlaceEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    // Opening a menu of the window (the Edit menu among them) leaves the edit running. Once the list
    // has hidden the editor (after Enter or Escape) a loss of focus commits nothing more.
    if (event->reason() == Qt::PopupFocusReason) return;
    if (isVisible() && !isHidden()) Post(WM_NOTE_COMMIT, m_nItem, 0);
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

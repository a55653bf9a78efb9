#pragma once
#include <QLineEdit>
#include <QString>

#include <cstdint>

// The single-line editor that the information list places over a Note cell while the user edits a
// note. Beyond a plain line edit it asks the list to commit the edit (Enter, or losing the focus while
// shown), tells when an editing key begins a new group of edits (WM_NOTE_MARK, so that the view records
// the state just before that key as its undo point) and when the text is first changed after it was
// last set (WM_NOTE_MODIFIED). All three are posted to the parent window, the list's client area's
// owner (the list).
//
// It looks like the platform's edit control (dark text on a light field) and binds only the keys that
// control knows; every other key with Ctrl is left to the window's accelerators.
//
// The editor never undoes anything itself and offers no context menu: every change of its text that
// can be undone goes through the view's one-step history. Line breaks that reach it (paste, drop, an
// input method) become spaces. It holds at most kMaxNoteLength characters unless the list opens it on a
// longer stored note, whose length then becomes the limit, so that opening never cuts a note.
//
// User-interface thread only.
class CInPlaceEdit : public QLineEdit {
    Q_OBJECT
public:
    static constexpr int kMaxNoteLength = 1023;

    explicit CInPlaceEdit(QWidget* parent = nullptr);
    // Stops listening to focus changes first: destroying the field moves the focus, and the base
    // classes' destructors report it while this part of the object is already gone.
    ~CInPlaceEdit() override;

    // The selection as the platform's edit control reports it: start and end, the caret when empty.
    void GetSel(int& nStart, int& nEnd) const;
    // The selection packed as the edit history keeps it: the start, and the length above it.
    [[nodiscard]] std::uint32_t PackedSelection() const;
    // Selects from nStart to nEnd (the caret at nEnd) and scrolls the caret into view.
    void SetSel(int nStart, int nEnd);
    // Sets the text and the limit that keeps it whole (kMaxNoteLength or the text's length).
    void SetTextWhole(const QString& text);

    // The list window the notices go to; the widget's parent unless set.
    void SetNotifyTarget(QObject* pTarget) { m_pNotify = pTarget; }

    std::uint16_t m_nItem = 0;      // row whose Note cell is edited; set by the list when it opens
    bool m_bCaretMoved = false;     // the caret moved since the last undo point was asked for
    QString m_strSnapshot;          // the text just before the key that began the current group
    bool m_bChangeNotified = true;  // WM_NOTE_MODIFIED posted since the text was last set
    int m_nSelStart = 0;            // selection after the last key or text change
    int m_nSelEnd = 0;
    bool m_bChanged = false;        // the text changed since the list last cleared this flag

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // Called for every change of the application's focus while the editor waits on the menu bar.
    void OnFocusChanged(QWidget* now);
    // Posts the two notices an editing key may call for, before the key changes the text.
    void BeforeEditingKey();
    void StoreSelection();
    void Post(int nMessage, std::uintptr_t wParam, std::intptr_t lParam) const;

    QObject* m_pNotify = nullptr;
    bool m_bAwayInMenus = false;  // the focus went to the window's menus while the editor was shown
    QMetaObject::Connection m_focusWatch;
};

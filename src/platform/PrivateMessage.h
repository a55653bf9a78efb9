#pragma once
#include <QEvent>
#include <cstdint>

// The program's private window messages. Each is posted (never sent) as a CPrivateMessage event whose
// event type is the message value itself; the values lie inside Qt's user event range.
inline constexpr int WM_NOTE_COMMIT = 0x5000;   // row, 0: the note editor's text is to be committed
inline constexpr int WM_NOTE_BEGIN = 0x5001;    // 0, 0: the list opened the note editor
inline constexpr int WM_DEVICEEVENT = 0x5002;   // 0, 0: the network's configuration changed
inline constexpr int WM_DROP_UPDATE = 0x5003;   // 0, 0: a row was dropped on the Update button and confirmed
inline constexpr int WM_NOTE_CANCEL = 0x5004;   // 0, 0: the note edit was cancelled with Escape
inline constexpr int WM_NOTE_MARK = 0x5005;     // selection start, selection end: an edit point to record
inline constexpr int WM_NOTE_MODIFIED = 0x5006; // row, 0: the note editor's text changed

static_assert(WM_NOTE_COMMIT >= QEvent::User && WM_NOTE_MODIFIED <= QEvent::MaxUser);

class CPrivateMessage : public QEvent
{
public:
    CPrivateMessage(int nMessage, std::uintptr_t wParam = 0, std::intptr_t lParam = 0)
        : QEvent(static_cast<QEvent::Type>(nMessage)), m_wParam(wParam), m_lParam(lParam)
    {
    }

    [[nodiscard]] int Message() const { return static_cast<int>(type()); }
    [[nodiscard]] std::uintptr_t WParam() const { return m_wParam; }
    [[nodiscard]] std::intptr_t LParam() const { return m_lParam; }

private:
    std::uintptr_t m_wParam;
    std::intptr_t m_lParam;
};

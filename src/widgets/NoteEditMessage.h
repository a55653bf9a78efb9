#pragma once
#include "platform/PrivateMessage.h"

#include <cstdint>
#include <string>
#include <utility>

// WM_NOTE_BEGIN and WM_NOTE_COMMIT as the list posts them to the view. Besides the row they carry what
// the view needs, taken at the moment the list posts them: the editor's opening text and selection
// (WM_NOTE_BEGIN), the row's entry key and the committed text (WM_NOTE_COMMIT). Input can be handled
// before the view sees a posted message (a column click re-sorts the rows, a key changes the editor),
// so reading the row or the editor then could give another entry's note or a later state.
class CNoteEditMessage : public CPrivateMessage
{
public:
    CNoteEditMessage(int nMessage, int nRow, std::uint16_t nKey, std::string text, std::uint32_t nSelection)
        : CPrivateMessage(nMessage, static_cast<std::uintptr_t>(nRow), 0),
          m_nKey(nKey),
          m_text(std::move(text)),
          m_nSelection(nSelection)
    {
    }

    [[nodiscard]] std::uint16_t Key() const { return m_nKey; }
    [[nodiscard]] const std::string& Text() const { return m_text; }
    // Packed as the edit history keeps it: start in the low 16 bits, length in the high 16 bits.
    [[nodiscard]] std::uint32_t Selection() const { return m_nSelection; }

private:
    std::uint16_t m_nKey;
    std::string m_text;
    std::uint32_t m_nSelection;
};

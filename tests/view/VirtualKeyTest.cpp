// Which keys begin or continue a group of note edits, by their Windows virtual-key codes.
#include "view/VirtualKey.h"

#include <gtest/gtest.h>

namespace {

struct KeyRow {
    int key;
    Qt::KeyboardModifiers modifiers;
    std::uint8_t vk;
    bool editing;
};

// Qt key (and modifiers) -> virtual-key code of a US layout -> is it an editing key.
const KeyRow kTable[] = {
    {Qt::Key_A, {}, 0x41, true},
    {Qt::Key_Z, Qt::ShiftModifier, 0x5A, true},
    {Qt::Key_0, {}, 0x30, true},
    {Qt::Key_9, {}, 0x39, true},
    {Qt::Key_Exclam, Qt::ShiftModifier, 0x31, true},      // Shift+1
    {Qt::Key_ParenRight, Qt::ShiftModifier, 0x30, true},  // Shift+0
    {Qt::Key_Semicolon, {}, 0xBA, true},                  // 0xBA read as a character is a letter
    {Qt::Key_Equal, {}, 0xBB, false},
    {Qt::Key_Plus, Qt::ShiftModifier, 0xBB, false},
    {Qt::Key_Comma, {}, 0xBC, false},
    {Qt::Key_Minus, {}, 0xBD, false},
    {Qt::Key_Period, {}, 0xBE, false},
    {Qt::Key_Slash, {}, 0xBF, false},
    {Qt::Key_Question, Qt::ShiftModifier, 0xBF, false},
    {Qt::Key_QuoteLeft, {}, 0xC0, true},
    {Qt::Key_AsciiTilde, Qt::ShiftModifier, 0xC0, true},
    {Qt::Key_BracketLeft, {}, 0xDB, true},
    {Qt::Key_Backslash, {}, 0xDC, true},
    {Qt::Key_BraceRight, Qt::ShiftModifier, 0xDD, true},
    {Qt::Key_Apostrophe, {}, 0xDE, true},
    {Qt::Key_QuoteDbl, Qt::ShiftModifier, 0xDE, true},
    {Qt::Key_Space, {}, 0x20, false},
    {Qt::Key_Backspace, {}, 0x08, true},
    {Qt::Key_Delete, {}, 0x2E, true},
    {Qt::Key_Home, {}, 0x24, false},
    {Qt::Key_End, {}, 0x23, false},
    {Qt::Key_PageUp, {}, 0x21, false},
    {Qt::Key_PageDown, {}, 0x22, false},
    {Qt::Key_Left, {}, 0x25, false},
    {Qt::Key_Down, {}, 0x28, false},
    {Qt::Key_Return, {}, 0x0D, false},
    {Qt::Key_Enter, Qt::KeypadModifier, 0x0D, false},
    {Qt::Key_Escape, {}, 0x1B, false},
    {Qt::Key_Tab, {}, 0x09, false},
    {Qt::Key_Shift, Qt::ShiftModifier, 0x10, false},
    {Qt::Key_0, Qt::KeypadModifier, 0x60, false},  // VK_NUMPAD0 is '`'
    {Qt::Key_5, Qt::KeypadModifier, 0x65, true},   // VK_NUMPAD5 is 'e'
    {Qt::Key_Slash, Qt::KeypadModifier, 0x6F, true},
    {Qt::Key_F1, {}, 0x70, true},  // 'p'
    {Qt::Key_F12, {}, 0x7B, false},
    {Qt::Key_Adiaeresis, {}, 0xDF, true},  // a letter key of another layout, on an OEM position
    {Qt::Key_unknown, {}, 0, false},
};

TEST(VirtualKey, TableOfKeysCodesAndEditingKeys)
{
    for (const KeyRow& row : kTable) {
        const std::uint8_t vk = VirtualKeyFromQt(row.key, row.modifiers);
        EXPECT_EQ(vk, row.vk) << "Qt key 0x" << std::hex << row.key;
        EXPECT_EQ(IsEditingKey(vk), row.editing) << "virtual key 0x" << std::hex << int(row.vk);
    }
}

TEST(VirtualKey, ArrowsAreTheFourCaretKeys)
{
    for (int vk = 0; vk < 256; ++vk)
        EXPECT_EQ(IsArrowKey(static_cast<std::uint8_t>(vk)), vk >= 0x25 && vk <= 0x28) << vk;
    EXPECT_TRUE(IsEditingKey(VK_PROCESSKEY)) << "keys taken by an input method edit the text";
}

}  // namespace

#pragma once
#include <Qt>

#include <cstdint>

// Windows virtual-key codes of the keys the note editor tells apart.
inline constexpr std::uint8_t VK_BACK = 0x08;
inline constexpr std::uint8_t VK_RETURN = 0x0D;
inline constexpr std::uint8_t VK_SPACE = 0x20;
inline constexpr std::uint8_t VK_LEFT = 0x25;
inline constexpr std::uint8_t VK_DOWN = 0x28;
inline constexpr std::uint8_t VK_DELETE = 0x2E;
// What the input method reports for every key it takes for its composition.
inline constexpr std::uint8_t VK_PROCESSKEY = 0xE5;

// The Windows virtual-key code of a key as Qt reports it, for a US keyboard layout: letters 0x41-0x5A,
// the digit row 0x30-0x39 (also with Shift: '!' is the 1 key), the punctuation keys 0xBA-0xDE, the
// keypad 0x60-0x6F, function keys 0x70-0x87 and the named keys. A letter outside ASCII comes from a key
// that other layouts place on an OEM position and maps to VK_OEM_8 (0xDF). 0 for a key without a code.
[[nodiscard]] std::uint8_t VirtualKeyFromQt(int key, Qt::KeyboardModifiers modifiers);

// Whether the key begins or continues a group of edits: its code, read as a character, is a letter or a
// digit (so the letter and digit keys and, among others, 0xBA, 0xC0 and 0xDB-0xDE count, while the
// space bar, 0xBB and 0xBF do not), or it is Backspace or Delete.
[[nodiscard]] bool IsEditingKey(std::uint8_t vk);

// The arrow keys 0x25-0x28, which move the caret and so begin a new group with the next editing key.
[[nodiscard]] constexpr bool IsArrowKey(std::uint8_t vk) { return vk >= VK_LEFT && vk <= VK_DOWN; }

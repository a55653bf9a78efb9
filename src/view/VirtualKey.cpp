#include "view/VirtualKey.h"

#include <QChar>

#include <array>
#include <utility>

namespace {

// The punctuation keys of a US layout, by the characters they give without and with Shift.
constexpr std::array<std::pair<int, std::uint8_t>, 22> kPunctuation{{
    {Qt::Key_Semicolon, 0xBA},    {Qt::Key_Colon, 0xBA},      // VK_OEM_1
    {Qt::Key_Equal, 0xBB},        {Qt::Key_Plus, 0xBB},       // VK_OEM_PLUS
    {Qt::Key_Comma, 0xBC},        {Qt::Key_Less, 0xBC},       // VK_OEM_COMMA
    {Qt::Key_Minus, 0xBD},        {Qt::Key_Underscore, 0xBD}, // VK_OEM_MINUS
    {Qt::Key_Period, 0xBE},       {Qt::Key_Greater, 0xBE},    // VK_OEM_PERIOD
    {Qt::Key_Slash, 0xBF},        {Qt::Key_Question, 0xBF},   // VK_OEM_2
    {Qt::Key_QuoteLeft, 0xC0},    {Qt::Key_AsciiTilde, 0xC0}, // VK_OEM_3
    {Qt::Key_BracketLeft, 0xDB},  {Qt::Key_BraceLeft, 0xDB},  // VK_OEM_4
    {Qt::Key_Backslash, 0xDC},    {Qt::Key_Bar, 0xDC},        // VK_OEM_5
    {Qt::Key_BracketRight, 0xDD}, {Qt::Key_BraceRight, 0xDD}, // VK_OEM_6
    {Qt::Key_Apostrophe, 0xDE},   {Qt::Key_QuoteDbl, 0xDE},   // VK_OEM_7
}};

// The shifted characters of the digit row, from the 0 key to the 9 key.
constexpr std::array<int, 10> kShiftedDigits{Qt::Key_ParenRight, Qt::Key_Exclam,     Qt::Key_At,
                                             Qt::Key_NumberSign, Qt::Key_Dollar,     Qt::Key_Percent,
                                             Qt::Key_AsciiCircum, Qt::Key_Ampersand, Qt::Key_Asterisk,
                                             Qt::Key_ParenLeft};

constexpr std::array<std::pair<int, std::uint8_t>, 25> kNamed{{
    {Qt::Key_Backspace, 0x08}, {Qt::Key_Tab, 0x09},       {Qt::Key_Backtab, 0x09},  {Qt::Key_Return, 0x0D},
    {Qt::Key_Enter, 0x0D},     {Qt::Key_Shift, 0x10},     {Qt::Key_Control, 0x11},  {Qt::Key_Alt, 0x12},
    {Qt::Key_Pause, 0x13},     {Qt::Key_CapsLock, 0x14},  {Qt::Key_Escape, 0x1B},   {Qt::Key_Space, 0x20},
    {Qt::Key_PageUp, 0x21},    {Qt::Key_PageDown, 0x22},  {Qt::Key_End, 0x23},      {Qt::Key_Home, 0x24},
    {Qt::Key_Left, 0x25},      {Qt::Key_Up, 0x26},        {Qt::Key_Right, 0x27},    {Qt::Key_Down, 0x28},
    {Qt::Key_Print, 0x2C},     {Qt::Key_Insert, 0x2D},    {Qt::Key_Delete, 0x2E},   {Qt::Key_Meta, 0x5B},
    {Qt::Key_Menu, 0x5D},
}};

// The keypad's operator keys (VK_MULTIPLY to VK_DIVIDE).
constexpr std::array<std::pair<int, std::uint8_t>, 6> kKeypad{{
    {Qt::Key_Asterisk, 0x6A}, {Qt::Key_Plus, 0x6B}, {Qt::Key_Comma, 0x6C},
    {Qt::Key_Minus, 0x6D},    {Qt::Key_Period, 0x6E}, {Qt::Key_Slash, 0x6F},
}};

template <std::size_t N>
std::uint8_t Find(const std::array<std::pair<int, std::uint8_t>, N>& table, int key)
{
    for (const auto& [qtKey, vk] : table)
        if (qtKey == key) return vk;
    return 0;
}

}  // namespace

std::uint8_t VirtualKeyFromQt(int key, Qt::KeyboardModifiers modifiers)
{
    if (modifiers & Qt::KeypadModifier) {
        if (key >= Qt::Key_0 && key <= Qt::Key_9) return static_cast<std::uint8_t>(0x60 + (key - Qt::Key_0));
        if (const std::uint8_t vk = Find(kKeypad, key)) return vk;
    }
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<std::uint8_t>(0x41 + (key - Qt::Key_A));
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return static_cast<std::uint8_t>(0x30 + (key - Qt::Key_0));
    for (std::size_t i = 0; i < kShiftedDigits.size(); ++i)
        if (kShiftedDigits[i] == key) return static_cast<std::uint8_t>(0x30 + i);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return static_cast<std::uint8_t>(0x70 + (key - Qt::Key_F1));
    if (const std::uint8_t vk = Find(kPunctuation, key)) return vk;
    if (const std::uint8_t vk = Find(kNamed, key)) return vk;
    if (key > 0x7F && key <= 0xFFFF && QChar(static_cast<char16_t>(key)).isLetter()) return 0xDF;
    return 0;
}

bool IsEditingKey(std::uint8_t vk)
{
    if (vk == VK_BACK || vk == VK_DELETE) return true;
    // The code taken as a character of the Latin-1 range: letters (including the accented capitals
    // 0xC0-0xDE and the ordinal 0xBA) and the digits 0-9.
    const QChar c(static_cast<char16_t>(vk));
    return c.isLetter() || c.isDigit();
}

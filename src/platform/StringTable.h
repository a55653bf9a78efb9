#pragma once
#include <QString>
#include <cstdint>

// The program's string table: the English texts by identifier. LoadResourceString gives the text of
// the resource set in use: the Japanese set is the translation context "StringTable" of the installed
// translator, the English set the texts themselves. "\n" in a text is a line break.
inline constexpr std::uint32_t IDS_COM_START_FAILED = 100;     // the component runtime cannot start
inline constexpr std::uint32_t IDS_CONNECTION_ERROR = 102;
inline constexpr std::uint32_t IDS_UPDATE_QUESTION = 104;
inline constexpr std::uint32_t IDS_UPDATE_COMPLETED = 106;
inline constexpr std::uint32_t IDS_MANUAL_OPEN_FAILED = 107;
inline constexpr std::uint32_t IDS_PREFERENCE_BROKEN = 108;
inline constexpr std::uint32_t IDS_DATA_INVALID = 110;
inline constexpr std::uint32_t IDS_FLASH_WRITE_FAILED = 111;
inline constexpr std::uint32_t IDS_HELP = 112;
inline constexpr std::uint32_t IDS_CAPTION = 113;              // caption of every message box of the program
inline constexpr std::uint32_t IDS_UPDATE_UNPROVEN = 114;      // the console's answer may be a late one
// The record of the console's owed answers cannot be used, by what failed: %1 the file (the folders
// looked for, for the missing folder), %2 the system's reason.
inline constexpr std::uint32_t IDS_LEDGER_NO_FOLDER = 115;
inline constexpr std::uint32_t IDS_LEDGER_UNREADABLE = 116;
inline constexpr std::uint32_t IDS_LEDGER_BROKEN = 117;
inline constexpr std::uint32_t IDS_LEDGER_UNWRITABLE = 118;

// The text of a string in the resource set in use; empty for an identifier the table does not hold.
[[nodiscard]] QString LoadResourceString(std::uint32_t nId);

#pragma once
#include <QString>
#include <cstdint>
#include <optional>
#include <string>

class CIniFile;

// The console chosen in the window's File > Console menu, kept in a section of its own of the preference
// file ("Console": "Client" and "PairId"), so that the window's other values stay as they are and a
// program that does not know the section leaves it alone.
struct StoredConsole {
    std::string strClient;
    std::uint32_t nPairId = 0;
};

// The stored console; none when the section is missing or incomplete.
[[nodiscard]] std::optional<StoredConsole> ReadStoredConsole(const CIniFile& ini);
void WriteStoredConsole(CIniFile& ini, const StoredConsole& console);
// The preference file of the window of the user who runs this (the window's own program name).
[[nodiscard]] QString WindowProfilePath();

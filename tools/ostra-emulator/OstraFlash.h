#pragma once
#include <string>

#include "OstraProtocol.h"

// The console's flash memory: the entry it holds, kept in a small text file so that a restarted
// emulator still knows its current entry.
//
//   name=<the entry's name; bytes below 20, 7F and backslash as \xNN>
//   values=<45 decimal values, space-separated>
class COstraFlash {
public:
    // Far more than the two lines of the format take.
    static constexpr std::size_t MAX_SIZE = 4096;

    // Reads the file; false when it is missing, not a regular file of at most MAX_SIZE bytes, not in this
    // format, or holds a name the console cannot send (the entry is then untouched).
    [[nodiscard]] static bool Load(const std::string& path, COstraProtocol::Entry& entry);
    // Writes the file atomically (CFileSaver: a temporary file of its own beside it, so that emulators
    // sharing one flash file never write into each other's). False when any step fails; the old file is
    // then still whole.
    [[nodiscard]] static bool Save(const std::string& path, const COstraProtocol::Entry& entry);
};

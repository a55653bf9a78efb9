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
    // Reads the file; false when it is missing, not in this format, or holds a name the console cannot
    // send (the entry is then untouched).
    [[nodiscard]] static bool Load(const std::string& path, COstraProtocol::Entry& entry);
    // Writes the file atomically: a temporary file beside it with a name of its own (so that emulators
    // sharing one flash file never write into each other's), flushed to disk, renamed over it. False when
    // any step fails; the old file is then still whole.
    [[nodiscard]] static bool Save(const std::string& path, const COstraProtocol::Entry& entry);
};

#pragma once
#include <cstddef>
#include <string>

// Reads a small file whole without ever blocking on it: the file is opened once, without waiting and
// closed on exec, and only a regular file of at most the given size is read, from that same descriptor.
// A FIFO, a device or a folder put where the file should be is refused, never waited on, and a huge file
// is refused before any of it is read.
class CBoundedFileReader {
public:
    enum class Outcome {
        Read,    // `text` holds the whole file
        Missing, // there is no file (or no folder) at the path
        Refused, // `reason` says why: not a regular file, too large, or an error of the system
    };

    [[nodiscard]] static Outcome Read(const std::string& path, std::size_t limit, std::string& text,
                                      std::string& reason);
};

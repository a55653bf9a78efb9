#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

// The console's identity request, which the driver sends to a pair that carries no tags to learn
// whether a console answers there, and the check of the answer. The bytes are the program's own
// (data/SysExFrames.h): a console that answers this request is one the program can talk to.
class CConsoleIdentity {
public:
    [[nodiscard]] static std::span<const std::uint8_t> Request();
    // Whether the bytes are exactly one well-formed identity reply: the reply's header, a name length
    // of at most the name field, the name field and pad as 7-bit bytes, the checksum and F7, 55 bytes in
    // all. `entry` then holds the name of the entry the console holds.
    [[nodiscard]] static bool IsReply(const std::uint8_t* pBytes, std::size_t count, std::string& entry);
};

#pragma once
// Messages of the console protocol as byte arrays, shared by the converter and data controller tests.
#include <cstddef>
#include <cstdint>
#include <numeric>
#include <vector>

namespace console_messages {

using Bytes = std::vector<std::uint8_t>;

// The data message of factory key 0, "Preset".
inline const Bytes kPresetMessage = [] {
    Bytes bytes = {
        0xF0, 0x7D, 0x00, 0x3E,                   // start, manufacturer, class data, 3E
        0x01, 0x00,                               // byte count 128
        0x13, 0x53, 0x44, 0x44, 0x54,             // 13, "SDDT"
        0x09,                                     // nine sets follow
        0x02, 0x16, 0x01, 0x45, 0x1C, 0x00, 0x64, 0x00, 0x45, // (278, 197, 28, 100, 69)
        0x02, 0x10, 0x01, 0x18, 0x2E, 0x00, 0x64, 0x00, 0x3E, // (272, 152, 46, 100, 62)
        0x02, 0x0B, 0x00, 0x2B, 0x41, 0x00, 0x64, 0x00, 0x37, // (267, 43, 65, 100, 55)
        0x01, 0x7E, 0x01, 0x11, 0x4B, 0x00, 0x64, 0x00, 0x43, // (254, 145, 75, 100, 67)
        0x01, 0x72, 0x01, 0x3F, 0x56, 0x00, 0x64, 0x00, 0x50, // (242, 191, 86, 100, 80)
        0x01, 0x69, 0x01, 0x30, 0x4A, 0x00, 0x64, 0x00, 0x52, // (233, 176, 74, 100, 82)
        0x01, 0x47, 0x01, 0x21, 0x30, 0x00, 0x64, 0x00, 0x54, // (199, 161, 48, 100, 84)
        0x01, 0x2D, 0x01, 0x09, 0x54, 0x00, 0x64, 0x00, 0x57, // (173, 137, 84, 100, 87)
        0x00, 0x39, 0x00, 0x38, 0x78, 0x00, 0x64, 0x00, 0x5B, // (57, 56, 120, 100, 91)
        0x06, 0x50, 0x72, 0x65, 0x73, 0x65, 0x74, // name length 6, "Preset"
    };
    bytes.insert(bytes.end(), 34, 0x00); // rest of the 40-byte name field
    bytes.insert(bytes.end(), {
        0x00, // pad
        0x01, // checksum
        0xF7, // end
    });
    return bytes;
}();

inline const Bytes kIdentityRequest = {
    0xF0, 0x7D, 0x20, 0x3E, 0x13, // start, manufacturer, class request, 3E, 13
    0x53, 0x44, 0x49, 0x44,       // "SDID"
    0xF7,                         // end
};

inline const Bytes kCompletion = {
    0xF0, 0x7D, 0x10, 0x3E, 0x13, // start, manufacturer, class completion, 3E, 13
    0x53, 0x44, 0x45, 0x44,       // "SDED"
    0x7F,                         // status: stored
    0xF7,                         // end
};

// Identity reply naming "Preset".
inline const Bytes kIdentity = [] {
    Bytes bytes = {
        0xF0, 0x7D, 0x00, 0x3E,                   // start, manufacturer, class data, 3E
        0x00, 0x2E,                               // byte count 46
        0x13, 0x53, 0x44, 0x49, 0x44,             // 13, "SDID"
        0x06,                                     // name length 6
        0x50, 0x72, 0x65, 0x73, 0x65, 0x74,       // "Preset"
    };
    bytes.insert(bytes.end(), 34, 0x00); // rest of the name field
    bytes.insert(bytes.end(), {
        0x00, // pad
        0x63, // checksum: 53+44+49+44 + 06 + "Preset" = 0x39D; 0x39D + 0x63 = 0x400
        0xF7, // end
    });
    return bytes;
}();

inline Bytes WithByte(Bytes bytes, std::size_t offset, std::uint8_t value)
{
    bytes[offset] = value;
    return bytes;
}

// The 7-bit checksum of bytes [first, end).
inline std::uint8_t Checksum(const Bytes& m, std::size_t first, std::size_t end)
{
    return static_cast<std::uint8_t>((128 - std::accumulate(m.begin() + first, m.begin() + end, 0u) % 128) % 128);
}

} // namespace console_messages

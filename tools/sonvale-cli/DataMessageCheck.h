#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "data/DataEntry.h"

class CSysExConverter;

// Judges the bytes of a file as the console would: exactly one 137-byte data message with its frame,
// tags, 7-bit bytes, checksum and a name of at most 40 bytes. The message is taken apart and built again
// with the program's converter; a file passes only when the two agree byte for byte.
class CDataMessageCheck {
public:
    // The reason is empty when the bytes are one valid data message; the name and the nine parameter
    // sets are then filled.
    struct Verdict {
        std::string reason;
        std::string name;
        std::array<ParameterSet, kParameterSetCount> sets{};
    };

    [[nodiscard]] static Verdict Judge(const std::vector<std::uint8_t>& bytes, const CSysExConverter& converter);
};

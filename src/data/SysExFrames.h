#pragma once
#include <cstdint>

// The constant bytes of the four system-exclusive messages exchanged with the console. Every frame
// opens with F0 and the manufacturer byte 7D, carries its message class and the bytes 3E and 13, and
// ends with F7; the bytes between F0 and F7 are 7-bit. Nothing else in the program spells these bytes.
namespace SysExFrames {

inline constexpr std::uint8_t kStart = 0xF0; // start of system exclusive
inline constexpr std::uint8_t kEnd = 0xF7;   // end of system exclusive

// Identity request, sent whole: asks for the name of the entry the console holds.
inline constexpr std::uint8_t kIdentityRequest[10] = {
    0xF0,                   // start of system exclusive
    0x7D,                   // manufacturer identifier
    0x20,                   // message class: request
    0x3E,                   //
    0x13,                   //
    0x53, 0x44, 0x49, 0x44, // tag "SDID"
    0xF7,                   // end of system exclusive
};

// Data message, offsets 0 to 11; parameter sets, name, pad, checksum and F7 follow.
inline constexpr std::uint8_t kDataHeader[12] = {
    0xF0,                   // start of system exclusive
    0x7D,                   // manufacturer identifier
    0x00,                   // message class: data
    0x3E,                   //
    0x01, 0x00,             // byte count 128 (count / 128, count mod 128) of offsets 7 to 134
    0x13,                   //
    0x53, 0x44, 0x44, 0x54, // tag "SDDT"
    0x09,                   // number of parameter sets that follow
};
inline constexpr std::uint8_t kDataPad = 0x00; // offset 134, after the name field

// Completion reply, all 11 bytes; offset 9 is the console's status.
inline constexpr std::uint8_t kCompletionReply[11] = {
    0xF0,                   // start of system exclusive
    0x7D,                   // manufacturer identifier
    0x10,                   // message class: completion
    0x3E,                   //
    0x13,                   //
    0x53, 0x44, 0x45, 0x44, // tag "SDED"
    0x7F,                   // status: accepted and stored in flash memory
    0xF7,                   // end of system exclusive
};
inline constexpr int kCompletionStatusOffset = 9;
inline constexpr std::uint8_t kStatusStored = 0x7F;       // data accepted and written to flash memory
inline constexpr std::uint8_t kStatusInvalid = 0x7E;      // data rejected as invalid
inline constexpr std::uint8_t kStatusFlashFailed = 0x7D;  // writing flash memory failed

// Identity reply, offsets 0 to 10; name length, name field, pad, checksum and F7 follow.
inline constexpr std::uint8_t kIdentityReplyHeader[11] = {
    0xF0,                   // start of system exclusive
    0x7D,                   // manufacturer identifier
    0x00,                   // message class: data
    0x3E,                   //
    0x00, 0x2E,             // byte count 46 (count / 128, count mod 128) of offsets 7 to 52
    0x13,                   //
    0x53, 0x44, 0x49, 0x44, // tag "SDID"
};

// Layout of the variable parts.
inline constexpr std::uint32_t kIdentityRequestLength = 10;
inline constexpr std::uint32_t kDataMessageLength = 137;
inline constexpr std::uint32_t kCompletionReplyLength = 11;
inline constexpr std::uint32_t kIdentityReplyLength = 55;
inline constexpr std::uint32_t kNameFieldLength = 40;       // name bytes carried by both messages
inline constexpr std::uint32_t kChecksumFirstOffset = 7;    // the tag's first byte
inline constexpr std::uint32_t kDataSetsOffset = 12;        // the nine parameter sets, after the header
inline constexpr std::uint32_t kDataSetLength = 9;          // 14-bit, 14-bit, 7-bit, 14-bit, 14-bit values
inline constexpr std::uint32_t kDataNameLengthOffset = 93;
inline constexpr std::uint32_t kDataNameOffset = 94;
inline constexpr std::uint32_t kDataChecksumOffset = 135;   // covers offsets 7 to 134
inline constexpr std::uint32_t kIdentityNameLengthOffset = 11;
inline constexpr std::uint32_t kIdentityNameOffset = 12;
inline constexpr std::uint32_t kIdentityChecksumOffset = 53; // covers offsets 7 to 52
inline constexpr std::uint32_t kIdentityEndOffset = 54;

static_assert(sizeof kIdentityRequest == kIdentityRequestLength);
static_assert(sizeof kCompletionReply == kCompletionReplyLength);
// Header, nine sets of 9 bytes, name length, name field, pad, checksum, F7.
static_assert(sizeof kDataHeader == kDataSetsOffset);
static_assert(kDataSetsOffset + 9 * kDataSetLength == kDataNameLengthOffset);
static_assert(kDataNameLengthOffset + 1 == kDataNameOffset);
static_assert(kDataNameOffset + kNameFieldLength + 1 + 1 + 1 == kDataMessageLength);
static_assert(kIdentityNameOffset + kNameFieldLength + 1 == kIdentityChecksumOffset);

// The 7-bit checksum that makes the covered bytes and itself add up to a multiple of 128.
[[nodiscard]] constexpr std::uint8_t Checksum(const std::uint8_t* bytes, std::uint32_t first, std::uint32_t end)
{
    std::uint32_t sum = 0;
    for (std::uint32_t i = first; i < end; ++i)
        sum += bytes[i];
    return static_cast<std::uint8_t>((0u - sum) & 0x7Fu);
}

} // namespace SysExFrames

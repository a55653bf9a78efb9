#include "OstraProtocol.h"

#include <cstdio>
#include <cstring>

namespace {

// Identity request, a constant.
constexpr std::uint8_t IDENTITY_REQUEST[10] = {
    0xF0,                   // start of system exclusive
    0x7D,                   // manufacturer identifier
    0x20,                   // message class: request
    0x3E, 0x13,             // constant
    0x53, 0x44, 0x49, 0x44, // tag "SDID"
    0xF7,                   // end of system exclusive
};

// The first 12 bytes of a data message.
constexpr std::uint8_t DATA_HEADER[12] = {
    0xF0,                   // start of system exclusive
    0x7D,                   // manufacturer identifier
    0x00,                   // message class: data
    0x3E,                   // constant
    0x01, 0x00,             // byte count 128 (count / 128, count mod 128), offsets 7 to 134
    0x13,                   // constant
    0x53, 0x44, 0x44, 0x54, // tag "SDDT"
    0x09,                   // number of parameter sets
};
constexpr std::size_t SETS_OFFSET = 12;
constexpr std::size_t NAME_LENGTH_OFFSET = 93;
constexpr std::size_t NAME_OFFSET = 94;
constexpr std::size_t DATA_CHECKSUM_OFFSET = 135;
constexpr std::size_t DATA_COVERED_FIRST = 7;
constexpr std::size_t DATA_COVERED_COUNT = 128;
// Bytes per value within a parameter set: values 1, 2, 4 and 5 take two bytes, value 3 one.
constexpr std::size_t VALUE_WIDTH[5] = {2, 2, 1, 2, 2};

} // namespace

std::uint8_t COstraProtocol::Checksum(const std::uint8_t* pBytes, std::size_t count)
{
    unsigned sum = 0;
    for (std::size_t i = 0; i < count; ++i)
        sum += pBytes[i];
    return static_cast<std::uint8_t>((0u - sum) & 0x7F);
}

COstraProtocol::Kind COstraProtocol::Classify(const std::uint8_t* pBytes, std::size_t count)
{
    if (count == sizeof IDENTITY_REQUEST && std::memcmp(pBytes, IDENTITY_REQUEST, count) == 0)
        return Kind::IdentityRequest;
    if (count >= 2 && pBytes[0] == 0xF0 && pBytes[1] == 0x7D)
        return Kind::DataMessage;
    return Kind::Foreign;
}

bool COstraProtocol::CheckDataMessage(const std::uint8_t* pBytes, std::size_t count, Entry& entry,
                                      std::string& reason)
{
    if (count != DATA_MESSAGE_LENGTH) {
        reason = "length " + std::to_string(count) + ", not 137";
        return false;
    }
    if (pBytes[count - 1] != 0xF7) {
        reason = "no F7 at the end";
        return false;
    }
    for (std::size_t i = 1; i + 1 < count; ++i) {
        if (pBytes[i] >= 0x80) {
            reason = "byte " + std::to_string(i) + " not below 80";
            return false;
        }
    }
    if (std::memcmp(pBytes, DATA_HEADER, 4) != 0 || pBytes[6] != DATA_HEADER[6]) {
        reason = "wrong frame";
        return false;
    }
    if (pBytes[4] != DATA_HEADER[4] || pBytes[5] != DATA_HEADER[5]) {
        reason = "byte count not 128";
        return false;
    }
    if (std::memcmp(pBytes + 7, DATA_HEADER + 7, 4) != 0) {
        reason = "tag not SDDT";
        return false;
    }
    if (pBytes[11] != DATA_HEADER[11]) {
        reason = "set count not 9";
        return false;
    }
    const std::size_t nameLength = pBytes[NAME_LENGTH_OFFSET];
    if (nameLength > NAME_FIELD) {
        reason = "name length " + std::to_string(nameLength) + " over 40";
        return false;
    }
    if (pBytes[DATA_CHECKSUM_OFFSET] != Checksum(pBytes + DATA_COVERED_FIRST, DATA_COVERED_COUNT)) {
        reason = "wrong checksum";
        return false;
    }
    std::size_t at = SETS_OFFSET;
    for (std::size_t v = 0; v < VALUE_COUNT; ++v) {
        const std::size_t width = VALUE_WIDTH[v % 5];
        entry.values[v] = width == 2 ? static_cast<std::uint16_t>((pBytes[at] << 7) | pBytes[at + 1]) : pBytes[at];
        at += width;
    }
    entry.name.assign(reinterpret_cast<const char*>(pBytes + NAME_OFFSET), nameLength);
    reason.clear();
    return true;
}

bool COstraProtocol::CheckName(const std::string& name, std::string& reason)
{
    if (name.size() > NAME_FIELD) {
        reason = "it has " + std::to_string(name.size()) + " bytes; a console name has at most 40";
        return false;
    }
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto byte = static_cast<std::uint8_t>(name[i]);
        if (byte >= 0x80) {
            char hex[3];
            std::snprintf(hex, sizeof hex, "%02X", byte);
            reason = "byte " + std::to_string(i + 1) + " is " + hex + "; a console name is 7-bit text (ASCII)";
            return false;
        }
    }
    reason.clear();
    return true;
}

std::vector<std::uint8_t> COstraProtocol::BuildIdentityReply(const std::string& name)
{
    std::vector<std::uint8_t> reply = {
        0xF0,                   // start of system exclusive
        0x7D,                   // manufacturer identifier
        0x00,                   // message class: data
        0x3E,                   // constant
        0x00, 0x2E,             // byte count 46, offsets 7 to 52
        0x13,                   // constant
        0x53, 0x44, 0x49, 0x44, // tag "SDID"
    };
    const std::size_t length = name.size() < NAME_FIELD ? name.size() : NAME_FIELD;
    reply.push_back(static_cast<std::uint8_t>(length)); // name length
    for (std::size_t i = 0; i < NAME_FIELD; ++i)
        reply.push_back(i < length ? static_cast<std::uint8_t>(name[i]) : 0x00);
    reply.push_back(0x00); // constant
    reply.push_back(Checksum(reply.data() + 7, 46));
    reply.push_back(0xF7); // end of system exclusive
    return reply;
}

std::vector<std::uint8_t> COstraProtocol::BuildCompletionReply(std::uint8_t status)
{
    return {
        0xF0,                   // start of system exclusive
        0x7D,                   // manufacturer identifier
        0x10,                   // message class: completion
        0x3E, 0x13,             // constant
        0x53, 0x44, 0x45, 0x44, // tag "SDED"
        status,                 // 7F stored, 7E invalid, 7D flash write failed
        0xF7,                   // end of system exclusive
    };
}

std::string COstraProtocol::Hex(const std::uint8_t* pBytes, std::size_t count)
{
    std::string text;
    char part[4];
    for (std::size_t i = 0; i < count; ++i) {
        std::snprintf(part, sizeof part, i ? " %02X" : "%02X", pBytes[i]);
        text += part;
    }
    return text;
}

std::string COstraProtocol::Describe(const std::uint8_t* pBytes, std::size_t count)
{
    switch (Classify(pBytes, count)) {
    case Kind::IdentityRequest:
        return "identity request";
    case Kind::Foreign:
        return "not for this console";
    case Kind::DataMessage:
        break;
    }
    Entry entry;
    std::string reason;
    if (CheckDataMessage(pBytes, count, entry, reason))
        return "data message \"" + entry.name + "\"";
    if (count == 11 && std::memcmp(pBytes + 5, "SDED", 4) == 0)
        return "completion reply, status " + Hex(pBytes + 9, 1);
    if (count == 55 && std::memcmp(pBytes + 7, "SDID", 4) == 0)
        return "identity reply";
    return "invalid data message: " + reason;
}

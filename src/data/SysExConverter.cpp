#include "data/SysExConverter.h"

#include "data/SysExFrames.h"

#include <cstring>

namespace {

using namespace SysExFrames;

// Appends bytes to a caller's buffer, comparing the offset with the capacity before every byte.
class ByteWriter {
public:
    ByteWriter(std::uint8_t* buffer, std::uint32_t capacity) : m_pBuffer(buffer), m_nCapacity(buffer ? capacity : 0) {}

    [[nodiscard]] bool Put(std::uint8_t byte)
    {
        if (m_nOffset >= m_nCapacity)
            return false;
        m_pBuffer[m_nOffset++] = byte;
        return true;
    }
    [[nodiscard]] bool Put(const std::uint8_t* bytes, std::uint32_t count)
    {
        for (std::uint32_t i = 0; i < count; ++i)
            if (!Put(bytes[i]))
                return false;
        return true;
    }
    // A 14-bit value, high seven bits first.
    [[nodiscard]] bool Put14(std::int16_t value)
    {
        const auto v = static_cast<std::uint16_t>(value);
        return Put(static_cast<std::uint8_t>((v >> 7) & 0x7F)) && Put(static_cast<std::uint8_t>(v & 0x7F));
    }
    [[nodiscard]] std::uint8_t Checksum(std::uint32_t first) const { return SysExFrames::Checksum(m_pBuffer, first, m_nOffset); }
    [[nodiscard]] std::uint32_t Offset() const { return m_nOffset; }

private:
    std::uint8_t* m_pBuffer;
    std::uint32_t m_nCapacity;
    std::uint32_t m_nOffset = 0;
};

} // namespace

ResultCode CSysExConverter::BuildIdentityRequest(std::uint8_t* buffer, std::uint32_t& length) const
{
    ByteWriter out(buffer, length);
    if (!out.Put(kIdentityRequest, sizeof kIdentityRequest))
        return RC_BUFFER_TOO_SMALL;
    length = out.Offset();
    return RC_OK;
}

ResultCode CSysExConverter::BuildDataMessage(std::uint8_t* buffer, std::span<const ParameterSet, kParameterSetCount> sets,
                                             const char* name, std::uint32_t& length) const
{
    ByteWriter out(buffer, length);
    if (!out.Put(kDataHeader, sizeof kDataHeader))
        return RC_BUFFER_TOO_SMALL;
    for (const ParameterSet& set : sets) {
        const auto* v = set.values;
        if (!out.Put14(v[0]) || !out.Put14(v[1]) || !out.Put(static_cast<std::uint8_t>(v[2] & 0x7F)) ||
            !out.Put14(v[3]) || !out.Put14(v[4]))
            return RC_BUFFER_TOO_SMALL;
    }
    const std::uint32_t nameLength = name != nullptr ? static_cast<std::uint32_t>(strnlen(name, kNameFieldLength)) : 0;
    if (!out.Put(static_cast<std::uint8_t>(nameLength)))
        return RC_BUFFER_TOO_SMALL;
    // A name byte of 80 or above would end or break the system-exclusive message on the wire (F7 ends
    // it, the others are status bytes), so only its low seven bits are sent. ASCII names pass unchanged.
    for (std::uint32_t i = 0; i < kNameFieldLength; ++i) {
        const auto byte = i < nameLength ? static_cast<std::uint8_t>(static_cast<unsigned char>(name[i]) & 0x7F) : 0;
        if (!out.Put(byte))
            return RC_BUFFER_TOO_SMALL;
    }
    if (!out.Put(kDataPad) || !out.Put(out.Checksum(kChecksumFirstOffset)) || !out.Put(kEnd))
        return RC_BUFFER_TOO_SMALL;
    length = out.Offset();
    return RC_OK;
}

ResultCode CSysExConverter::CheckCompletionReply(const std::uint8_t* bytes, std::uint32_t count, bool& matched) const
{
    matched = false;
    if (bytes == nullptr)
        return RC_OK;
    ResultCode result = RC_OK;
    for (std::uint32_t i = 0; i < kCompletionReplyLength; ++i) {
        if (i >= count)
            return RC_OK;
        if (bytes[i] == kCompletionReply[i])
            continue;
        if (i == kCompletionStatusOffset && bytes[i] == kStatusInvalid)
            result = RC_REPLY_DATA_INVALID;
        else if (i == kCompletionStatusOffset && bytes[i] == kStatusFlashFailed)
            result = RC_REPLY_FLASH_FAILED;
        else
            return RC_OK;
    }
    matched = true;
    return result;
}

ResultCode CSysExConverter::ParseIdentityReply(const std::uint8_t* bytes, std::uint32_t count, char* nameBuffer,
                                               std::uint32_t capacity, bool& valid) const
{
    valid = false;
    if (bytes == nullptr || count <= kIdentityNameLengthOffset)
        return RC_OK;
    if (std::memcmp(bytes, kIdentityReplyHeader, sizeof kIdentityReplyHeader) != 0)
        return RC_OK;
    const std::uint32_t nameLength = bytes[kIdentityNameLengthOffset];
    if (nameBuffer == nullptr || nameLength + 1 > capacity)
        return RC_OK;
    // Offsets 12 to 52: the name field and the pad byte after it.
    if (count < kIdentityChecksumOffset)
        return RC_OK;
    const std::uint32_t significant = nameLength < kNameFieldLength ? nameLength : kNameFieldLength;
    std::memcpy(nameBuffer, bytes + kIdentityNameOffset, significant);
    nameBuffer[significant] = '\0';
    if (count <= kIdentityChecksumOffset ||
        bytes[kIdentityChecksumOffset] != Checksum(bytes, kChecksumFirstOffset, kIdentityChecksumOffset))
        return RC_OK;
    if (count <= kIdentityEndOffset || bytes[kIdentityEndOffset] != kEnd)
        return RC_OK;
    valid = true;
    return RC_OK;
}

ResultCode CSysExConverter::ParseReply(const std::uint8_t* bytes, std::uint32_t count, char* nameBuffer,
                                       std::uint32_t capacity, int& kind) const
{
    bool matched = false;
    const ResultCode completion = CheckCompletionReply(bytes, count, matched);
    if (matched) {
        kind = kReplyCompletion;
        return completion;
    }
    bool valid = false;
    const ResultCode identity = ParseIdentityReply(bytes, count, nameBuffer, capacity, valid);
    kind = valid ? kReplyIdentity : kReplyNone;
    return identity;
}

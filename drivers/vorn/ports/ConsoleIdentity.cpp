#include "ConsoleIdentity.h"

#include <algorithm>
#include <cstring>

#include "data/SysExFrames.h"

std::span<const std::uint8_t> CConsoleIdentity::Request() { return SysExFrames::kIdentityRequest; }

bool CConsoleIdentity::IsReply(const std::uint8_t* pBytes, std::size_t count, std::string& entry)
{
    using namespace SysExFrames;
    entry.clear();
    if (pBytes == nullptr || count != kIdentityReplyLength)
        return false;
    if (std::memcmp(pBytes, kIdentityReplyHeader, sizeof kIdentityReplyHeader) != 0)
        return false;
    if (!std::all_of(pBytes + 1, pBytes + kIdentityEndOffset, [](std::uint8_t b) { return b < 0x80; }))
        return false;
    const std::uint32_t length = pBytes[kIdentityNameLengthOffset];
    if (length > kNameFieldLength)
        return false;
    if (pBytes[kIdentityChecksumOffset] != Checksum(pBytes, kChecksumFirstOffset, kIdentityChecksumOffset)
        || pBytes[kIdentityEndOffset] != kEnd)
        return false;
    entry.assign(reinterpret_cast<const char*>(pBytes + kIdentityNameOffset), length);
    return true;
}

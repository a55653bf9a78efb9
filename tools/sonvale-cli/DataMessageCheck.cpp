#include "DataMessageCheck.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "data/SysExConverter.h"
#include "data/SysExFrames.h"

namespace {

using namespace SysExFrames;

std::string Byte(std::uint8_t value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02X", static_cast<unsigned>(value));
    return text;
}

std::string At(std::size_t offset, std::uint8_t found, std::uint8_t due)
{
    return "the byte at offset " + std::to_string(offset) + " is " + Byte(found) + " where a data message has " +
           Byte(due);
}

std::int16_t Value14(const std::uint8_t* bytes) { return static_cast<std::int16_t>((bytes[0] << 7) | bytes[1]); }

// What is wrong with the framing, before the content is looked at.
std::string FrameProblem(const std::vector<std::uint8_t>& bytes)
{
    if (bytes.empty())
        return "the file is empty";
    if (bytes.front() != kStart)
        return "it does not begin with F0, the start of a system-exclusive message";
    const auto end = std::find(bytes.begin(), bytes.end(), kEnd);
    if (end == bytes.end())
        return "it ends before its message does (no F7): the file is cut";
    const auto length = static_cast<std::size_t>(end - bytes.begin()) + 1;
    if (length < bytes.size())
        return std::find(end + 1, bytes.end(), kStart) != bytes.end()
                   ? "it holds more than one message"
                   : "bytes follow the end of its message";
    if (length == sizeof kIdentityRequest && std::equal(bytes.begin(), bytes.end(), kIdentityRequest))
        return "it is an identity request, not a data message";
    if (length != kDataMessageLength)
        return "its message is " + std::to_string(length) + " bytes long; a data message has " +
               std::to_string(kDataMessageLength);
    for (std::size_t i = 0; i < sizeof kDataHeader; ++i)
        if (bytes[i] != kDataHeader[i])
            return At(i, bytes[i], kDataHeader[i]) + " (the header and tag of a data message)";
    for (std::size_t i = 1; i + 1 < bytes.size(); ++i)
        if (bytes[i] >= 0x80)
            return "the byte at offset " + std::to_string(i) + " is " + Byte(bytes[i]) +
                   ": only seven-bit bytes may stand between F0 and F7";
    if (bytes[kDataNameLengthOffset] > kNameFieldLength)
        return "its name length is " + std::to_string(bytes[kDataNameLengthOffset]) + "; a name has at most " +
               std::to_string(kNameFieldLength) + " bytes";
    const std::uint8_t checksum = Checksum(bytes.data(), kChecksumFirstOffset, kDataChecksumOffset);
    if (bytes[kDataChecksumOffset] != checksum)
        return "its checksum is " + Byte(bytes[kDataChecksumOffset]) + " where " + Byte(checksum) + " is due";
    return {};
}

} // namespace

CDataMessageCheck::Verdict CDataMessageCheck::Judge(const std::vector<std::uint8_t>& bytes,
                                                    const CSysExConverter& converter)
{
    Verdict verdict;
    verdict.reason = FrameProblem(bytes);
    if (!verdict.reason.empty())
        return verdict;

    for (int set = 0; set < kParameterSetCount; ++set) {
        const std::uint8_t* p = bytes.data() + kDataSetsOffset + kDataSetLength * set;
        verdict.sets[set] = {{Value14(p), Value14(p + 2), p[4], Value14(p + 5), Value14(p + 7)}};
    }
    verdict.name.assign(reinterpret_cast<const char*>(bytes.data() + kDataNameOffset), bytes[kDataNameLengthOffset]);

    std::array<std::uint8_t, kDataMessageLength> rebuilt{};
    std::uint32_t length = rebuilt.size();
    if (converter.BuildDataMessage(rebuilt.data(), verdict.sets, verdict.name.c_str(), length) != RC_OK ||
        length != rebuilt.size()) {
        verdict.reason = "its data cannot be built into a message again";
        return verdict;
    }
    // What the checks above leave: a zero byte inside the name, or bytes other than 00 after it.
    const auto mismatch = std::mismatch(bytes.begin(), bytes.end(), rebuilt.begin());
    if (mismatch.first != bytes.end()) {
        const auto offset = static_cast<std::size_t>(mismatch.first - bytes.begin());
        verdict.reason = At(offset, *mismatch.first, *mismatch.second) + " for this name and these values";
    }
    return verdict;
}

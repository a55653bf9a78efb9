// Feeds arbitrary received messages (up to 2 KB) to ParseReply with name buffers of several exact
// sizes. The sanitizers catch any read at or past the count and any write past the name buffer; the
// checks below catch a classification that contradicts the reply rules, and an answer the driver takes
// for a console's identity reply (CConsoleIdentity) that the program would not read as one.
#include "data/SysExConverter.h"
#include "ConsoleIdentity.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

constexpr std::size_t kMaxInput = 2048;
constexpr std::uint32_t kCapacities[] = {0, 1, 2, 6, 7, 40, 41, 42, 127, 128, 256, 300};

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > kMaxInput)
        return -1;
    const CSysExConverter converter;
    const auto count = static_cast<std::uint32_t>(size);
    std::string asked;
    if (CConsoleIdentity::IsReply(data, size, asked)) {
        char name[41] = {};
        int kind = -1;
        Require(converter.ParseReply(data, count, name, sizeof name, kind) == RC_OK);
        Require(kind == CSysExConverter::kReplyIdentity);
        Require(asked.substr(0, asked.find('\0')) == name);
    }
    bool identitySeen = false;
    for (const std::uint32_t capacity : kCapacities) {
        auto name = std::make_unique<char[]>(capacity == 0 ? 1 : capacity);
        int kind = -1;
        const ResultCode result = converter.ParseReply(data, count, capacity == 0 ? nullptr : name.get(), capacity, kind);
        switch (kind) {
        case CSysExConverter::kReplyCompletion:
            Require(size >= 11);
            Require(result == RC_OK || result == RC_REPLY_DATA_INVALID || result == RC_REPLY_FLASH_FAILED);
            break;
        case CSysExConverter::kReplyIdentity: {
            Require(result == RC_OK && size >= 55 && data[54] == 0xF7);
            const std::size_t length = strnlen(name.get(), capacity);
            Require(length < capacity && length <= CSysExConverter::kMaxNameLength);
            identitySeen = true;
            break;
        }
        case CSysExConverter::kReplyNone:
            Require(result == RC_OK);
            // A larger name buffer never loses a reply that a smaller one accepted.
            Require(!identitySeen);
            break;
        default:
            std::abort();
        }
    }
    return 0;
}

// Which answers to the identity request make a port pair a console.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ConsoleIdentity.h"

namespace {

// A well-formed identity reply naming "Preset", as the console sends it.
const std::vector<std::uint8_t> kReply = {
    0xF0,                         // start of system exclusive
    0x7D, 0x00, 0x3E, 0x00, 0x2E, // manufacturer, class data, 3E, byte count 46
    0x13,                         //
    0x53, 0x44, 0x49, 0x44,       // tag "SDID"
    0x06,                         // name length 6
    0x50, 0x72, 0x65, 0x73, 0x65, 0x74, 0x00, 0x00, 0x00, 0x00, // "Preset", then zeros to 40 bytes
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, //
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, //
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, //
    0x00,                         // pad
    0x63,                         // checksum of offsets 7 to 52
    0xF7,                         // end of system exclusive
};

std::vector<std::uint8_t> Changed(std::size_t offset, std::uint8_t value)
{
    std::vector<std::uint8_t> bytes = kReply;
    bytes[offset] = value;
    return bytes;
}

TEST(ConsoleIdentityTest, OnlyAWellFormedIdentityReplyIsAConsole)
{
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        bool console;
    };
    std::vector<std::uint8_t> longer = kReply;
    longer.insert(longer.end() - 1, 0x00);
    std::vector<std::uint8_t> fortyOne = Changed(11, 41); // a name longer than its field
    fortyOne[53] = static_cast<std::uint8_t>((fortyOne[53] - 35) & 0x7F); // checksum kept right
    const Case cases[] = {
        {"the reply", kReply, true},
        {"the identity request itself, echoed", {0xF0, 0x7D, 0x20, 0x3E, 0x13, 0x53, 0x44, 0x49, 0x44, 0xF7}, false},
        {"the completion reply", {0xF0, 0x7D, 0x10, 0x3E, 0x13, 0x53, 0x44, 0x45, 0x44, 0x7F, 0xF7}, false},
        {"the emulator's garbage", {0xF0, 0x7D, 0x55, 0x2A, 0x00, 0x7F, 0x13, 0x66, 0x01, 0xF7}, false},
        {"another maker's identity reply", {0xF0, 0x7E, 0x00, 0x06, 0x02, 0x41, 0x10, 0x01, 0x00, 0x00, 0xF7}, false},
        {"a wrong checksum", Changed(53, 0x64), false},
        {"no F7 at the end", Changed(54, 0x00), false},
        {"a byte of 8 bits in the name", Changed(12, 0xD0), false},
        {"a wrong tag", Changed(10, 0x45), false},
        {"one byte too many", longer, false},
        {"one byte short", {kReply.begin(), kReply.end() - 1}, false},
        {"a name length over the field", fortyOne, false},
        {"nothing", {}, false},
    };
    for (const Case& c : cases) {
        std::string entry;
        EXPECT_EQ(CConsoleIdentity::IsReply(c.bytes.data(), c.bytes.size(), entry), c.console) << c.what;
        EXPECT_EQ(entry, c.console ? "Preset" : "") << c.what;
    }
}

} // namespace

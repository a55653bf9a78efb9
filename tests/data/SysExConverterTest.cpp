#include "data/ConsoleMessages.h"
#include "data/FactoryTables.h"
#include "data/SysExConverter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <numeric>
#include <string>
#include <vector>

namespace {

using namespace console_messages;

std::span<const ParameterSet, 9> SetsOf(const DataEntry& entry)
{
    return std::span<const ParameterSet, 9>(entry.parameterSets);
}

// ---------------------------------------------------------------------------------------------------
// Building

Bytes Build(const DataEntry& entry, const char* name)
{
    CSysExConverter converter;
    Bytes out(CSysExConverter::kDataMessageLength);
    std::uint32_t length = static_cast<std::uint32_t>(out.size());
    EXPECT_EQ(converter.BuildDataMessage(out.data(), SetsOf(entry), name, length), RC_OK);
    EXPECT_EQ(length, CSysExConverter::kDataMessageLength);
    return out;
}

TEST(SysExBuild, PresetMessageMatchesTheConsoleFormatByteForByte)
{
    const DataEntry& preset = EnglishFactoryTable()[0];
    EXPECT_EQ(Build(preset, preset.name), kPresetMessage);
}

TEST(SysExBuild, EveryFactoryEntryGivesAWellFormedMessage)
{
    for (const DataSet table : {EnglishFactoryTable(), JapaneseFactoryTable()}) {
        for (int row = 0; row < kFactoryEntryCount; ++row) {
            SCOPED_TRACE(row);
            const Bytes m = Build(table[row], table[row].name);
            ASSERT_EQ(m.size(), 137u);
            EXPECT_EQ(m[0], 0xF0);
            EXPECT_EQ(m[136], 0xF7);
            EXPECT_EQ(m[93], std::strlen(table[row].name));
            EXPECT_EQ(std::accumulate(m.begin() + 7, m.begin() + 136, 0u) % 128, 0u);
            for (std::size_t i = 1; i < 136; ++i)
                EXPECT_LT(m[i], 0x80) << "offset " << i;
        }
    }
}

TEST(SysExBuild, NameIsCutToFortyBytes)
{
    const std::string name41 = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmno";
    ASSERT_EQ(name41.size(), 41u);
    const Bytes m = Build(EnglishFactoryTable()[0], name41.c_str());
    EXPECT_EQ(m[93], 0x28);
    EXPECT_EQ(std::string(m.begin() + 94, m.begin() + 134), name41.substr(0, 40));
    EXPECT_EQ(m[134], 0x00);
    EXPECT_EQ(std::accumulate(m.begin() + 7, m.begin() + 136, 0u) % 128, 0u);
}

TEST(SysExBuild, NameBytesStaySevenBitAndANullNameIsEmpty)
{
    const Bytes high = Build(EnglishFactoryTable()[0], "A\xF7\xE3\x81\x82");
    EXPECT_EQ(high[93], 5);
    EXPECT_EQ((Bytes{high.begin() + 94, high.begin() + 99}), (Bytes{0x41, 0x77, 0x63, 0x01, 0x02}));
    for (std::size_t i = 1; i < 136; ++i)
        EXPECT_LT(high[i], 0x80) << "offset " << i;

    const Bytes empty = Build(EnglishFactoryTable()[0], nullptr);
    EXPECT_EQ(empty[93], 0);
    EXPECT_EQ(Bytes(empty.begin() + 94, empty.begin() + 134), Bytes(40, 0x00));
}

// A buffer of exactly the given capacity: AddressSanitizer reports a write past it.
TEST(SysExBuild, CapacityBelowTheMessageIsRefusedBeforeWritingPastIt)
{
    CSysExConverter converter;
    const DataEntry& preset = EnglishFactoryTable()[0];
    for (const std::uint32_t capacity : {0u, 1u, 11u, 12u, 93u, 134u, 135u, 136u}) {
        SCOPED_TRACE(capacity);
        auto buffer = std::make_unique<std::uint8_t[]>(capacity + 1);
        buffer[capacity] = 0xAA; // guard byte just past the capacity
        std::uint32_t length = capacity;
        EXPECT_EQ(converter.BuildDataMessage(buffer.get(), SetsOf(preset), preset.name, length), RC_BUFFER_TOO_SMALL);
        EXPECT_EQ(buffer[capacity], 0xAA);
        EXPECT_EQ(length, capacity);
    }
    for (const std::uint32_t capacity : {0u, 9u}) {
        Bytes buffer(capacity);
        std::uint32_t length = capacity;
        EXPECT_EQ(converter.BuildIdentityRequest(buffer.data(), length), RC_BUFFER_TOO_SMALL);
    }
}

TEST(SysExBuild, IdentityRequestIsTheConstantFrame)
{
    CSysExConverter converter;
    Bytes buffer(64, 0xAA);
    std::uint32_t length = static_cast<std::uint32_t>(buffer.size());
    ASSERT_EQ(converter.BuildIdentityRequest(buffer.data(), length), RC_OK);
    ASSERT_EQ(length, 10u);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 10), kIdentityRequest);
    EXPECT_EQ(buffer[10], 0xAA);
}

// ---------------------------------------------------------------------------------------------------
// Recognising replies

struct Parsed {
    ResultCode result;
    int kind;
    std::string name;
};

// Parses from an exact-size copy, so that AddressSanitizer reports any read at or past the count.
Parsed Parse(const Bytes& bytes, std::uint32_t capacity = 64)
{
    auto copy = std::make_unique<std::uint8_t[]>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), copy.get());
    std::vector<char> name(capacity + 1, '\x01');
    int kind = -1;
    CSysExConverter converter;
    const ResultCode result =
        converter.ParseReply(copy.get(), static_cast<std::uint32_t>(bytes.size()), name.data(), capacity, kind);
    return {result, kind, kind == CSysExConverter::kReplyIdentity ? std::string(name.data()) : std::string()};
}

TEST(SysExParse, CompletionStatuses)
{
    const Parsed stored = Parse(kCompletion);
    EXPECT_EQ(stored.kind, CSysExConverter::kReplyCompletion);
    EXPECT_EQ(stored.result, RC_OK);

    const Parsed invalid = Parse(WithByte(kCompletion, 9, 0x7E));
    EXPECT_EQ(invalid.kind, CSysExConverter::kReplyCompletion);
    EXPECT_EQ(invalid.result, RC_REPLY_DATA_INVALID);

    const Parsed flash = Parse(WithByte(kCompletion, 9, 0x7D));
    EXPECT_EQ(flash.kind, CSysExConverter::kReplyCompletion);
    EXPECT_EQ(flash.result, RC_REPLY_FLASH_FAILED);

    const Parsed unknown = Parse(WithByte(kCompletion, 9, 0x7C));
    EXPECT_EQ(unknown.kind, CSysExConverter::kReplyNone);
    EXPECT_EQ(unknown.result, RC_OK);
}

TEST(SysExParse, CompletionMustBeWholeAndExact)
{
    EXPECT_EQ(Parse(Bytes(kCompletion.begin(), kCompletion.begin() + 10)).kind, CSysExConverter::kReplyNone);
    // A failure status followed by a wrong last byte is no reply at all, and no failure either.
    const Parsed brokenEnd = Parse(WithByte(WithByte(kCompletion, 9, 0x7E), 10, 0xF6));
    EXPECT_EQ(brokenEnd.kind, CSysExConverter::kReplyNone);
    EXPECT_EQ(brokenEnd.result, RC_OK);
    EXPECT_EQ(Parse(WithByte(kCompletion, 2, 0x00)).kind, CSysExConverter::kReplyNone);
    // Bytes after the eleventh do not matter.
    Bytes longer = kCompletion;
    longer.push_back(0x00);
    EXPECT_EQ(Parse(longer).kind, CSysExConverter::kReplyCompletion);
}

TEST(SysExParse, IdentityReplyCarriesTheConsolesEntryName)
{
    ASSERT_EQ(kIdentity.size(), 55u);
    const Parsed parsed = Parse(kIdentity);
    EXPECT_EQ(parsed.kind, CSysExConverter::kReplyIdentity);
    EXPECT_EQ(parsed.result, RC_OK);
    EXPECT_EQ(parsed.name, "Preset");
}

TEST(SysExParse, DamagedIdentityRepliesAreNoReply)
{
    EXPECT_EQ(Parse(WithByte(kIdentity, 53, 0x64)).kind, CSysExConverter::kReplyNone);  // checksum
    EXPECT_EQ(Parse(WithByte(kIdentity, 54, 0xF6)).kind, CSysExConverter::kReplyNone);  // end byte
    EXPECT_EQ(Parse(WithByte(kIdentity, 5, 0x2F)).kind, CSysExConverter::kReplyNone);   // byte count
    EXPECT_EQ(Parse(WithByte(kIdentity, 10, 0x45)).kind, CSysExConverter::kReplyNone);  // tag "SDIE"
    // Every message cut short, from the empty one to 54 bytes.
    for (std::size_t count = 0; count < kIdentity.size(); ++count)
        EXPECT_EQ(Parse(Bytes(kIdentity.begin(), kIdentity.begin() + count)).kind, CSysExConverter::kReplyNone)
            << count << " bytes";
}

TEST(SysExParse, NameLengthPlusTerminatorMustFitTheCapacity)
{
    EXPECT_EQ(Parse(kIdentity, 6).kind, CSysExConverter::kReplyNone); // L + 1 = 7 > 6
    const Parsed exact = Parse(kIdentity, 7);
    EXPECT_EQ(exact.kind, CSysExConverter::kReplyIdentity);
    EXPECT_EQ(exact.name, "Preset");
    EXPECT_EQ(Parse(kIdentity, 0).kind, CSysExConverter::kReplyNone);
}

TEST(SysExParse, LongNamesKeepTheirFirstFortyBytes)
{
    Bytes full = kIdentity;
    for (std::size_t i = 0; i < 40; ++i)
        full[12 + i] = static_cast<std::uint8_t>('a' + i % 26);
    for (const std::uint8_t length : {std::uint8_t{40}, std::uint8_t{0x60}}) {
        SCOPED_TRACE(length);
        Bytes reply = WithByte(full, 11, length);
        reply[53] = Checksum(reply, 7, 53);
        const Parsed parsed = Parse(reply, length + 1u);
        EXPECT_EQ(parsed.kind, CSysExConverter::kReplyIdentity);
        EXPECT_EQ(parsed.name, std::string(full.begin() + 12, full.begin() + 52));
        EXPECT_EQ(Parse(reply, length).kind, CSysExConverter::kReplyNone);
    }
}

TEST(SysExParse, RecognisersOnTheirOwn)
{
    CSysExConverter converter;
    bool matched = true;
    EXPECT_EQ(converter.CheckCompletionReply(kIdentity.data(), 55, matched), RC_OK);
    EXPECT_FALSE(matched);
    EXPECT_EQ(converter.CheckCompletionReply(WithByte(kCompletion, 9, 0x7D).data(), 11, matched), RC_REPLY_FLASH_FAILED);
    EXPECT_TRUE(matched);

    char name[41];
    bool valid = true;
    EXPECT_EQ(converter.ParseIdentityReply(kCompletion.data(), 11, name, sizeof name, valid), RC_OK);
    EXPECT_FALSE(valid);
    EXPECT_EQ(converter.ParseIdentityReply(kIdentity.data(), 55, nullptr, 41, valid), RC_OK);
    EXPECT_FALSE(valid);
    EXPECT_EQ(converter.ParseIdentityReply(kIdentity.data(), 55, name, sizeof name, valid), RC_OK);
    EXPECT_TRUE(valid);
    EXPECT_STREQ(name, "Preset");

    int kind = -1;
    EXPECT_EQ(converter.ParseReply(nullptr, 0, name, sizeof name, kind), RC_OK);
    EXPECT_EQ(kind, CSysExConverter::kReplyNone);
}

} // namespace

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <numeric>
#include <thread>

#include "OstraClient.h"

#include "OstraFlash.h"
#include "OstraHostile.h"
#include "OstraOptions.h"
#include "OstraProtocol.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// The data message for the factory entry "Preset", byte for byte as the program sends it.
Bytes PresetMessage()
{
    Bytes m = {
        0xF0, 0x7D, 0x00, 0x3E, // start, manufacturer, class "data", constant
        0x01, 0x00,             // byte count 128
        0x13,                   // constant
        0x53, 0x44, 0x44, 0x54, // "SDDT"
        0x09,                   // nine parameter sets
        0x02, 0x16, 0x01, 0x45, 0x1C, 0x00, 0x64, 0x00, 0x45, // set 0
        0x02, 0x10, 0x01, 0x18, 0x2E, 0x00, 0x64, 0x00, 0x3E, // set 1
        0x02, 0x0B, 0x00, 0x2B, 0x41, 0x00, 0x64, 0x00, 0x37, // set 2
        0x01, 0x7E, 0x01, 0x11, 0x4B, 0x00, 0x64, 0x00, 0x43, // set 3
        0x01, 0x72, 0x01, 0x3F, 0x56, 0x00, 0x64, 0x00, 0x50, // set 4
        0x01, 0x69, 0x01, 0x30, 0x4A, 0x00, 0x64, 0x00, 0x52, // set 5
        0x01, 0x47, 0x01, 0x21, 0x30, 0x00, 0x64, 0x00, 0x54, // set 6
        0x01, 0x2D, 0x01, 0x09, 0x54, 0x00, 0x64, 0x00, 0x57, // set 7
        0x00, 0x39, 0x00, 0x38, 0x78, 0x00, 0x64, 0x00, 0x5B, // set 8
        0x06, 0x50, 0x72, 0x65, 0x73, 0x65, 0x74,             // name length 6, "Preset"
    };
    m.resize(134, 0x00); // rest of the name field
    m.push_back(0x00);   // offset 134
    m.push_back(0x01);   // checksum
    m.push_back(0xF7);   // end
    return m;
}

TEST(OstraProtocol, TheProgramsDataMessageIsValidAndDecoded)
{
    const Bytes m = PresetMessage();
    ASSERT_EQ(m.size(), 137u);
    COstraProtocol::Entry entry;
    std::string reason;
    ASSERT_TRUE(COstraProtocol::CheckDataMessage(m.data(), m.size(), entry, reason)) << reason;
    EXPECT_EQ(entry.name, "Preset");
    EXPECT_EQ(entry.values[0], (0x02 << 7) | 0x16); // set 0, value 1: high part first
    EXPECT_EQ(entry.values[1], (0x01 << 7) | 0x45);
    EXPECT_EQ(entry.values[2], 0x1C);               // set 0, value 3: one byte
    EXPECT_EQ(entry.values[44], 0x5B);              // set 8, value 5
    EXPECT_EQ(COstraProtocol::Classify(m.data(), m.size()), COstraProtocol::Kind::DataMessage);
}

struct Damage {
    const char* name;
    std::size_t offset;
    std::uint8_t value;
};

class OstraProtocolDamage : public ::testing::TestWithParam<Damage> {};

TEST_P(OstraProtocolDamage, AnyDamagedFieldMakesTheMessageInvalid)
{
    Bytes m = PresetMessage();
    m[GetParam().offset] = GetParam().value;
    COstraProtocol::Entry entry;
    std::string reason;
    EXPECT_FALSE(COstraProtocol::CheckDataMessage(m.data(), m.size(), entry, reason));
    EXPECT_FALSE(reason.empty());
}

INSTANTIATE_TEST_SUITE_P(Fields, OstraProtocolDamage,
                         ::testing::Values(Damage{"Manufacturer", 1, 0x7E}, Damage{"Class", 2, 0x10},
                                           Damage{"ByteCount", 5, 0x01}, Damage{"Tag", 9, 0x49},
                                           Damage{"SetCount", 11, 0x08}, Damage{"NameTooLong", 93, 41},
                                           Damage{"HighByteInside", 50, 0x80}, Damage{"Checksum", 135, 0x02},
                                           Damage{"NoEnd", 136, 0x00}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(OstraProtocol, WrongLengthsAreInvalid)
{
    Bytes m = PresetMessage();
    COstraProtocol::Entry entry;
    std::string reason;
    m.pop_back();
    EXPECT_FALSE(COstraProtocol::CheckDataMessage(m.data(), m.size(), entry, reason));
    m.push_back(0xF7);
    m.push_back(0xF7);
    EXPECT_FALSE(COstraProtocol::CheckDataMessage(m.data(), m.size(), entry, reason));
}

TEST(OstraProtocol, RepliesCarryTheirFrameAndAValidChecksum)
{
    const Bytes identity = COstraProtocol::BuildIdentityReply("Preset");
    ASSERT_EQ(identity.size(), 55u);
    EXPECT_EQ(Bytes(identity.begin(), identity.begin() + 12),
              (Bytes{0xF0, 0x7D, 0x00, 0x3E, 0x00, 0x2E, 0x13, 0x53, 0x44, 0x49, 0x44, 0x06}));
    EXPECT_EQ(std::accumulate(identity.begin() + 7, identity.begin() + 54, 0u) % 128, 0u);
    EXPECT_EQ(identity[54], 0xF7);
    // A name over 40 bytes is cut to 40.
    EXPECT_EQ(COstraProtocol::BuildIdentityReply(std::string(45, 'x'))[11], 40);

    EXPECT_EQ(COstraProtocol::BuildCompletionReply(0x7E),
              (Bytes{0xF0, 0x7D, 0x10, 0x3E, 0x13, 0x53, 0x44, 0x45, 0x44, 0x7E, 0xF7}));
}

TEST(OstraProtocol, ClassifiesRequestsAndForeignMessages)
{
    const Bytes request = {0xF0, 0x7D, 0x20, 0x3E, 0x13, 0x53, 0x44, 0x49, 0x44, 0xF7};
    EXPECT_EQ(COstraProtocol::Classify(request.data(), request.size()), COstraProtocol::Kind::IdentityRequest);
    const Bytes foreign = {0xF0, 0x41, 0x10, 0xF7}; // another manufacturer
    EXPECT_EQ(COstraProtocol::Classify(foreign.data(), foreign.size()), COstraProtocol::Kind::Foreign);
    EXPECT_EQ(COstraProtocol::Describe(request.data(), request.size()), "identity request");
}

class OstraFlashTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = std::filesystem::temp_directory_path() / ("ostra-flash-" + std::to_string(::getpid()));
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }
    std::filesystem::path m_dir;
};

TEST_F(OstraFlashTest, SavedEntryLoadsBackIncludingUnusualNameBytes)
{
    COstraProtocol::Entry entry;
    entry.name = std::string("Back\\slash\nnew\x01line", 19);
    std::iota(entry.values.begin(), entry.values.end(), 16000);
    const std::string path = (m_dir / "flash.txt").string();
    ASSERT_TRUE(COstraFlash::Save(path, entry));
    COstraProtocol::Entry loaded;
    ASSERT_TRUE(COstraFlash::Load(path, loaded));
    EXPECT_EQ(loaded.name, entry.name);
    EXPECT_EQ(loaded.values, entry.values);
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
}

TEST_F(OstraFlashTest, DamagedOrMissingFileLeavesTheEntryAlone)
{
    COstraProtocol::Entry entry;
    entry.name = "Kept";
    EXPECT_FALSE(COstraFlash::Load((m_dir / "missing.txt").string(), entry));
    for (const char* text : {"name=X\nvalues=1 2 3\n", "name=X\n", "values=1\nname=X\n", "name=\\x4\nvalues=0\n"}) {
        const std::string path = (m_dir / "bad.txt").string();
        std::ofstream(path) << text;
        EXPECT_FALSE(COstraFlash::Load(path, entry)) << text;
    }
    EXPECT_EQ(entry.name, "Kept");
    EXPECT_FALSE(COstraFlash::Save((m_dir / "no-such-folder" / "flash.txt").string(), entry));
}

TEST_F(OstraFlashTest, AFlashFileWithANameTheConsoleCannotSendIsNotLoaded)
{
    const std::string path = (m_dir / "flash.txt").string();
    std::ofstream(path) << "name=Caf\xC3\xA9\nvalues=0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0\n";
    COstraProtocol::Entry entry;
    entry.name = "Kept";
    EXPECT_FALSE(COstraFlash::Load(path, entry));
    EXPECT_EQ(entry.name, "Kept");
}

// Two emulators on one flash file: each save must go through whole, and the file must hold one of them.
TEST_F(OstraFlashTest, TwoWritersOfOneFlashFileNeverSpoilEachOthersSave)
{
    const std::string path = (m_dir / "flash.txt").string();
    std::atomic<int> failures{0};
    auto writer = [&](const std::string& name, std::uint16_t value) {
        COstraProtocol::Entry entry;
        entry.name = name;
        entry.values.fill(value);
        for (int i = 0; i < 300; ++i)
            if (!COstraFlash::Save(path, entry))
                ++failures;
    };
    std::thread first(writer, "First writer", 1);
    std::thread second(writer, "Second", 2);
    first.join();
    second.join();
    EXPECT_EQ(failures.load(), 0);
    COstraProtocol::Entry loaded;
    ASSERT_TRUE(COstraFlash::Load(path, loaded));
    EXPECT_TRUE(loaded.name == "First writer" || loaded.name == "Second") << loaded.name;
    EXPECT_EQ(loaded.values.front(), loaded.name == "Second" ? 2 : 1);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir), {}), 1) << "temporary files left behind";
}

TEST(OstraClient, AnEventJackHasNoRoomForIsDroppedAndReportedAsNotSent)
{
    CMessageRing queue(256);
    const std::uint8_t first[3] = {0xF0, 0x01, 0xF7}, second[2] = {0xF0, 0xF7};
    ASSERT_TRUE(queue.Push(first, 3));
    ASSERT_TRUE(queue.Push(second, 2));
    EXPECT_FALSE(COstraClient::EmitNext(queue, [](std::uint32_t) -> void* { return nullptr; }));
    std::uint8_t room[8] = {};
    std::uint32_t asked = 0;
    EXPECT_TRUE(COstraClient::EmitNext(queue, [&](std::uint32_t n) -> void* { asked = n; return room; }));
    EXPECT_EQ(asked, 2u); // the dropped event is gone; the next one follows
    EXPECT_EQ(room[1], 0xF7);
    EXPECT_TRUE(COstraClient::EmitNext(queue, [](std::uint32_t) -> void* { return nullptr; })); // nothing queued
}

TEST(OstraOptions, RefusesAnEntryNameTheConsoleCannotSend)
{
    std::string error;
    const std::string forty(40, 'x');
    COstraOptions fits;
    ASSERT_TRUE(fits.Parse({"--entry", forty}, error)) << error;
    EXPECT_EQ(fits.entryName, forty);
    for (const std::string& name : {std::string("Caf\xC3\xA9"), forty + "y", std::string("\x80")}) {
        COstraOptions options;
        EXPECT_FALSE(options.Parse({"--entry", name}, error)) << name;
        EXPECT_NE(error.find("cannot be sent"), std::string::npos) << error;
        EXPECT_EQ(options.entryName, "Preset");
    }
    COstraOptions accented;
    EXPECT_FALSE(accented.Parse({"--entry", "Caf\xC3\xA9"}, error));
    EXPECT_NE(error.find("7-bit"), std::string::npos) << error;
}

TEST(OstraOptions, ParsesEveryOptionAndRefusesBadValues)
{
    COstraOptions options;
    std::string error;
    ASSERT_TRUE(options.Parse({"--name", "Deck", "--entry", "Vocal", "--flash", "/tmp/f", "--port-id", "7",
                               "--second-pair", "Xoom", "--fault", "split", "--split", "4", "--delay", "10"},
                              error))
        << error;
    EXPECT_EQ(options.clientName, "Deck");
    EXPECT_EQ(options.portId, 7u);
    EXPECT_EQ(options.fault, OstraFault::Split);
    EXPECT_EQ(options.splitCount, 4u);
    COstraOptions hostile;
    ASSERT_TRUE(hostile.Parse({"--hostile-only", "late,stale-first", "--hostile", "18446744073709551615",
                               "--hostile-from", "200001"},
                              error))
        << error;
    EXPECT_TRUE(hostile.hostile);
    EXPECT_EQ(hostile.hostileSeed, 18446744073709551615ull);
    EXPECT_EQ(hostile.hostileOnly, (std::vector{COstraHostile::Behaviour::Late, COstraHostile::Behaviour::StaleFirst}));
    EXPECT_EQ(hostile.hostileFrom, 200001u);
    EXPECT_FALSE(options.hostile);
    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"--bogus"}, {"--fault", "loud"}, {"--second-pair", "Tarn"}, {"--second-pair", "Xo"},
          {"--split", "1"}, {"--delay", "-5"}, {"--port-id", "4294967295"}, {"--name"}, {"--hostile", "x1"}, {"--hostile", "12x"},
          {"--hostile", "18446744073709551616"}, {"--hostile", "1", "--hostile-only", "late,"},
          {"--hostile", "1", "--hostile-only", "loud"}, {"--hostile", "1", "--hostile-from", "0"},
          {"--hostile-only", "late"}, {"--hostile-from", "5"}}) {
        COstraOptions o;
        EXPECT_FALSE(o.Parse(bad, error)) << bad.front();
        EXPECT_FALSE(error.empty());
    }
}

std::string PlanText(const COstraHostile::Plan& plan)
{
    return std::string(COstraHostile::Name(plan.behaviour)) + " " + COstraHostile::Name(plan.decision) + " " +
           std::to_string(plan.delayMs) + " " + std::to_string(plan.gapMs);
}

// A soak replays a round by starting the console with the same seed and message number: each plan must
// depend on nothing else, and every behaviour must come up within the limits the soak judges by.
TEST(OstraHostile, EachMessagesPlanFollowsFromTheSeedAndItsNumberAlone)
{
    const COstraHostile hostile(42, {});
    std::vector<std::string> forwards;
    std::map<std::string, int> seen;
    for (std::uint64_t message = 1; message <= 2000; ++message) {
        const COstraHostile::Plan plan = hostile.Choose(message);
        forwards.push_back(PlanText(plan));
        ++seen[COstraHostile::Name(plan.behaviour)];
        ++seen[COstraHostile::Name(plan.decision)];
        switch (plan.behaviour) {
        case COstraHostile::Behaviour::Late:
            EXPECT_TRUE(plan.delayMs >= 500 && plan.delayMs <= 14000) << plan.delayMs;
            break;
        case COstraHostile::Behaviour::VeryLate:
            EXPECT_TRUE(plan.delayMs > 14000 && plan.delayMs <= 28000) << plan.delayMs;
            break;
        default:
            EXPECT_EQ(plan.delayMs, 0u);
            EXPECT_LE(plan.gapMs, 20u);
        }
    }
    for (std::uint64_t message = 2000; message >= 1; --message)
        EXPECT_EQ(PlanText(COstraHostile(42, {}).Choose(message)), forwards[message - 1]) << message;
    for (const char* name : {"at-once", "late", "very-late", "never", "duplicate", "garbage-first", "other-first",
                             "stale-first", "stale-after", "stored", "invalid", "flash-failed"})
        EXPECT_GT(seen[name], 0) << name;
    EXPECT_GT(seen["at-once"], seen["late"]);
    EXPECT_LT(seen["never"], 60);

    int differ = 0;
    for (std::uint64_t message = 1; message <= 100; ++message)
        differ += PlanText(COstraHostile(43, {}).Choose(message)) != forwards[message - 1];
    EXPECT_GT(differ, 50) << "another seed, another run";
}

TEST(OstraHostile, OnlyTheGivenBehavioursAreChosen)
{
    const COstraHostile only(7, {COstraHostile::Behaviour::Never, COstraHostile::Behaviour::StaleAfter});
    int stale = 0;
    for (std::uint64_t message = 1; message <= 200; ++message) {
        const COstraHostile::Behaviour behaviour = only.Choose(message).behaviour;
        EXPECT_TRUE(behaviour == COstraHostile::Behaviour::Never || behaviour == COstraHostile::Behaviour::StaleAfter);
        stale += behaviour == COstraHostile::Behaviour::StaleAfter;
    }
    EXPECT_TRUE(stale > 50 && stale < 150) << stale;
}

} // namespace

#include <sys/stat.h>

#include <QFile>

#include <sstream>

#include "CatalogCommands.h"
#include "CliGraphFixture.h"
#include "DataMessageCheck.h"
#include "data/SysExFrames.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes FactoryMessage(std::uint16_t key)
{
    std::ostringstream out, err;
    CCatalogCommands catalog(out, err);
    EXPECT_EQ(catalog.SelectTable(CliLanguage::English), RC_OK);
    CCatalogCommands::Message message{};
    EXPECT_TRUE(catalog.BuildMessage(key, message));
    return {message.begin(), message.end()};
}

// The message with one byte set and the checksum made right again, so that only the change counts.
Bytes WithByte(Bytes message, std::size_t offset, std::uint8_t value)
{
    message[offset] = value;
    message[SysExFrames::kDataChecksumOffset] =
        SysExFrames::Checksum(message.data(), SysExFrames::kChecksumFirstOffset, SysExFrames::kDataChecksumOffset);
    return message;
}

Bytes Joined(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The files that are not one valid data message, with what the refusal says.
struct Refused {
    const char* what;
    Bytes bytes;
    const char* reason;
};

std::vector<Refused> RefusedFiles()
{
    const Bytes good = FactoryMessage(23);
    Bytes flipped = good;
    flipped[40] ^= 0x01;
    return {
        {"empty", {}, "the file is empty"},
        {"one byte changed", flipped, "its checksum is"},
        {"cut", Bytes(good.begin(), good.begin() + 100), "the file is cut"},
        {"two messages", Joined(good, good), "it holds more than one message"},
        {"identity request", Bytes(std::begin(SysExFrames::kIdentityRequest), std::end(SysExFrames::kIdentityRequest)),
         "it is an identity request"},
        {"trailing bytes", Joined(good, {0x00}), "bytes follow the end of its message"},
        {"no F0", Bytes(good.begin() + 1, good.end()), "does not begin with F0"},
        {"other tag", WithByte(good, 9, 'I'), "the byte at offset 9 is 49 where a data message has 44"},
        {"eight-bit value", WithByte(good, 20, 0x85), "the byte at offset 20 is 85"},
        {"name too long", WithByte(good, 93, 41), "its name length is 41"},
        {"zero in the name", WithByte(good, 95, 0x00), "the byte at offset 93 is 0D where a data message has 01"},
        {"bytes after the name", WithByte(good, 130, 0x41), "the byte at offset 130 is 41 where a data message has 00"},
    };
}

TEST(CliFileCheckTest, OnlyOneWholeDataMessagePassesAndEachFaultIsNamed)
{
    const CSysExConverter converter;
    const CDataMessageCheck::Verdict good = CDataMessageCheck::Judge(FactoryMessage(23), converter);
    EXPECT_EQ(good.reason, "");
    EXPECT_EQ(good.name, "Brisa 4:1 R10");
    const CDataMessageCheck::Verdict edited = CDataMessageCheck::Judge(WithByte(FactoryMessage(0), 13, 0x17), converter);
    EXPECT_EQ(edited.reason, "");
    EXPECT_EQ(edited.sets[0].values[0], 2 * 128 + 0x17);
    for (const Refused& file : RefusedFiles())
        EXPECT_NE(CDataMessageCheck::Judge(file.bytes, converter).reason.find(file.reason), std::string::npos)
            << file.what << ": " << CDataMessageCheck::Judge(file.bytes, converter).reason;
}

class CliFileTest : public CliGraphFixture {
protected:
    std::string WriteBytes(const std::string& name, const Bytes& bytes) const
    {
        QFile file(QString::fromStdString(Path(name)));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
        return Path(name);
    }
    QByteArray Flash() const
    {
        QFile file(QString::fromStdString(Path("flash-Ostra")));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

TEST_F(CliFileTest, AnExportedFileSentMakesTheConsoleHoldThatEntry)
{
    StartConsole("Ostra");
    const QString file = QString::fromStdString(Path("23.syx"));
    ASSERT_EQ(Cli({"export", "23", file}).exitCode, 0);

    const CliRun check = Cli({"check", file});
    EXPECT_EQ(check.exitCode, 0) << check.err.toStdString();
    EXPECT_TRUE(check.out.contains("Name         Brisa 4:1 R10\nNo.          23 (the factory entry's message"))
        << check.out.toStdString();
    EXPECT_TRUE(check.out.contains("Set  Value1  Value2  Value3  Value4  Value5\n  0 ")) << check.out.toStdString();

    const CliRun send = Cli({"send", file});
    EXPECT_EQ(send.exitCode, 0) << send.err.toStdString() << ConsoleLog("Ostra");
    EXPECT_EQ(send.out, "Data update completed. The console holds \"Brisa 4:1 R10\" (No. 23).\n");
    EXPECT_TRUE(Flash().startsWith("name=Brisa 4:1 R10\n")) << Flash().toStdString();
    EXPECT_EQ(Cli({"current"}).out, "Current Data : Brisa 4:1 R10 (No. 23)\n");

    // An entry of the user's own: valid, but no factory entry's message.
    const std::string own = WriteBytes("own.syx", WithByte(FactoryMessage(0), 13, 0x17));
    const CliRun ownCheck = Cli({"check", QString::fromStdString(own)});
    EXPECT_EQ(ownCheck.exitCode, 0) << ownCheck.err.toStdString();
    EXPECT_TRUE(ownCheck.out.contains("No.          none")) << ownCheck.out.toStdString();
    const CliRun ownSend = Cli({"send", QString::fromStdString(own)});
    EXPECT_EQ(ownSend.exitCode, 0) << ownSend.err.toStdString();
    EXPECT_EQ(ownSend.out, "Data update completed. The console holds \"Preset\".\n");
    EXPECT_TRUE(Flash().contains("\nvalues=279 ")) << Flash().toStdString();
}

TEST_F(CliFileTest, WhatIsNoDataMessageIsRefusedWithStatusSevenAndNothingIsSent)
{
    StartConsole("Ostra");
    const std::string logBefore = ConsoleLog("Ostra");
    int n = 0;
    for (const Refused& file : RefusedFiles()) {
        const QString path = QString::fromStdString(WriteBytes("bad-" + std::to_string(n++) + ".syx", file.bytes));
        for (const char* command : {"check", "send"}) {
            const CliRun run = Cli({command, path});
            EXPECT_EQ(run.exitCode, 7) << command << " " << file.what << ": " << run.err.toStdString();
            EXPECT_TRUE(run.err.contains("not a data message; nothing was sent: ")) << run.err.toStdString();
            EXPECT_TRUE(run.err.contains(file.reason)) << file.what << ": " << run.err.toStdString();
            EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
        }
    }
    const CliRun missing = Cli({"send", QString::fromStdString(Path("no-such.syx"))});
    EXPECT_EQ(missing.exitCode, 7);
    EXPECT_TRUE(missing.err.contains("it cannot be read: No such file or directory")) << missing.err.toStdString();
    // A named pipe with no writer is refused at once, not waited on.
    ASSERT_EQ(::mkfifo(Path("pipe.syx").c_str(), 0600), 0);
    for (const char* command : {"check", "send"}) {
        const CliRun pipe = Cli({command, QString::fromStdString(Path("pipe.syx"))}, 5000);
        EXPECT_TRUE(pipe.finished) << command << " on a FIFO did not end within five seconds";
        EXPECT_EQ(pipe.exitCode, 7) << command;
        EXPECT_TRUE(pipe.err.contains("it cannot be read: it is not a regular file")) << pipe.err.toStdString();
    }
    EXPECT_EQ(ConsoleLog("Ostra"), logBefore) << "a refused file reached the console";
}

} // namespace

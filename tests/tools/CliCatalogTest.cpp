#include "CliProcess.h"
#include "data/ConsoleMessages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdint>
#include <numeric>
#include <vector>

namespace {

// The data message of factory key 0, "Preset", as the console receives it.
const QByteArray kPresetMessage(reinterpret_cast<const char*>(console_messages::kPresetMessage.data()),
                                static_cast<qsizetype>(console_messages::kPresetMessage.size()));

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QJsonArray ListAsJson(const QStringList& extraArgs, std::initializer_list<std::pair<QString, QString>> env = {})
{
    const CliRun run = RunCli(QStringList{"list", "--json"} + extraArgs, env);
    EXPECT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(run.out, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    EXPECT_TRUE(document.isArray());
    return document.array();
}

// ---------------------------------------------------------------------------------------------------
// export and export-all

TEST(CliExportTest, PresetToStandardOutputIsTheWorkedExampleByteForByte)
{
    ASSERT_EQ(kPresetMessage.size(), 137);
    const CliRun run = RunCli({"export", "0", "-"});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, kPresetMessage);
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
}

TEST(CliExportTest, FileGetsTheSameBytesAndAnExistingFileIsReplacedWhole)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("preset.syx");
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(1000, 'x'));
    old.close();

    const CliRun run = RunCli({"export", "0", path});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_EQ(ReadAll(path), kPresetMessage);
}

TEST(CliExportTest, UnwritableTargetsGiveTheFileStatusAndNameThePath)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString inMissingFolder = dir.filePath("missing/preset.syx");
    const CliRun toFile = RunCli({"export", "5", inMissingFolder});
    EXPECT_EQ(toFile.exitCode, 6);
    EXPECT_TRUE(toFile.err.contains(("cannot write " + inMissingFolder).toUtf8())) << toFile.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(inMissingFolder));

    // A file where the folder should be.
    const QString blocker = dir.filePath("blocker");
    QFile file(blocker);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const CliRun toFolder = RunCli({"export-all", blocker + "/sub"});
    EXPECT_EQ(toFolder.exitCode, 6);
    EXPECT_TRUE(toFolder.err.contains("cannot create the folder")) << toFolder.err.toStdString();
}

TEST(CliExportTest, ExportAllWritesOneFileOf137BytesPerEntry)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString target = dir.filePath("made/by/export-all");
    const CliRun run = RunCli({"export-all", target});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();

    const QFileInfoList files = QDir(target).entryInfoList(QDir::Files, QDir::Name);
    ASSERT_EQ(files.size(), 59);
    EXPECT_EQ(run.out.count('\n'), 59);
    for (const QFileInfo& info : files) {
        const QByteArray bytes = ReadAll(info.filePath());
        ASSERT_EQ(bytes.size(), 137) << info.fileName().toStdString();
        EXPECT_EQ(static_cast<std::uint8_t>(bytes.front()), 0xF0);
        EXPECT_EQ(static_cast<std::uint8_t>(bytes.back()), 0xF7);
        const int sum = std::accumulate(bytes.begin() + 7, bytes.begin() + 136, 0,
                                        [](int s, char b) { return s + static_cast<std::uint8_t>(b); });
        EXPECT_EQ(sum % 128, 0) << info.fileName().toStdString();
    }
    EXPECT_EQ(files.front().fileName(), "00_Preset.syx");
    EXPECT_EQ(ReadAll(files.front().filePath()), kPresetMessage);
    EXPECT_TRUE(QFileInfo::exists(target + "/23_Brisa_4-1_R10.syx"));
    EXPECT_EQ(files.back().fileName(), "58_Brisa_2.8-1_R300.syx");
}

TEST(CliExportTest, EachFileOfExportAllEqualsTheSingleExportOfItsKey)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_EQ(RunCli({"export-all", dir.path()}).exitCode, 0);
    for (const char* key : {"1", "14", "47", "58"}) {
        const QStringList matches = QDir(dir.path()).entryList({QString(key).rightJustified(2, '0') + "_*.syx"});
        ASSERT_EQ(matches.size(), 1) << key;
        EXPECT_EQ(ReadAll(dir.filePath(matches.front())), RunCli({"export", key, "-"}).out) << key;
    }
}

// ---------------------------------------------------------------------------------------------------
// list, show, language

TEST(CliListTest, JsonHoldsAllFiftyNineEntriesInTableOrder)
{
    const QJsonArray entries = ListAsJson({});
    ASSERT_EQ(entries.size(), 59);
    for (int i = 0; i < entries.size(); ++i)
        EXPECT_EQ(entries[i].toObject().value("key").toInt(-1), i);
    const QJsonObject first = entries[0].toObject();
    EXPECT_EQ(first.value("name").toString(), "Preset");
    EXPECT_EQ(first.value("author").toString(), "Corvane Corporation");
    EXPECT_EQ(first.value("description").toString(), "Preset Data");
    EXPECT_EQ(entries[2].toObject().value("author").toString(), "Dorian Malloway");
    EXPECT_EQ(entries[47].toObject().value("name").toString(), "Brisa 4:1 R1000");
    EXPECT_EQ(entries[47].toObject().value("description").toString(), "Fixed Ratio 4:1, Release 1000msec");
}

TEST(CliListTest, DescriptionsFollowTheSystemLanguageUnlessLangIsGiven)
{
    const QString japanese = QString::fromUtf8("プリセットデータ");
    EXPECT_EQ(ListAsJson({}, {{"LANG", "ja_JP.UTF-8"}})[0].toObject().value("description").toString(), japanese);
    EXPECT_EQ(ListAsJson({}, {{"LC_ALL", "de_DE.UTF-8"}, {"LANG", "ja_JP.UTF-8"}})[0].toObject().value("description").toString(),
              "Preset Data");
    EXPECT_EQ(ListAsJson({"--lang", "ja"})[0].toObject().value("description").toString(), japanese);
    EXPECT_EQ(ListAsJson({"--lang=en"}, {{"LC_ALL", "ja_JP.UTF-8"}})[0].toObject().value("description").toString(),
              "Preset Data");

    const QJsonArray ja = ListAsJson({"--lang", "ja"});
    ASSERT_EQ(ja.size(), 59);
    EXPECT_EQ(ja[23].toObject().value("description").toString(), QString::fromUtf8("レシオ4:1、リリース10msecに固定"));
    EXPECT_EQ(ja[23].toObject().value("name").toString(), "Brisa 4:1 R10");
}

TEST(CliListTest, PlainListHasAHeaderAndOneAlignedRowPerEntry)
{
    const CliRun run = RunCli({"list"});
    ASSERT_EQ(run.exitCode, 0);
    const QList<QByteArray> lines = run.out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 60);
    EXPECT_TRUE(lines[0].startsWith("No.  Name")) << lines[0].toStdString();
    const qsizetype authorColumn = lines[0].indexOf("Author");
    EXPECT_EQ(lines[1].indexOf("Corvane Corporation"), authorColumn);
    EXPECT_EQ(lines[2].indexOf("Harlan Quist"), authorColumn);
    EXPECT_TRUE(lines[59].startsWith(" 58  Brisa 2.8:1 R300")) << lines[59].toStdString();
}

TEST(CliShowTest, JsonCarriesTheNineParameterSets)
{
    const CliRun run = RunCli({"show", "58", "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonObject entry = QJsonDocument::fromJson(run.out).object();
    EXPECT_EQ(entry.value("key").toInt(), 58);
    EXPECT_EQ(entry.value("name").toString(), "Brisa 2.8:1 R300");
    const QJsonArray sets = entry.value("parameterSets").toArray();
    ASSERT_EQ(sets.size(), 9);
    EXPECT_EQ(sets[8].toArray(), (QJsonArray{283, 229, 36, 100, 0}));
    EXPECT_EQ(sets[0].toArray(), (QJsonArray{57, 229, 36, 100, 0}));
}

TEST(CliShowTest, PlainOutputNamesTheEntryAndListsEachSet)
{
    const CliRun run = RunCli({"show", "0"});
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.out.contains("Name         Preset\n"));
    EXPECT_TRUE(run.out.contains("  0      278     197      28     100      69\n")) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("  8       57      56     120     100      91\n")) << run.out.toStdString();
}

} // namespace

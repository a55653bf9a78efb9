#include "PrefStoreFixture.h"

#include <QDir>
#include <QFileDevice>
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

namespace {

const MessageBoxRequest kBrokenQuestion{"Sonvale Data Manager",
                                        "Preference file is broken.\nDo you want to initialize it?",
                                        MessageBoxIcon::Question, MessageBoxButtons::OkCancel};

const QByteArray kDefaultsFile = "[Configuration]\n"
                                 "version=1\n"
                                 "NoteNum=0\n"
                                 "SortCol=1\n"
                                 "SortDesFlag=0\n"
                                 "\n\n"
                                 "[WindowState]\n"
                                 "Left=350\n"
                                 "Top=300\n"
                                 "Right=1050\n"
                                 "Bottom=700\n"
                                 "Zoomed=0\n"
                                 "\n\n"
                                 "[ListState]\n"
                                 "NoWidth=60\n"
                                 "NameWidth=125\n"
                                 "AuthorWidth=180\n"
                                 "DescriptionWidth=190\n"
                                 "NoteWidth=300\n";

struct Bounds
{
    std::int32_t nLeft, nTop, nWidth, nHeight;
    friend bool operator==(const Bounds&, const Bounds&) = default;
};

Bounds BoundsOf(CPrefHandler& store)
{
    Bounds b{};
    EXPECT_EQ(store.GetWindowBounds(b.nLeft, b.nTop, b.nWidth, b.nHeight), RC_OK);
    return b;
}

bool PlacementDefaulted(CPrefHandler& store)
{
    bool b = false;
    EXPECT_EQ(store.GetPlacementDefaulted(b), RC_OK);
    return b;
}

constexpr Bounds kDefaultBounds{350, 300, 700, 400};

} // namespace

using PrefLoadTest = PrefStoreFixture;

TEST_F(PrefLoadTest, MissingFileIsCreatedWithExactlyTheDefaults)
{
    ASSERT_EQ(m_store.Load(), RC_OK);
    EXPECT_EQ(ReadBytes(m_path), kDefaultsFile);
    EXPECT_TRUE(PlacementDefaulted(m_store));
    EXPECT_EQ(BoundsOf(m_store), kDefaultBounds);
    EXPECT_TRUE(m_boxes.Shown().empty());
}

TEST_F(PrefLoadTest, VersionZeroIgnoresTheStoredWindowAndWidths)
{
    LoadFile("[Configuration]\nversion=0\nNoteNum=1\nNote0=4::kept\nSortCol=3\nSortDesFlag=1\n"
             "[WindowState]\nLeft=10\nTop=20\nRight=410\nBottom=320\nZoomed=1\n[ListState]\nNoWidth=99\n");
    EXPECT_TRUE(PlacementDefaulted(m_store));
    EXPECT_EQ(BoundsOf(m_store), kDefaultBounds);
    bool bZoomed = true;
    ASSERT_EQ(m_store.GetZoomed(bZoomed), RC_OK);
    EXPECT_FALSE(bZoomed);
    std::uint16_t nWidth = 0;
    ASSERT_EQ(m_store.GetNoWidth(nWidth), RC_OK);
    EXPECT_EQ(nWidth, 60);
    // The configuration itself is read.
    EXPECT_EQ(Note(4), "kept");
    std::uint16_t nColumn = 0;
    bool bDescending = false;
    ASSERT_EQ(m_store.GetSort(nColumn, bDescending), RC_OK);
    EXPECT_EQ(nColumn, 3);
    EXPECT_TRUE(bDescending);
}

TEST_F(PrefLoadTest, StoredWindowAndWidthsAreReadWithTheirMinimums)
{
    LoadFile(ConfigurationWith("NoteNum=0\n[WindowState]\nLeft=-20\nTop=0\nRight=500\nBottom=480\nZoomed=7\n"
                               "[ListState]\nNoWidth=20\nNameWidth=0\nAuthorWidth=9\nDescriptionWidth=11\n"
                               "NoteWidth=65535\n"));
    EXPECT_FALSE(PlacementDefaulted(m_store));
    EXPECT_EQ(BoundsOf(m_store), (Bounds{-20, 0, 520, 480}));
    bool bZoomed = false;
    ASSERT_EQ(m_store.GetZoomed(bZoomed), RC_OK);
    EXPECT_TRUE(bZoomed);
    std::uint16_t nNo = 0, nName = 0, nAuthor = 0, nDescription = 0, nNote = 0;
    ASSERT_EQ(m_store.GetNoWidth(nNo), RC_OK);
    ASSERT_EQ(m_store.GetNameWidth(nName), RC_OK);
    ASSERT_EQ(m_store.GetAuthorWidth(nAuthor), RC_OK);
    ASSERT_EQ(m_store.GetDescriptionWidth(nDescription), RC_OK);
    ASSERT_EQ(m_store.GetNoteWidth(nNote), RC_OK);
    EXPECT_EQ(nNo, 57);
    EXPECT_EQ(nName, 10);
    EXPECT_EQ(nAuthor, 10);
    EXPECT_EQ(nDescription, 11);
    EXPECT_EQ(nNote, 65535);
}

TEST_F(PrefLoadTest, WidthsWrapTo16BitsBeforeTheMinimumIsApplied)
{
    // 65536 wraps to 0 and is raised to the minimum; -5 wraps to 65531, which is above it.
    LoadFile(ConfigurationWith("NoteNum=0\n[ListState]\nNoWidth=65536\nNameWidth=-5\nNoteWidth=65546\n"));
    std::uint16_t nNo = 0, nName = 0, nNote = 0;
    ASSERT_EQ(m_store.GetNoWidth(nNo), RC_OK);
    ASSERT_EQ(m_store.GetNameWidth(nName), RC_OK);
    ASSERT_EQ(m_store.GetNoteWidth(nNote), RC_OK);
    EXPECT_EQ(nNo, 57);
    EXPECT_EQ(nName, 65531);
    EXPECT_EQ(nNote, 10);
}

TEST_F(PrefLoadTest, OneMissingCornerDefaultsTheWholeRectangle)
{
    LoadFile(ConfigurationWith("NoteNum=0\n[WindowState]\nLeft=-1\nTop=5\nRight=600\nBottom=500\n"));
    EXPECT_TRUE(PlacementDefaulted(m_store));
    EXPECT_EQ(BoundsOf(m_store), kDefaultBounds);
}

// Each of the four counted keys of "Configuration", when missing, makes the file broken.
class PrefBrokenFileTest : public PrefStoreFixture, public ::testing::WithParamInterface<const char*>
{
protected:
    QByteArray FileWithout(const char* missingKey)
    {
        QByteArray config;
        for (const char* line : {"version=1\n", "NoteNum=2\n", "SortCol=4\n", "SortDesFlag=1\n"})
            if (!QByteArray(line).startsWith(missingKey))
                config += line;
        return "[Configuration]\n" + config + "Note0=3::first\nNote1=9::second\n"
               "[WindowState]\nLeft=1\nTop=2\nRight=301\nBottom=202\n[ListState]\nNoteWidth=222\n";
    }
};

TEST_P(PrefBrokenFileTest, CancelKeepsWhatWasRead)
{
    m_boxes.Answer(MessageBoxAnswer::Cancel);
    const QByteArray bytes = FileWithout(GetParam());
    LoadFile(bytes);
    ASSERT_EQ(m_boxes.Shown().size(), 1u);
    EXPECT_EQ(m_boxes.Shown()[0], kBrokenQuestion);
    if (std::string_view(GetParam()) != "NoteNum") {
        EXPECT_EQ(Note(3), "first");
        EXPECT_EQ(Note(9), "second");
    }
    EXPECT_EQ(BoundsOf(m_store), (Bounds{1, 2, 300, 200}));
    EXPECT_EQ(ReadBytes(m_path), bytes);
}

TEST_P(PrefBrokenFileTest, OkDeletesTheFileAndStartsFromTheDefaults)
{
    m_boxes.Answer(MessageBoxAnswer::Ok);
    LoadFile(FileWithout(GetParam()));
    ASSERT_EQ(m_boxes.Shown().size(), 1u);
    EXPECT_FALSE(QFile::exists(m_path));
    EXPECT_EQ(Note(3), "<none>");
    EXPECT_EQ(BoundsOf(m_store), kDefaultBounds);
    EXPECT_TRUE(PlacementDefaulted(m_store));
    std::uint16_t nColumn = 0;
    bool bDescending = true;
    ASSERT_EQ(m_store.GetSort(nColumn, bDescending), RC_OK);
    EXPECT_EQ(nColumn, 1);
    EXPECT_FALSE(bDescending);

    ASSERT_EQ(m_store.Save(), RC_OK);
    EXPECT_EQ(ReadBytes(m_path), kDefaultsFile);
}

INSTANTIATE_TEST_SUITE_P(EachCountedKey, PrefBrokenFileTest,
                         ::testing::Values("version", "NoteNum", "SortCol", "SortDesFlag"));

TEST_F(PrefLoadTest, ReadOnlyFileRunsOnTheDefaultsAndIsNeverWritten)
{
    const QByteArray bytes = ConfigurationWith("NoteNum=1\nNote0=5::mine\n[ListState]\nNoWidth=200\n");
    ASSERT_TRUE(WriteBytes(m_path, bytes));
    ASSERT_TRUE(QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));

    ASSERT_EQ(m_store.Load(), RC_OK);
    EXPECT_EQ(Note(5), "<none>");
    std::uint16_t nWidth = 0;
    ASSERT_EQ(m_store.GetNoWidth(nWidth), RC_OK);
    EXPECT_EQ(nWidth, 60);
    EXPECT_TRUE(m_boxes.Shown().empty());

    ASSERT_EQ(m_store.SetNote(5, "changed"), RC_OK);
    ASSERT_EQ(m_store.Save(), RC_OK);
    EXPECT_EQ(ReadBytes(m_path), bytes);
}

using PrefSaveTest = PrefStoreFixture;

TEST_F(PrefSaveTest, WritesVersion1WhateverVersionWasLoaded)
{
    for (const QByteArray version : {"0", "2", "65535"}) {
        SCOPED_TRACE(version.toStdString());
        LoadFile("[Configuration]\nversion=" + version + "\nNoteNum=0\nSortCol=1\nSortDesFlag=0\n");
        ASSERT_EQ(m_store.Save(), RC_OK);
        const QByteArray saved = ReadBytes(m_path);
        EXPECT_TRUE(saved.startsWith("[Configuration]\nversion=1\n")) << saved.toStdString();
    }
}

TEST_F(PrefSaveTest, KeepsUnrelatedContentAndStaleNoteKeys)
{
    LoadFile("; written by hand\n[Configuration]\nversion=1\nNoteNum=3\nNote0=1::a\nNote1=2::b\nNote2=3::c\n"
             "SortCol=1\nSortDesFlag=0\nUserKey=x;y,z\n[Elsewhere]\nkeep=me\n");
    ASSERT_EQ(m_store.ClearNotes(), RC_OK);
    ASSERT_EQ(m_store.SetNote(8, "only"), RC_OK);
    ASSERT_EQ(m_store.Save(), RC_OK);
    EXPECT_EQ(m_store.NoteCount(), 1);

    const QByteArray saved = ReadBytes(m_path);
    EXPECT_TRUE(saved.startsWith("; written by hand\n"));
    for (const char* line : {"\nNote0=8::only\n", "\nNoteNum=1\n", "\nNote1=2::b\n", "\nNote2=3::c\n",
                             "\nUserKey=x;y,z\n", "[Elsewhere]\nkeep=me\n"})
        EXPECT_TRUE(saved.contains(line)) << line;

    CWin32PrefHandler next;
    Reload(next);
    EXPECT_EQ(next.Notes().size(), 1u);
}

// The window's console choice lives in a section of its own; a file saved without a choice is the one
// the design knows, byte for byte.
TEST_F(PrefSaveTest, TheChosenConsoleIsKeptInASectionOfItsOwn)
{
    ASSERT_EQ(m_store.Load(), RC_OK);
    ASSERT_EQ(m_store.Save(), RC_OK);
    EXPECT_EQ(ReadBytes(m_path), kDefaultsFile);
    std::string client = "<none>";
    std::uint32_t nPairId = 0;
    EXPECT_EQ(m_store.GetConsole(client, nPairId), RC_NO_SUCH_KEY);

    // The choice reaches the file when it is made, for other programs of the user to read while the
    // window runs; the window's other values wait for the save at exit.
    ASSERT_EQ(m_store.SetSort(3, true), RC_OK);
    ASSERT_EQ(m_store.SetConsole("monitor desk", 4000000000u), RC_OK);
    const QByteArray chosen = ReadBytes(m_path);
    EXPECT_TRUE(chosen.startsWith(kDefaultsFile)) << chosen.toStdString();
    EXPECT_TRUE(chosen.endsWith("\n[Console]\nClient=monitor desk\nPairId=4000000000\n")) << chosen.toStdString();
    ASSERT_EQ(m_store.SetSort(1, false), RC_OK);
    ASSERT_EQ(m_store.Save(), RC_OK);
    const QByteArray saved = ReadBytes(m_path);
    EXPECT_TRUE(saved.startsWith(kDefaultsFile)) << saved.toStdString();
    EXPECT_TRUE(saved.endsWith("[Console]\nClient=monitor desk\nPairId=4000000000\n")) << saved.toStdString();

    CWin32PrefHandler next;
    Reload(next);
    ASSERT_EQ(next.GetConsole(client, nPairId), RC_OK);
    EXPECT_EQ(client, "monitor desk");
    EXPECT_EQ(nPairId, 4000000000u);
}

TEST_F(PrefSaveTest, WindowBoundsRoundTrip)
{
    ASSERT_EQ(m_store.Load(), RC_OK);
    ASSERT_EQ(m_store.SetWindowBounds(-1200, 40, 800, 600), RC_OK);
    ASSERT_EQ(m_store.SetZoomed(true), RC_OK);
    ASSERT_EQ(m_store.Save(), RC_OK);
    EXPECT_TRUE(ReadBytes(m_path).contains("Left=-1200\nTop=40\nRight=-400\nBottom=640\nZoomed=1\n"));

    CWin32PrefHandler next;
    Reload(next);
    EXPECT_EQ(BoundsOf(next), (Bounds{-1200, 40, 800, 600}));
    EXPECT_FALSE(PlacementDefaulted(next));
}

TEST_F(PrefSaveTest, HugeBoundsSaturateInsteadOfOverflowing)
{
    LoadFile(ConfigurationWith("NoteNum=0\n[WindowState]\nLeft=-2147483648\nTop=0\nRight=2147483647\nBottom=1\n"));
    EXPECT_EQ(BoundsOf(m_store).nWidth, 2147483647);
    ASSERT_EQ(m_store.SetWindowBounds(2147483000, 0, 5000, 10), RC_OK);
    EXPECT_EQ(BoundsOf(m_store), (Bounds{2147483000, 0, 647, 10}));
}

TEST_F(PrefSaveTest, FailedWriteLeavesTheOldFileWhole)
{
    const QByteArray bytes = ConfigurationWith("NoteNum=1\nNote0=5::precious\n");
    LoadFile(bytes);
    ASSERT_EQ(m_store.SetNote(6, std::string(4000, 'n')), RC_OK);

    // A file-size limit below what Save writes makes its write fail part-way, as a full disk would.
    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit tight = saved;
    tight.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tight), 0);
    const ResultCode rc = m_store.Save();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(rc, RC_OK);
    EXPECT_EQ(ReadBytes(m_path), bytes);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Tarn.ini"});
}

TEST_F(PrefSaveTest, MissingFolderIsNoFailure)
{
    m_store.SetProfilePath(m_dir.filePath("gone/Tarn.ini"));
    ASSERT_EQ(m_store.Load(), RC_OK);
    ASSERT_EQ(m_store.SetNote(1, "x"), RC_OK);
    EXPECT_EQ(m_store.Save(), RC_OK);
    EXPECT_FALSE(QFile::exists(m_dir.filePath("gone/Tarn.ini")));
}

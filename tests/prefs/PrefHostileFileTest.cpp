#include "PrefStoreFixture.h"

#include <random>

// Damaged or hand-edited files load what can be loaded, without crashing or hanging.
using PrefHostileFileTest = PrefStoreFixture;

TEST_F(PrefHostileFileTest, BinaryGarbageIsABrokenFile)
{
    std::mt19937 random(4711);
    QByteArray garbage(64 * 1024, '\0');
    for (char& c : garbage)
        c = static_cast<char>(random() & 0xFF);
    m_boxes.Answer(MessageBoxAnswer::Cancel);
    LoadFile(garbage);
    EXPECT_EQ(m_boxes.Shown().size(), 1u);
    EXPECT_EQ(ReadBytes(m_path), garbage);
}

TEST_F(PrefHostileFileTest, KeysAfterANulByteAreStillRead)
{
    static const char bytes[] = "[Configuration]\nversion=1\n\0\0garbage\nNoteNum=1\nNote0=2::after\n"
                                "SortCol=1\nSortDesFlag=0\n";
    LoadFile(QByteArray(bytes, sizeof bytes - 1));
    EXPECT_TRUE(m_boxes.Shown().empty());
    EXPECT_EQ(Note(2), "after");
}

TEST_F(PrefHostileFileTest, InvalidUtf8IsKeptByteForByte)
{
    LoadFile(ConfigurationWith("NoteNum=1\nNote0=3::\xC3\x28 \xFF\xFE \xED\xA0\x80\n"));
    EXPECT_EQ(Note(3), "\xC3\x28 \xFF\xFE \xED\xA0\x80");
}

TEST_F(PrefHostileFileTest, ByteOrderMarkIsSkipped)
{
    LoadFile("\xEF\xBB\xBF" + ConfigurationWith("NoteNum=1\nNote0=1::bom\n"));
    EXPECT_TRUE(m_boxes.Shown().empty());
    EXPECT_EQ(Note(1), "bom");
}

TEST_F(PrefHostileFileTest, CrLfLineEndsAreNotPartOfValues)
{
    LoadFile("[Configuration]\r\nversion=1\r\nNoteNum=1\r\nNote0=1::crlf\r\nSortCol=2\r\nSortDesFlag=1\r\n"
             "[ListState]\r\nNoWidth=80\r\n");
    EXPECT_TRUE(m_boxes.Shown().empty());
    EXPECT_EQ(Note(1), "crlf");
    std::uint16_t nWidth = 0;
    ASSERT_EQ(m_store.GetNoWidth(nWidth), RC_OK);
    EXPECT_EQ(nWidth, 80);
}

TEST_F(PrefHostileFileTest, DuplicateSectionsAndKeysReadTheFirstOccurrence)
{
    LoadFile("[Configuration]\nversion=1\nNoteNum=1\nNote0=1::first\n[ListState]\nNoWidth=70\n"
             "[Configuration]\nNote0=1::second\nSortCol=3\nSortDesFlag=0\n[ListState]\nNoWidth=90\nNameWidth=91\n");
    EXPECT_TRUE(m_boxes.Shown().empty());
    EXPECT_EQ(Note(1), "first");
    std::uint16_t nNo = 0, nName = 0, nColumn = 0;
    bool bDescending = true;
    ASSERT_EQ(m_store.GetNoWidth(nNo), RC_OK);
    ASSERT_EQ(m_store.GetNameWidth(nName), RC_OK);
    ASSERT_EQ(m_store.GetSort(nColumn, bDescending), RC_OK);
    EXPECT_EQ(nNo, 70);
    EXPECT_EQ(nName, 91);
    EXPECT_EQ(nColumn, 3);

    // Saving leaves one occurrence of each key it writes.
    ASSERT_EQ(m_store.Save(), RC_OK);
    EXPECT_EQ(ReadBytes(m_path).count("NoWidth="), 1);
}

TEST_F(PrefHostileFileTest, KeysAndSectionsDifferingOnlyInCaseAreTheSame)
{
    LoadFile("[CONFIGURATION]\nVERSION=1\nnotenum=1\nnOTE0=6::case\nSortCol=1\nsortdesflag=1\n[liststate]\nNOWIDTH=77\n");
    EXPECT_TRUE(m_boxes.Shown().empty());
    EXPECT_EQ(Note(6), "case");
    std::uint16_t nWidth = 0;
    ASSERT_EQ(m_store.GetNoWidth(nWidth), RC_OK);
    EXPECT_EQ(nWidth, 77);

    ASSERT_EQ(m_store.Save(), RC_OK);
    const QByteArray saved = ReadBytes(m_path);
    EXPECT_EQ(saved.count("[CONFIGURATION]"), 1);
    EXPECT_FALSE(saved.contains("[Configuration]"));
    EXPECT_EQ(saved.toLower().count("nowidth=77"), 1);
}

class PrefNoteCountTest : public PrefStoreFixture, public ::testing::WithParamInterface<const char*>
{
};

// The count is kept in 16 bits, so at most 65535 keys are looked for whatever the file claims.
TEST_P(PrefNoteCountTest, HugeOrNegativeCountsReadThePresentNotes)
{
    LoadFile(ConfigurationWith(QByteArray("NoteNum=") + GetParam() + "\nNote0=1::one\nNote1=2::two\n"));
    EXPECT_TRUE(m_boxes.Shown().empty());
    EXPECT_EQ(m_store.Notes().size(), 2u);
    EXPECT_EQ(Note(2), "two");
}

INSTANTIATE_TEST_SUITE_P(Counts, PrefNoteCountTest,
                         ::testing::Values("2147483647", "-5", "4294967296", "99999999999999999999"));

TEST_F(PrefHostileFileTest, TwentyMegabyteFileLoads)
{
    QByteArray bytes = ConfigurationWith("NoteNum=65535\n");
    bytes.reserve(21 * 1024 * 1024);
    int n = 0;
    while (bytes.size() < 15 * 1024 * 1024)
        bytes += "Note" + QByteArray::number(n) + "=" + QByteArray::number(n % 65536) + "::" + QByteArray(60, 'x')
                 + "\n", ++n;
    bytes += "[Huge]\nvalue=" + QByteArray(5 * 1024 * 1024, 'h') + "\n";
    LoadFile(bytes);
    EXPECT_TRUE(m_boxes.Shown().empty());
    EXPECT_EQ(m_store.Notes().size(), 65535u);
    EXPECT_EQ(Note(65534), std::string(60, 'x'));

    ASSERT_EQ(m_store.Save(), RC_OK);
    EXPECT_TRUE(ReadBytes(m_path).contains("[Huge]\nvalue=hhh"));
}

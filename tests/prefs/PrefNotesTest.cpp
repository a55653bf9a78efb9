#include "PrefStoreFixture.h"

using PrefNotesTest = PrefStoreFixture;

TEST_F(PrefNotesTest, SaveNumbersNonEmptyNotesWithoutGaps)
{
    ASSERT_EQ(m_store.Load(), RC_OK);
    ASSERT_EQ(m_store.SetNote(3, "a"), RC_OK);
    ASSERT_EQ(m_store.SetNote(4, ""), RC_OK);
    ASSERT_EQ(m_store.SetNote(7, "b"), RC_OK);
    ASSERT_EQ(m_store.Save(), RC_OK);

    EXPECT_TRUE(ReadBytes(m_path).startsWith("[Configuration]\nversion=1\nNoteNum=2\nSortCol=1\nSortDesFlag=0\n"
                                             "Note0=3::a\nNote1=7::b\n"));
    EXPECT_EQ(m_store.NoteCount(), 2);
}

TEST_F(PrefNotesTest, SetNoteReplacesTheFirstRecordOrAppends)
{
    ASSERT_EQ(m_store.SetNote(5, "one"), RC_OK);
    ASSERT_EQ(m_store.SetNote(2, "two"), RC_OK);
    ASSERT_EQ(m_store.SetNote(5, "changed"), RC_OK);
    ASSERT_EQ(m_store.Notes().size(), 2u);
    EXPECT_EQ(m_store.Notes()[0].nKey, 5);
    EXPECT_EQ(m_store.Notes()[0].strText, "changed");
    ASSERT_EQ(m_store.ClearNotes(), RC_OK);
    EXPECT_EQ(Note(5), "<none>");
}

TEST_F(PrefNotesTest, GetNoteOfAMissingKeyLeavesTheTextAlone)
{
    ASSERT_EQ(m_store.SetNote(1, "x"), RC_OK);
    std::string text = "untouched";
    EXPECT_EQ(m_store.GetNote(2, text), RC_NO_SUCH_KEY);
    EXPECT_EQ(text, "untouched");
}

TEST_F(PrefNotesTest, ValuesAreSplitAtTheFirstSeparatorOnly)
{
    LoadFile(ConfigurationWith("NoteNum=6\nNote0=12::x::y\nNote1=no separator\nNote2=abc::text\n"
                               "Note3=70000::wraps\nNote4=-1::negative\nNote5=::empty key\n"));
    EXPECT_EQ(Note(12), "x::y");
    EXPECT_EQ(Note(0), "text"); // a key part that is no number reads as 0 ...
    EXPECT_EQ(Note(70000 & 0xFFFF), "wraps");
    EXPECT_EQ(Note(0xFFFF), "negative");
    EXPECT_EQ(m_store.Notes().size(), 5u); // ... and the value without "::" is skipped
}

TEST_F(PrefNotesTest, TwoRecordsForOneKeyAreBothLoadedAndTheFirstWins)
{
    LoadFile(ConfigurationWith("NoteNum=2\nNote0=5::first\nNote1=5::second\n"));
    ASSERT_EQ(m_store.Notes().size(), 2u);
    EXPECT_EQ(Note(5), "first");
    ASSERT_EQ(m_store.SetNote(5, "new"), RC_OK);
    EXPECT_EQ(m_store.Notes()[1].strText, "second");
}

TEST_F(PrefNotesTest, KeysAtOrAboveNoteNumAreNotRead)
{
    LoadFile(ConfigurationWith("NoteNum=1\nNote0=1::read\nNote1=2::stale\n"));
    EXPECT_EQ(Note(2), "<none>");
}

TEST_F(PrefNotesTest, LineBreaksAreSavedAsSpacesAndBreakNothingElse)
{
    ASSERT_EQ(m_store.Load(), RC_OK);
    ASSERT_EQ(m_store.SetNote(1, "first\nsecond\r\nthird\rfourth"), RC_OK);
    ASSERT_EQ(m_store.SetNote(2, "\n[ListState]\nNoWidth=999"), RC_OK);
    ASSERT_EQ(m_store.SetNote(3, "after"), RC_OK);
    ASSERT_EQ(m_store.Save(), RC_OK);

    CWin32PrefHandler next;
    Reload(next);
    std::string text;
    ASSERT_EQ(next.GetNote(1, text), RC_OK);
    EXPECT_EQ(text, "first second third fourth");
    ASSERT_EQ(next.GetNote(2, text), RC_OK);
    EXPECT_EQ(text, " [ListState] NoWidth=999");
    ASSERT_EQ(next.GetNote(3, text), RC_OK);
    EXPECT_EQ(text, "after");
    std::uint16_t nWidth = 0;
    ASSERT_EQ(next.GetNoWidth(nWidth), RC_OK);
    EXPECT_EQ(nWidth, 60);
    EXPECT_TRUE(m_boxes.Shown().empty());
}

struct HostileNote
{
    const char* name;
    std::string text;
};

void PrintTo(const HostileNote& note, std::ostream* os)
{
    *os << note.name;
}

// Whatever a user types into a note comes back exactly after the program was closed and started again.
class PrefNoteRoundTripTest : public PrefStoreFixture, public ::testing::WithParamInterface<HostileNote>
{
};

TEST_P(PrefNoteRoundTripTest, NoteSurvivesSaveAndLoad)
{
    ASSERT_EQ(m_store.Load(), RC_OK);
    ASSERT_EQ(m_store.SetNote(42, GetParam().text), RC_OK);
    ASSERT_EQ(m_store.SetNote(43, "neighbour"), RC_OK);
    ASSERT_EQ(m_store.Save(), RC_OK);

    CWin32PrefHandler next;
    Reload(next);
    std::string text;
    ASSERT_EQ(next.GetNote(42, text), RC_OK);
    EXPECT_EQ(text, GetParam().text);
    ASSERT_EQ(next.GetNote(43, text), RC_OK);
    EXPECT_EQ(text, "neighbour");
    EXPECT_TRUE(m_boxes.Shown().empty());
}

INSTANTIATE_TEST_SUITE_P(
    HostileTexts, PrefNoteRoundTripTest,
    ::testing::Values(HostileNote{"Commas", "a,b,,c"}, HostileNote{"Semicolons", "x;y ; z"},
                      HostileNote{"LeadingSemicolon", ";not a comment"}, HostileNote{"Hash", "# nor this"},
                      HostileNote{"Equals", "a=b==c="}, HostileNote{"DoubleQuotes", "say \"hi\""},
                      HostileNote{"WhollyQuoted", "\"quoted\""}, HostileNote{"LoneQuote", "\""},
                      HostileNote{"QuotedWithSpaces", "\" padded \""}, HostileNote{"SingleQuotes", "'it''s'"},
                      HostileNote{"Backslashes", R"(C:\path\to\n\t\\)"},
                      HostileNote{"LeadingAndTrailingSpaces", "  both sides  "},
                      HostileNote{"OnlySpaces", "   "}, HostileNote{"Tabs", "\tcol1\tcol2\t"},
                      HostileNote{"SeparatorInside", "a::b::"}, HostileNote{"SeparatorOnly", "::"},
                      HostileNote{"SectionLike", "[Configuration]"}, HostileNote{"MultiLineTag", "<<<END"},
                      HostileNote{"FormatCharacters", "%s%d%n%%"},
                      HostileNote{"Japanese", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE3\x83\xA1\xE3\x83\xA2"},
                      HostileNote{"Emoji", "\xF0\x9F\x8E\x9B\xEF\xB8\x8F mix \xF0\x9F\x8E\xB6"},
                      HostileNote{"InvalidUtf8", "\xFF\xFE bad \xC3"},
                      HostileNote{"TenThousandCharacters", std::string(10000, 'w')},
                      HostileNote{"LongPastTheOldBuffer", std::string(4094, 'a') + "\xE6\x97\xA5" + "tail"}),
    [](const ::testing::TestParamInfo<HostileNote>& info) { return std::string(info.param.name); });

#include "data/FactoryTables.h"
#include "data/SonvaleData.h"
#include "platform/SystemLanguage.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// Tables of the test's own, allocated to their exact size so that AddressSanitizer reports any read
// past their last row.
std::unique_ptr<DataEntry[]> MakeTable(std::size_t rows, std::int16_t firstKey = 100)
{
    auto table = std::make_unique<DataEntry[]>(rows);
    for (std::size_t i = 0; i < rows; ++i)
        table[i] = DataEntry{static_cast<std::int16_t>(firstKey + static_cast<int>(i % 20000)), "n", "a", "d", {}};
    return table;
}

class LanguageSelection : public testing::TestWithParam<std::pair<const char*, bool>> {
protected:
    void TearDown() override { SetSystemDefaultLangIDOverride(std::nullopt); }
};

TEST_P(LanguageSelection, LocaleChoosesTheTableOfItsLanguage)
{
    const auto [locale, japanese] = GetParam();
    SetSystemDefaultLangIDOverride(LangIdFromLocaleName(locale));
    CSonvaleData data;
    ASSERT_EQ(data.SelectFactoryTable(), RC_OK);
    EXPECT_EQ(data.EntryCount(), 59);
    EXPECT_EQ(data.EntryAt(0), japanese ? JapaneseFactoryTable() : EnglishFactoryTable());
    EXPECT_STREQ(data.EntryAt(0)->description, japanese ? "プリセットデータ" : "Preset Data");
}

INSTANTIATE_TEST_SUITE_P(Locales, LanguageSelection,
                         testing::Values(std::pair{"ja_JP.UTF-8", true}, std::pair{"en_US.UTF-8", false},
                                         std::pair{"de_DE.UTF-8", false}, std::pair{"", false}));

TEST(SonvaleDataTable, TerminatorInLastAllowedRowIsFound)
{
    auto table = MakeTable(10000);
    table[9999].key = kTerminatorKey;
    CSonvaleData data;
    ASSERT_EQ(data.SelectTable(table.get()), RC_OK);
    EXPECT_EQ(data.EntryCount(), 9999);
    EXPECT_EQ(data.EntryAt(9998), &table[9998]);
    EXPECT_EQ(data.EntryAt(9999), nullptr);
}

TEST(SonvaleDataTable, NoTerminatorInTenThousandRowsIsRejectedWithoutReadingFurther)
{
    auto table = MakeTable(10000); // exactly 10000 rows: row 10000 must never be read
    CSonvaleData data;
    EXPECT_EQ(data.SelectTable(table.get()), RC_NO_TERMINATOR);
    EXPECT_EQ(data.EntryCount(), 0);
    EXPECT_EQ(data.EntryAt(0), nullptr);
    std::int16_t key = 0;
    const char *name = nullptr, *author = nullptr, *description = nullptr;
    EXPECT_EQ(data.GetEntryInfo(100, key, name, author, description), RC_NO_SUCH_KEY);
}

TEST(SonvaleDataTable, RejectedTableReplacesAnEarlierSelection)
{
    CSonvaleData data;
    ASSERT_EQ(data.SelectTable(EnglishFactoryTable()), RC_OK);
    EXPECT_EQ(data.SelectTable(nullptr), RC_NO_TERMINATOR);
    ParameterSet values{};
    EXPECT_EQ(data.GetParameterSet(0, 0, values), RC_NO_SUCH_KEY);
}

TEST(SonvaleDataTable, EmptyTableAndNoSelectionFindNothing)
{
    CSonvaleData unselected;
    ParameterSet values{};
    EXPECT_EQ(unselected.GetParameterSet(0, 0, values), RC_NO_SUCH_KEY);

    const DataEntry onlyTerminator[] = {{kTerminatorKey, nullptr, nullptr, nullptr, {}}};
    CSonvaleData empty;
    ASSERT_EQ(empty.SelectTable(onlyTerminator), RC_OK);
    EXPECT_EQ(empty.EntryCount(), 0);
    EXPECT_EQ(empty.GetParameterSet(0, 0, values), RC_NO_SUCH_KEY);
}

TEST(SonvaleDataTable, FirstRowWithTheKeyWinsAndNegativeKeysNeverMatch)
{
    const DataEntry table[] = {
        {7, "first", "a", "d", {{{1, 2, 3, 4, 5}}}},
        {7, "second", "a", "d", {{{9, 9, 9, 9, 9}}}},
        {-2, "negative", "a", "d", {}},
        {kTerminatorKey, nullptr, nullptr, nullptr, {}},
    };
    CSonvaleData data;
    ASSERT_EQ(data.SelectTable(table), RC_OK);
    ASSERT_EQ(data.EntryCount(), 3);

    std::int16_t key = 0;
    const char *name = nullptr, *author = nullptr, *description = nullptr;
    ASSERT_EQ(data.GetEntryInfo(7, key, name, author, description), RC_OK);
    EXPECT_STREQ(name, "first");
    ParameterSet values{};
    ASSERT_EQ(data.GetParameterSet(7, 0, values), RC_OK);
    EXPECT_EQ(values, (ParameterSet{{1, 2, 3, 4, 5}}));

    // -2 as a requested key is 0xFFFE, which no signed row key equals.
    EXPECT_EQ(data.GetEntryInfo(static_cast<std::uint16_t>(-2), key, name, author, description), RC_NO_SUCH_KEY);
}

class FactoryLookup : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(m_data.SelectTable(EnglishFactoryTable()), RC_OK); }
    CSonvaleData m_data;
    ParameterSet m_values{};
    std::int16_t m_key = 0;
    const char* m_name = nullptr;
    const char* m_author = nullptr;
    const char* m_description = nullptr;
};

TEST_F(FactoryLookup, KeysOutsideTheTableAreUnknown)
{
    for (const std::int16_t key : {std::int16_t{59}, std::int16_t{-1}, std::int16_t{1000}}) {
        SCOPED_TRACE(key);
        EXPECT_EQ(m_data.GetEntryInfo(static_cast<std::uint16_t>(key), m_key, m_name, m_author, m_description),
                  RC_NO_SUCH_KEY);
        EXPECT_EQ(m_data.GetParameterSet(static_cast<std::uint16_t>(key), 0, m_values), RC_NO_SUCH_KEY);
    }
}

TEST_F(FactoryLookup, SetIndexIsCheckedBeforeTheKey)
{
    EXPECT_EQ(m_data.GetParameterSet(59, 9, m_values), RC_BAD_PARAMETER_SET);
    EXPECT_EQ(m_data.GetParameterSet(0, 9, m_values), RC_BAD_PARAMETER_SET);
    EXPECT_EQ(m_data.GetParameterSet(0, 0xFFFF, m_values), RC_BAD_PARAMETER_SET);
}

TEST_F(FactoryLookup, LastSetOfLastEntry)
{
    ASSERT_EQ(m_data.GetParameterSet(58, 8, m_values), RC_OK);
    EXPECT_EQ(m_values, (ParameterSet{{283, 229, 36, 100, 0}}));
}

TEST_F(FactoryLookup, EntryInfoOfTheLongestReleaseTime)
{
    ASSERT_EQ(m_data.GetEntryInfo(47, m_key, m_name, m_author, m_description), RC_OK);
    EXPECT_EQ(m_key, 47);
    EXPECT_STREQ(m_name, "Brisa 4:1 R1000");
    EXPECT_STREQ(m_author, "Corvane Corporation");
    EXPECT_STREQ(m_description, "Fixed Ratio 4:1, Release 1000msec");
}

} // namespace

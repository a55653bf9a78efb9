#include "platform/SystemLanguage.h"

#include <gtest/gtest.h>

namespace {

TEST(SystemLanguage, LocaleNamesGiveTheirLanguage)
{
    EXPECT_EQ(LangIdFromLocaleName("ja_JP.UTF-8"), 0x0411);
    EXPECT_EQ(LangIdFromLocaleName("ja_JP.eucJP"), 0x0411);
    EXPECT_EQ(LangIdFromLocaleName("ja"), 0x0411);
    EXPECT_EQ(LangIdFromLocaleName("en_US.UTF-8"), 0x0409);
    EXPECT_EQ(LangIdFromLocaleName("en_GB.UTF-8"), 0x0809);
    EXPECT_EQ(LangIdFromLocaleName("de_DE.UTF-8"), 0x0407);
    EXPECT_EQ(LangIdFromLocaleName("de_DE@euro"), 0x0407);
    EXPECT_EQ(LangIdFromLocaleName("pt_BR.UTF-8"), 0x0416);
}

TEST(SystemLanguage, NoLanguageMeansEnglish)
{
    for (const char* locale : {"", "C", "POSIX", "C.UTF-8", "xx_YY.UTF-8"})
        EXPECT_EQ(LangIdFromLocaleName(locale), 0x0409) << '"' << locale << '"';
}

TEST(SystemLanguage, OnlyJapaneseHasTheJapanesePrimaryLanguage)
{
    EXPECT_EQ(PrimaryLangId(LangIdFromLocaleName("ja_JP.UTF-8")), LANG_JAPANESE);
    for (const char* locale : {"en_US.UTF-8", "de_DE.UTF-8", ""})
        EXPECT_NE(PrimaryLangId(LangIdFromLocaleName(locale)), LANG_JAPANESE) << '"' << locale << '"';
    EXPECT_EQ(PrimaryLangId(LangIdFromLocaleName("en_GB")), LANG_ENGLISH);
}

TEST(SystemLanguage, OverrideWinsAndCanBeWithdrawn)
{
    const LANGID fromEnvironment = GetSystemDefaultLangID();
    SetSystemDefaultLangIDOverride(0x0411);
    EXPECT_EQ(GetSystemDefaultLangID(), 0x0411);
    SetSystemDefaultLangIDOverride(0x0407);
    EXPECT_EQ(GetSystemDefaultLangID(), 0x0407);
    SetSystemDefaultLangIDOverride(std::nullopt);
    EXPECT_EQ(GetSystemDefaultLangID(), fromEnvironment);
}

} // namespace

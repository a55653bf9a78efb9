#include "data/FactoryTables.h"
#include "platform/TextCodec.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

using Sets = std::vector<ParameterSet>;

Sets SetsOf(const DataEntry& entry)
{
    return Sets(std::begin(entry.parameterSets), std::end(entry.parameterSets));
}

TEST(FactoryTables, BothHoldTheSame59EntriesAndDifferOnlyInDescriptions)
{
    const DataSet english = EnglishFactoryTable();
    const DataSet japanese = JapaneseFactoryTable();
    for (int row = 0; row < kFactoryEntryCount; ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(english[row].key, row);
        EXPECT_EQ(japanese[row].key, row);
        EXPECT_STREQ(english[row].name, japanese[row].name);
        EXPECT_STREQ(english[row].author, japanese[row].author);
        EXPECT_EQ(SetsOf(english[row]), SetsOf(japanese[row]));
        EXPECT_STRNE(english[row].description, japanese[row].description);
        // Japanese descriptions are UTF-8 that converts without a replacement character.
        EXPECT_FALSE(WideFromNarrow(japanese[row].description).contains(QChar(0xFFFD)));
    }
    for (const DataSet table : {english, japanese}) {
        const DataEntry& end = table[kFactoryEntryCount];
        EXPECT_EQ(end.key, kTerminatorKey);
        EXPECT_EQ(end.name, nullptr);
        EXPECT_EQ(end.author, nullptr);
        EXPECT_EQ(end.description, nullptr);
        EXPECT_EQ(SetsOf(end), Sets(9, ParameterSet{}));
    }
}

TEST(FactoryTables, AuthorsAndNamesFitTheirLimits)
{
    const DataSet table = EnglishFactoryTable();
    EXPECT_STREQ(table[1].author, "Harlan Quist");
    EXPECT_STREQ(table[2].author, "Dorian Malloway");
    EXPECT_STREQ(table[3].author, "Ivo Trenholm");
    for (int row = 0; row < kFactoryEntryCount; ++row) {
        if (row < 1 || row > 3) {
            EXPECT_STREQ(table[row].author, "Corvane Corporation") << row;
        }
        EXPECT_LE(std::string(table[row].name).size(), 26u) << row;
        for (const char c : std::string(table[row].name) + table[row].author)
            EXPECT_LT(static_cast<unsigned char>(c), 0x80) << row;
    }
}

TEST(FactoryTables, VoicedEntriesCarryTheirGivenValues)
{
    const DataSet table = EnglishFactoryTable();
    EXPECT_EQ(SetsOf(table[0]), (Sets{{{278, 197, 28, 100, 69}}, {{272, 152, 46, 100, 62}}, {{267, 43, 65, 100, 55}},
                                      {{254, 145, 75, 100, 67}}, {{242, 191, 86, 100, 80}}, {{233, 176, 74, 100, 82}},
                                      {{199, 161, 48, 100, 84}}, {{173, 137, 84, 100, 87}}, {{57, 56, 120, 100, 91}}}));
    const int natural3[] = {2, 7, 12, 18, 24, 42, 60, 73, 86};
    const int natural4[] = {0, 70, 140, 160, 180, 185, 190, 195, 200};
    const int maximizer2[] = {71, 113, 156, 193, 231, 250, 270, 285, 300};
    const int maximizer4[] = {200, 175, 150, 125, 100, 75, 50, 25, 0};
    const int gang1[] = {57, 88, 120, 143, 166, 194, 222, 252, 283};
    const int gang2[] = {24, 53, 82, 118, 154, 182, 211, 255, 300};
    const int gang5[] = {79, 75, 71, 65, 60, 55, 50, 45, 40};
    for (int k = 0; k < 9; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(table[14].parameterSets[k], (ParameterSet{{57, 159, std::int16_t(natural3[k]), std::int16_t(natural4[k]), 0}}));
        EXPECT_EQ(table[19].parameterSets[k], (ParameterSet{{57, std::int16_t(maximizer2[k]), 120, std::int16_t(maximizer4[k]), 200}}));
        EXPECT_EQ(table[20].parameterSets[k], (ParameterSet{{std::int16_t(gang1[k]), std::int16_t(gang2[k]), 60, 100, std::int16_t(gang5[k])}}));
    }
}

// Every entry carries values the console accepts, changes over its nine sets, and is unlike every
// other entry.
TEST(FactoryTables, EveryEntryIsInRangeProgressesAndIsDistinct)
{
    const DataSet table = EnglishFactoryTable();
    std::set<std::vector<int>> seen;
    for (int row = 0; row < kFactoryEntryCount; ++row) {
        SCOPED_TRACE(row);
        const Sets sets = SetsOf(table[row]);
        for (const ParameterSet& s : sets) {
            EXPECT_GE(s.values[0], 57);
            EXPECT_LE(s.values[0], 283);
            EXPECT_GE(s.values[1], 24);
            EXPECT_LE(s.values[1], 300);
            EXPECT_GE(s.values[2], 2);
            EXPECT_LE(s.values[2], 120);
            for (const int v : {3, 4}) {
                EXPECT_GE(s.values[v], 0);
                EXPECT_LE(s.values[v], 200);
            }
        }
        EXPECT_NE(sets.front(), sets.back());
        std::vector<int> flat;
        for (const ParameterSet& s : sets)
            flat.insert(flat.end(), std::begin(s.values), std::end(s.values));
        EXPECT_TRUE(seen.insert(flat).second) << "same sets as an earlier entry";
    }
}

// The console's release codes by release time in milliseconds.
struct Release {
    int ms;
    int code;
};
constexpr Release kReleases4to1[] = {
    {10, 30},   {15, 52},   {20, 69},   {25, 82},   {30, 93},   {40, 110},  {50, 123},  {60, 134},  {70, 143},
    {80, 151},  {90, 158},  {100, 164}, {120, 175}, {140, 184}, {160, 192}, {180, 199}, {200, 205}, {250, 219},
    {300, 229}, {350, 238}, {400, 246}, {500, 260}, {600, 270}, {800, 287}, {1000, 300},
};
constexpr Release kReleases28to1[] = {
    {100, 164}, {120, 175}, {140, 184}, {160, 192}, {180, 199}, {200, 205},
    {220, 211}, {240, 216}, {260, 221}, {280, 225}, {300, 229},
};

TEST(FactoryTables, FixedRatioFamilyFollowsItsRule)
{
    struct Expected {
        std::string ratio;
        int ratioCode;
        Release release;
    };
    std::vector<Expected> family;
    for (const Release& r : kReleases4to1)
        family.push_back({"4", 60, r});
    for (const Release& r : kReleases28to1)
        family.push_back({"2.8", 36, r});
    ASSERT_EQ(family.size(), 36u);

    const int attack[] = {57, 84, 111, 140, 170, 196, 223, 253, 283};
    const DataSet english = EnglishFactoryTable();
    const DataSet japanese = JapaneseFactoryTable();
    for (std::size_t i = 0; i < family.size(); ++i) {
        const Expected& e = family[i];
        const int row = 23 + static_cast<int>(i);
        const std::string ms = std::to_string(e.release.ms);
        SCOPED_TRACE(row);
        EXPECT_EQ(english[row].key, row);
        EXPECT_EQ(std::string(english[row].name), "Brisa " + e.ratio + ":1 R" + ms);
        EXPECT_EQ(std::string(english[row].description), "Fixed Ratio " + e.ratio + ":1, Release " + ms + "msec");
        EXPECT_EQ(std::string(japanese[row].description), "レシオ" + e.ratio + ":1、リリース" + ms + "msecに固定");
        for (int k = 0; k < 9; ++k)
            EXPECT_EQ(english[row].parameterSets[k],
                      (ParameterSet{{std::int16_t(attack[k]), std::int16_t(e.release.code), std::int16_t(e.ratioCode), 100, 0}}))
                << "set " << k;
    }
    EXPECT_STREQ(english[23].name, "Brisa 4:1 R10");
    EXPECT_STREQ(japanese[23].description, "レシオ4:1、リリース10msecに固定");
    EXPECT_STREQ(english[58].description, "Fixed Ratio 2.8:1, Release 300msec");
}

} // namespace

// Keys 1 to 22 carry individual names and descriptions; each is pinned here as published.
TEST(FactoryTables, Keys1To22CarryTheirNamesAndBothDescriptions)
{
    struct Texts {
        const char* name;
        const char* english;
        const char* japanese;
    };
    static const Texts kTexts[22] = {
        {"Fenwick Series Vol.1", "Special set for General", "全ての楽曲に最適なスペシャルセット"},
        {"Fenwick Series Vol.2", "Special set for Rock/POP music", "RockやPopsに最適なスペシャルセット"},
        {"Fenwick Series Vol.3", "Special set for HR/HM", "HRやHMに最適なスペシャルセット"},
        {"Brisa #01 Vo Soft", "Light Compression keeping subtle nuances", "微妙なニュアンスを保持するライトコンプ"},
        {"Brisa #02 Vo Hard", "Hard Compression for Vocal to stand out in a band", "バックの音圧に負けないVoコンプ"},
        {"Brisa #03 AG Comp", "Compressor for Acoustic Guitar", "アコースティックギター用のコンプ"},
        {"Brisa #04 EG Comp", "Compressor for Clean Electric Guitar",
         "コンパクトエフェクターのイメージで使用できるクリーントーンのエレキギター用のコンプ"},
        {"Brisa #05 Bass Comp", "Compressor for Electric Bass", "エレキベース用のコンプ"},
        {"Brisa #06 Dr Set", "Overall Compressor for Drum Mix", "Drum MIX用トータルコンプ"},
        {"Brisa #07 Dr Shell", "Compressor for Individual Drums", "Drum皮物単体用に最適なコンプ"},
        {"Brisa #08 Percussion", "Compressor for All Percussion, from percussive to sustaining sound",
         "瞬発系から持続系まで幅広く対応するコンプ"},
        {"Brisa #09 Brass Sec", "Compressor for Brass and Woodwind", "代表的な金管木管アレンジに最適なコンプ"},
        {"Brisa #10 Band", "Compressor for a Band Ensemble", "バンドアンサンブル用プリセットコンプ"},
        {"Brisa #11 Natural Comp", "Natural sounding all round soft compressor / limiter",
         "オールラウンドに使えるソフトコンプ/リミッター"},
        {"Brisa #12 Easy Comp1", "Easy-to-use, all round compressor", "使いやすいオールラウンドなコンプ"},
        {"Brisa #13 Easy Comp2", "Easy-to-use, punchier all round compressor",
         "ややパンチの強い、使いやすいオールラウンドなコンプ"},
        {"Brisa #14 Easy Limiter", "Easy-to-use, all round limiter", "さまざまな場面で使えるリミッター"},
        {"Brisa #15 Peak Limiter", "Limiter for suppressing peak", "ピークを抑えることに適したリミッター"},
        {"Brisa #16 Maximizer", "Compressor for maximizing the level", "レベルを稼ぐのに使用できるコンプ"},
        {"Brisa #17 A-R Gang", "Compressor with fixed Ratio and Attack/Release control ganged",
         "圧縮具合は一定で、アタック、リリースを連動させたコンプ"},
        {"Brisa #18 A-R Inv Gang", "Compressor with fixed Ratio and Attack/Release control ganged inversely",
         "レシオ固定で、アタック、リリースを反連動させたコンプ"},
        {"Brisa #19 Almighty", "Almighty compressor to use when in doubt", "迷ったときに使えるオールマイティなコンプ"},
    };
    const DataSet english = EnglishFactoryTable();
    const DataSet japanese = JapaneseFactoryTable();
    for (int key = 1; key <= 22; ++key) {
        SCOPED_TRACE(key);
        const Texts& texts = kTexts[key - 1];
        EXPECT_STREQ(english[key].name, texts.name);
        EXPECT_STREQ(english[key].description, texts.english);
        EXPECT_STREQ(japanese[key].description, texts.japanese);
    }
}

#include "data/FactoryTables.h"

#include "data/FixedRatioFamily.h"

#include <array>
#include <cstdint>

namespace {

using std::int16_t;

constexpr const char* kCorvane = "Corvane Corporation";

// Nine sets whose five values move in a straight line from the first set to the last, rounded to the
// nearest integer. Used for the presets whose values change evenly over the sets.
struct Span {
    int first;
    int last;
};
constexpr std::array<ParameterSet, kParameterSetCount> Progression(Span v1, Span v2, Span v3, Span v4, Span v5)
{
    std::array<ParameterSet, kParameterSetCount> sets{};
    const Span spans[kValuesPerSet] = {v1, v2, v3, v4, v5};
    for (int k = 0; k < kParameterSetCount; ++k)
        for (int v = 0; v < kValuesPerSet; ++v) {
            const int delta = (spans[v].last - spans[v].first) * k;
            const int step = delta >= 0 ? (delta + 4) / 8 : -((-delta + 4) / 8);
            sets[k].values[v] = static_cast<int16_t>(spans[v].first + step);
        }
    return sets;
}

constexpr std::array<ParameterSet, kParameterSetCount> Sets(const ParameterSet (&given)[kParameterSetCount])
{
    std::array<ParameterSet, kParameterSetCount> sets{};
    for (int k = 0; k < kParameterSetCount; ++k)
        sets[k] = given[k];
    return sets;
}

struct Preset {
    int16_t key;
    const char* name;
    const char* author;
    std::array<ParameterSet, kParameterSetCount> sets;
};

// Keys 0 to 22, the individually voiced presets, shared by both tables.
constexpr Preset kIndividual[] = {
    {0, "Preset", kCorvane,
     Sets({{{278, 197, 28, 100, 69}}, {{272, 152, 46, 100, 62}}, {{267, 43, 65, 100, 55}},
           {{254, 145, 75, 100, 67}}, {{242, 191, 86, 100, 80}}, {{233, 176, 74, 100, 82}},
           {{199, 161, 48, 100, 84}}, {{173, 137, 84, 100, 87}}, {{57, 56, 120, 100, 91}}})},
    {1, "Fenwick Series Vol.1", "Harlan Quist", Progression({270, 60}, {190, 70}, {30, 110}, {100, 100}, {70, 95})},
    {2, "Fenwick Series Vol.2", "Dorian Malloway", Progression({265, 62}, {180, 60}, {36, 116}, {110, 100}, {75, 100})},
    {3, "Fenwick Series Vol.3", "Ivo Trenholm", Progression({260, 57}, {170, 50}, {42, 120}, {120, 100}, {80, 110})},
    {4, "Brisa #01 Vo Soft", kCorvane, Progression({200, 120}, {220, 140}, {8, 40}, {40, 120}, {20, 40})},
    {5, "Brisa #02 Vo Hard", kCorvane, Progression({150, 70}, {160, 90}, {30, 90}, {100, 180}, {40, 60})},
    {6, "Brisa #03 AG Comp", kCorvane, Progression({180, 100}, {200, 120}, {12, 54}, {60, 140}, {10, 30})},
    {7, "Brisa #04 EG Comp", kCorvane, Progression({120, 60}, {250, 180}, {24, 84}, {80, 160}, {0, 20})},
    {8, "Brisa #05 Bass Comp", kCorvane, Progression({160, 80}, {140, 80}, {36, 96}, {100, 170}, {30, 50})},
    {9, "Brisa #06 Dr Set", kCorvane, Progression({230, 110}, {120, 60}, {18, 72}, {60, 150}, {50, 90})},
    {10, "Brisa #07 Dr Shell", kCorvane, Progression({250, 140}, {90, 40}, {30, 100}, {80, 160}, {20, 40})},
    {11, "Brisa #08 Percussion", kCorvane, Progression({240, 90}, {60, 260}, {20, 80}, {70, 150}, {10, 60})},
    {12, "Brisa #09 Brass Sec", kCorvane, Progression({190, 100}, {170, 110}, {20, 70}, {90, 150}, {30, 50})},
    {13, "Brisa #10 Band", kCorvane, Progression({220, 130}, {210, 120}, {14, 60}, {80, 140}, {40, 70})},
    {14, "Brisa #11 Natural Comp", kCorvane,
     Sets({{{57, 159, 2, 0, 0}}, {{57, 159, 7, 70, 0}}, {{57, 159, 12, 140, 0}}, {{57, 159, 18, 160, 0}},
           {{57, 159, 24, 180, 0}}, {{57, 159, 42, 185, 0}}, {{57, 159, 60, 190, 0}},
           {{57, 159, 73, 195, 0}}, {{57, 159, 86, 200, 0}}})},
    {15, "Brisa #12 Easy Comp1", kCorvane, Progression({200, 90}, {180, 120}, {16, 66}, {50, 150}, {0, 0})},
    {16, "Brisa #13 Easy Comp2", kCorvane, Progression({150, 60}, {160, 100}, {24, 84}, {60, 170}, {0, 0})},
    {17, "Brisa #14 Easy Limiter", kCorvane, Progression({90, 57}, {200, 120}, {80, 120}, {100, 200}, {0, 50})},
    {18, "Brisa #15 Peak Limiter", kCorvane, Progression({57, 57}, {100, 40}, {100, 120}, {120, 200}, {0, 20})},
    {19, "Brisa #16 Maximizer", kCorvane,
     Sets({{{57, 71, 120, 200, 200}}, {{57, 113, 120, 175, 200}}, {{57, 156, 120, 150, 200}},
           {{57, 193, 120, 125, 200}}, {{57, 231, 120, 100, 200}}, {{57, 250, 120, 75, 200}},
           {{57, 270, 120, 50, 200}}, {{57, 285, 120, 25, 200}}, {{57, 300, 120, 0, 200}}})},
    {20, "Brisa #17 A-R Gang", kCorvane,
     Sets({{{57, 24, 60, 100, 79}}, {{88, 53, 60, 100, 75}}, {{120, 82, 60, 100, 71}}, {{143, 118, 60, 100, 65}},
           {{166, 154, 60, 100, 60}}, {{194, 182, 60, 100, 55}}, {{222, 211, 60, 100, 50}},
           {{252, 255, 60, 100, 45}}, {{283, 300, 60, 100, 40}}})},
    {21, "Brisa #18 A-R Inv Gang", kCorvane, Progression({57, 283}, {300, 24}, {60, 60}, {100, 100}, {40, 79})},
    {22, "Brisa #19 Almighty", kCorvane, Progression({250, 80}, {200, 100}, {20, 90}, {90, 160}, {60, 90})},
};
constexpr int kIndividualCount = static_cast<int>(std::size(kIndividual));

constexpr const char* kEnglishDescriptions[kIndividualCount] = {
    "Preset Data",
    "Special set for General",
    "Special set for Rock/POP music",
    "Special set for HR/HM",
    "Light Compression keeping subtle nuances",
    "Hard Compression for Vocal to stand out in a band",
    "Compressor for Acoustic Guitar",
    "Compressor for Clean Electric Guitar",
    "Compressor for Electric Bass",
    "Overall Compressor for Drum Mix",
    "Compressor for Individual Drums",
    "Compressor for All Percussion, from percussive to sustaining sound",
    "Compressor for Brass and Woodwind",
    "Compressor for a Band Ensemble",
    "Natural sounding all round soft compressor / limiter",
    "Easy-to-use, all round compressor",
    "Easy-to-use, punchier all round compressor",
    "Easy-to-use, all round limiter",
    "Limiter for suppressing peak",
    "Compressor for maximizing the level",
    "Compressor with fixed Ratio and Attack/Release control ganged",
    "Compressor with fixed Ratio and Attack/Release control ganged inversely",
    "Almighty compressor to use when in doubt",
};

constexpr const char* kJapaneseDescriptions[kIndividualCount] = {
    "プリセットデータ",
    "全ての楽曲に最適なスペシャルセット",
    "RockやPopsに最適なスペシャルセット",
    "HRやHMに最適なスペシャルセット",
    "微妙なニュアンスを保持するライトコンプ",
    "バックの音圧に負けないVoコンプ",
    "アコースティックギター用のコンプ",
    "コンパクトエフェクターのイメージで使用できるクリーントーンのエレキギター用のコンプ",
    "エレキベース用のコンプ",
    "Drum MIX用トータルコンプ",
    "Drum皮物単体用に最適なコンプ",
    "瞬発系から持続系まで幅広く対応するコンプ",
    "代表的な金管木管アレンジに最適なコンプ",
    "バンドアンサンブル用プリセットコンプ",
    "オールラウンドに使えるソフトコンプ/リミッター",
    "使いやすいオールラウンドなコンプ",
    "ややパンチの強い、使いやすいオールラウンドなコンプ",
    "さまざまな場面で使えるリミッター",
    "ピークを抑えることに適したリミッター",
    "レベルを稼ぐのに使用できるコンプ",
    "圧縮具合は一定で、アタック、リリースを連動させたコンプ",
    "レシオ固定で、アタック、リリースを反連動させたコンプ",
    "迷ったときに使えるオールマイティなコンプ",
};

constexpr FixedRatioFamily::Texts kFamilyTexts = FixedRatioFamily::BuildTexts();

using Table = std::array<DataEntry, kFactoryEntryCount + 1>;

constexpr DataEntry MakeEntry(int16_t key, const char* name, const char* author, const char* description,
                              const std::array<ParameterSet, kParameterSetCount>& sets)
{
    DataEntry entry{key, name, author, description, {}};
    for (int k = 0; k < kParameterSetCount; ++k)
        entry.parameterSets[k] = sets[k];
    return entry;
}

template <std::size_t N>
constexpr Table BuildTable(const char* const (&descriptions)[kIndividualCount],
                           const char (&familyDescriptions)[FixedRatioFamily::kEntryCount][N])
{
    Table table{};
    int row = 0;
    for (int i = 0; i < kIndividualCount; ++i, ++row) {
        const Preset& p = kIndividual[i];
        table[row] = MakeEntry(p.key, p.name, p.author, descriptions[i], p.sets);
    }
    const auto members = FixedRatioFamily::Members();
    for (int i = 0; i < FixedRatioFamily::kEntryCount; ++i, ++row)
        table[row] = MakeEntry(static_cast<int16_t>(FixedRatioFamily::kFirstKey + i), kFamilyTexts.names[i],
                               kCorvane, familyDescriptions[i], FixedRatioFamily::ParameterSetsOf(members[i]));
    table[row] = DataEntry{kTerminatorKey, nullptr, nullptr, nullptr, {}};
    return table;
}

constexpr Table kEnglish = BuildTable(kEnglishDescriptions, kFamilyTexts.english);
constexpr Table kJapanese = BuildTable(kJapaneseDescriptions, kFamilyTexts.japanese);

// Compile-time guarantees of the tables' shape: ascending keys 0 to 58, every value inside what the
// wire format can carry (value 3 in one 7-bit byte, the others in 14 bits), every release code known,
// names short enough to be transferred whole, and no text cut by its storage.
constexpr std::size_t Length(const char* text)
{
    std::size_t n = 0;
    while (text[n] != '\0')
        ++n;
    return n;
}

constexpr bool WellFormed(const Table& table)
{
    for (int row = 0; row < kFactoryEntryCount; ++row) {
        const DataEntry& e = table[row];
        if (e.key != row || Length(e.name) > 26 || Length(e.description) == 0)
            return false;
        for (const ParameterSet& set : e.parameterSets) {
            const auto* v = set.values;
            if (v[0] < 57 || v[0] > 283 || v[1] < 24 || v[1] > 300 || v[2] < 2 || v[2] > 120 || v[3] < 0 ||
                v[3] > 200 || v[4] < 0 || v[4] > 200)
                return false;
        }
    }
    return table[kFactoryEntryCount].key == kTerminatorKey;
}

constexpr bool FamilyTextsFit()
{
    for (int i = 0; i < FixedRatioFamily::kEntryCount; ++i)
        if (Length(kFamilyTexts.names[i]) + 1 >= sizeof kFamilyTexts.names[i] ||
            Length(kFamilyTexts.english[i]) + 1 >= sizeof kFamilyTexts.english[i] ||
            Length(kFamilyTexts.japanese[i]) + 1 >= sizeof kFamilyTexts.japanese[i])
            return false;
    return true;
}

static_assert(WellFormed(kEnglish) && WellFormed(kJapanese));
static_assert(FamilyTextsFit());

} // namespace

DataSet EnglishFactoryTable()
{
    return kEnglish.data();
}

DataSet JapaneseFactoryTable()
{
    return kJapanese.data();
}

#pragma once
#include "data/DataEntry.h"

#include <array>
#include <cstdint>

// The fixed-ratio family of the factory tables (keys 23 to 58): every entry is made from its ratio and
// its release time by one rule, so the 36 rows are computed here at compile time rather than typed out.
//   name                 "Brisa <ratio>:1 R<release>"
//   English description  "Fixed Ratio <ratio>:1, Release <release>msec"
//   Japanese description "レシオ<ratio>:1、リリース<release>msecに固定"
//   sets 0-8             value 1 from kFixedRatioAttack, value 2 the release code, value 3 the ratio
//                        code, value 4 100, value 5 0
namespace FixedRatioFamily {

inline constexpr std::int16_t kFirstKey = 23;
inline constexpr int kEntryCount = 36;

inline constexpr std::int16_t kAttack[kParameterSetCount] = {57, 84, 111, 140, 170, 196, 223, 253, 283};
inline constexpr std::int16_t kValue4 = 100;
inline constexpr std::int16_t kValue5 = 0;

// The console's release code (value 2) for each release time in milliseconds.
struct ReleaseCode {
    std::int16_t milliseconds;
    std::int16_t code;
};
inline constexpr ReleaseCode kReleaseCodes[] = {
    {10, 30},   {15, 52},   {20, 69},   {25, 82},   {30, 93},   {40, 110},  {50, 123},  {60, 134},
    {70, 143},  {80, 151},  {90, 158},  {100, 164}, {120, 175}, {140, 184}, {160, 192}, {180, 199},
    {200, 205}, {220, 211}, {240, 216}, {250, 219}, {260, 221}, {280, 225}, {300, 229}, {350, 238},
    {400, 246}, {500, 260}, {600, 270}, {800, 287}, {1000, 300},
};

// -1 for a release time the console has no code for.
[[nodiscard]] constexpr std::int16_t ReleaseCodeOf(std::int16_t milliseconds)
{
    for (const auto& entry : kReleaseCodes)
        if (entry.milliseconds == milliseconds)
            return entry.code;
    return -1;
}

// One ratio of the family and the release times it is offered with, in table order.
struct RatioGroup {
    const char* ratioText;      // as written in names and descriptions
    std::int16_t ratioCode;     // value 3
    int releaseCount;
    std::int16_t releases[25];
};
inline constexpr RatioGroup kGroups[] = {
    {"4", 60, 25, {10, 15, 20, 25, 30, 40, 50, 60, 70, 80, 90, 100, 120, 140, 160, 180, 200, 250, 300,
                   350, 400, 500, 600, 800, 1000}},
    {"2.8", 36, 11, {100, 120, 140, 160, 180, 200, 220, 240, 260, 280, 300}},
};

struct Member {
    const char* ratioText;
    std::int16_t ratioCode;
    std::int16_t releaseMilliseconds;
};

// The family in key order: member i has key kFirstKey + i.
[[nodiscard]] constexpr std::array<Member, kEntryCount> Members()
{
    std::array<Member, kEntryCount> members{};
    int i = 0;
    for (const auto& group : kGroups)
        for (int r = 0; r < group.releaseCount && i < kEntryCount; ++r)
            members[i++] = {group.ratioText, group.ratioCode, group.releases[r]};
    return members;
}

[[nodiscard]] constexpr std::array<ParameterSet, kParameterSetCount> ParameterSetsOf(const Member& member)
{
    std::array<ParameterSet, kParameterSetCount> sets{};
    const std::int16_t release = ReleaseCodeOf(member.releaseMilliseconds);
    for (int k = 0; k < kParameterSetCount; ++k)
        sets[k] = {{kAttack[k], release, member.ratioCode, kValue4, kValue5}};
    return sets;
}

// Fixed-size text storage for the 36 names and the descriptions of both languages, filled at compile
// time; the factory tables point into it.
struct Texts {
    char names[kEntryCount][24];
    char english[kEntryCount][48];
    char japanese[kEntryCount][64];
};

namespace detail {

template <std::size_t N>
struct Writer {
    char (&out)[N];
    std::size_t length = 0;

    constexpr Writer& operator<<(const char* text)
    {
        while (*text != '\0' && length + 1 < N)
            out[length++] = *text++;
        out[length] = '\0';
        return *this;
    }
    constexpr Writer& operator<<(int number)
    {
        char digits[12] = {};
        int count = 0;
        do {
            digits[count++] = static_cast<char>('0' + number % 10);
            number /= 10;
        } while (number > 0);
        while (count > 0 && length + 1 < N)
            out[length++] = digits[--count];
        out[length] = '\0';
        return *this;
    }
};

} // namespace detail

[[nodiscard]] constexpr Texts BuildTexts()
{
    Texts texts{};
    const auto members = Members();
    for (int i = 0; i < kEntryCount; ++i) {
        const Member& m = members[i];
        const int ms = m.releaseMilliseconds;
        detail::Writer<24>{texts.names[i]} << "Brisa " << m.ratioText << ":1 R" << ms;
        detail::Writer<48>{texts.english[i]} << "Fixed Ratio " << m.ratioText << ":1, Release " << ms << "msec";
        detail::Writer<64>{texts.japanese[i]} << "レシオ" << m.ratioText << ":1、リリース" << ms << "msecに固定";
    }
    return texts;
}

} // namespace FixedRatioFamily

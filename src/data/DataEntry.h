#pragma once
#include <cstdint>

// One of the nine parameter groups of a preset: five values, numbered 1 to 5 and kept in that order.
// The program never interprets them; it only transfers them to the console. Values 1, 2, 4 and 5 travel
// as 14-bit quantities (0 to 16383), value 3 as one 7-bit byte (0 to 127).
struct ParameterSet {
    std::int16_t values[5];

    friend constexpr bool operator==(const ParameterSet&, const ParameterSet&) = default;
};

inline constexpr int kParameterSetCount = 9;
inline constexpr int kValuesPerSet = 5;

// One factory preset ("Sonvale Data"). Texts are constant UTF-8 strings that live as long as the
// program; a table's terminating row has key -1, null texts and all values zero.
struct DataEntry {
    std::int16_t key;
    const char* name;
    const char* author;
    const char* description;
    ParameterSet parameterSets[kParameterSetCount];
};

inline constexpr std::int16_t kTerminatorKey = -1;

// A factory table: a constant array of DataEntry in table order, ended by the key -1 row. Referred to
// by its first row.
using DataSet = const DataEntry*;

#pragma once
#include "data/DataEntry.h"

// The two built-in factory tables. Both hold the same 59 presets (keys 0 to 58) with the same names,
// authors and parameter values, ended by the key -1 row; they differ only in the language of the
// descriptions. Texts are UTF-8.
inline constexpr int kFactoryEntryCount = 59;

[[nodiscard]] DataSet EnglishFactoryTable();
[[nodiscard]] DataSet JapaneseFactoryTable();

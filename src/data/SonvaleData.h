#pragma once
#include "data/DataEntry.h"
#include "platform/ResultCode.h"

#include <cstdint>

// Selects one factory table by the system's default language and answers look-ups in it by key.
// Owned by the data controller; SelectFactoryTable runs once, before anything else is asked.
class CSonvaleData {
public:
    // A table holds at most this many entries before its terminating row.
    static constexpr std::uint16_t kMaxEntries = 9999;

    CSonvaleData() = default;
    virtual ~CSonvaleData() = default;

    // Japanese system language: the Japanese table; every other language: the English one.
    // RC_NO_TERMINATOR when the table has no key -1 row among its first 10000 rows.
    [[nodiscard]] ResultCode SelectFactoryTable();

    // Selects a given table and counts its entries; SelectFactoryTable is this over a built-in table.
    // On RC_NO_TERMINATOR (or a null table) nothing stays selected and the count is 0.
    [[nodiscard]] ResultCode SelectTable(DataSet table);

    [[nodiscard]] std::uint16_t EntryCount() const { return m_nCount; }

    // The entry at a position in table order; nullptr at or past EntryCount().
    [[nodiscard]] const DataEntry* EntryAt(std::uint16_t position) const;

    // The key, name, author and description of the first entry with this key. The texts point into the
    // constant table and stay valid. A key is compared as an unsigned 16-bit number, so a negative key
    // (the terminator's -1 included) never matches. RC_NO_SUCH_KEY when nothing matches.
    [[nodiscard]] ResultCode GetEntryInfo(std::uint16_t key, std::int16_t& outKey, const char*& name,
                                          const char*& author, const char*& description) const;

    // The five values of parameter set `index` (0 to 8) of the first entry with this key.
    // RC_BAD_PARAMETER_SET for an index of 9 or more, tested before the key is looked up;
    // RC_NO_SUCH_KEY when nothing matches.
    [[nodiscard]] ResultCode GetParameterSet(std::uint16_t key, std::uint16_t index, ParameterSet& values) const;

private:
    [[nodiscard]] const DataEntry* Find(std::uint16_t key) const;

    DataSet m_pItems = nullptr;
    std::uint16_t m_nCount = 0;
};

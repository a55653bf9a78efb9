#include "data/SonvaleData.h"

#include "data/FactoryTables.h"
#include "platform/SystemLanguage.h"

ResultCode CSonvaleData::SelectFactoryTable()
{
    const bool japanese = IsJapaneseSystem();
    return SelectTable(japanese ? JapaneseFactoryTable() : EnglishFactoryTable());
}

ResultCode CSonvaleData::SelectTable(DataSet table)
{
    m_pItems = nullptr;
    m_nCount = 0;
    if (table == nullptr)
        return RC_NO_TERMINATOR;
    // Rows 0 to 9999 are read at most; a terminator at 9999 still counts as found.
    std::uint16_t count = 0;
    while (table[count].key != kTerminatorKey) {
        ++count;
        if (count > kMaxEntries)
            return RC_NO_TERMINATOR;
    }
    m_pItems = table;
    m_nCount = count;
    return RC_OK;
}

const DataEntry* CSonvaleData::EntryAt(std::uint16_t position) const
{
    return position < m_nCount ? &m_pItems[position] : nullptr;
}

const DataEntry* CSonvaleData::Find(std::uint16_t key) const
{
    for (std::uint16_t i = 0; i < m_nCount; ++i)
        if (static_cast<int>(m_pItems[i].key) == static_cast<int>(key))
            return &m_pItems[i];
    return nullptr;
}

ResultCode CSonvaleData::GetEntryInfo(std::uint16_t key, std::int16_t& outKey, const char*& name,
                                      const char*& author, const char*& description) const
{
    const DataEntry* entry = Find(key);
    if (entry == nullptr)
        return RC_NO_SUCH_KEY;
    outKey = entry->key;
    name = entry->name;
    author = entry->author;
    description = entry->description;
    return RC_OK;
}

ResultCode CSonvaleData::GetParameterSet(std::uint16_t key, std::uint16_t index, ParameterSet& values) const
{
    if (index >= kParameterSetCount)
        return RC_BAD_PARAMETER_SET;
    const DataEntry* entry = Find(key);
    if (entry == nullptr)
        return RC_NO_SUCH_KEY;
    values = entry->parameterSets[index];
    return RC_OK;
}

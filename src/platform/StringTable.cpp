#include "platform/StringTable.h"

#include <QCoreApplication>
#include <iterator>

namespace {

struct StringEntry
{
    std::uint32_t nId;
    const char* pszEnglish;
};

constexpr StringEntry kStrings[] = {
    {IDS_COM_START_FAILED, QT_TRANSLATE_NOOP("StringTable", "The system components that the program needs could not be started.")},
    {IDS_CONNECTION_ERROR, QT_TRANSLATE_NOOP("StringTable", "Connection Error.\nPlease make sure of whether Ostra is connected to your computer correctly.")},
    {IDS_UPDATE_QUESTION, QT_TRANSLATE_NOOP("StringTable", "Do you want to update Sonvale Data?")},
    {IDS_UPDATE_COMPLETED, QT_TRANSLATE_NOOP("StringTable", "Data update completed.")},
    {IDS_MANUAL_OPEN_FAILED, QT_TRANSLATE_NOOP("StringTable", "Can't open operation manual file.")},
    {IDS_PREFERENCE_BROKEN, QT_TRANSLATE_NOOP("StringTable", "Preference file is broken.\nDo you want to initialize it?")},
    {IDS_DATA_INVALID, QT_TRANSLATE_NOOP("StringTable", "Sonvale Data is invalid.\nPlease try to update data again.")},
    {IDS_FLASH_WRITE_FAILED, QT_TRANSLATE_NOOP("StringTable", "Can't write Sonvale Data to Flash Memory.")},
    {IDS_HELP, QT_TRANSLATE_NOOP("StringTable", "Help")},
    {IDS_CAPTION, QT_TRANSLATE_NOOP("StringTable", "Sonvale Data Manager")},
    {IDS_UPDATE_UNPROVEN, QT_TRANSLATE_NOOP("StringTable", "The answer from Ostra may be for an earlier update.\nPlease try to update data again.")},
};

} // namespace

QString LoadResourceString(std::uint32_t nId)
{
    for (const StringEntry& entry : kStrings) {
        if (entry.nId == nId)
            return QCoreApplication::translate("StringTable", entry.pszEnglish);
    }
    return {};
}

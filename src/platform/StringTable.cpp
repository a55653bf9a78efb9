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
    {IDS_LEDGER_NO_FOLDER, QT_TRANSLATE_NOOP("StringTable", "Can't keep the record of Ostra's answers.\nThere is no private folder for it (%1).\nUntil this is fixed, answers from Ostra can't be checked against earlier updates, and an update may end without a clear result.\nPlease make one of these folders usable only by you.")},
    {IDS_LEDGER_UNREADABLE, QT_TRANSLATE_NOOP("StringTable", "Can't read the record of Ostra's answers.\n%1: %2\nUntil this is fixed, answers from Ostra can't be checked against earlier updates, and an update may end without a clear result.\nPlease make the file readable, or remove it.")},
    {IDS_LEDGER_BROKEN, QT_TRANSLATE_NOOP("StringTable", "The record of Ostra's answers is broken.\n%1\nUntil this is fixed, answers from Ostra can't be checked against earlier updates, and an update may end without a clear result.\nPlease remove the file while no update is running.")},
    {IDS_LEDGER_UNWRITABLE, QT_TRANSLATE_NOOP("StringTable", "Can't write the record of Ostra's answers.\n%1: %2\nUntil this is fixed, answers from Ostra can't be checked against earlier updates, and an update may end without a clear result.\nPlease make sure that its folder can be written and has room.")},
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

#include "prefs/Win32PrefHandler.h"

#include <algorithm>
#include <new>

// The values in memory, between Load and Save. Note look-ups are linear scans in list order.

ResultCode CWin32PrefHandler::ClearNotes()
{
    m_notes.clear();
    return RC_OK;
}

ResultCode CWin32PrefHandler::GetNote(std::uint16_t nKey, std::string& strText)
{
    const auto it = std::find_if(m_notes.begin(), m_notes.end(), [nKey](const NoteRecord& n) { return n.nKey == nKey; });
    if (it == m_notes.end())
        return RC_NO_SUCH_KEY;
    strText = it->strText;
    return RC_OK;
}

ResultCode CWin32PrefHandler::SetNote(std::uint16_t nKey, const std::string& strText)
{
    try {
        const auto it =
            std::find_if(m_notes.begin(), m_notes.end(), [nKey](const NoteRecord& n) { return n.nKey == nKey; });
        if (it != m_notes.end())
            it->strText = strText;
        else
            m_notes.push_back({nKey, strText});
        return RC_OK;
    } catch (const std::bad_alloc&) {
        return RC_OUT_OF_MEMORY;
    }
}

ResultCode CWin32PrefHandler::GetSort(std::uint16_t& nColumn, bool& bDescending)
{
    nColumn = m_nSortColumn;
    bDescending = m_bSortDescending;
    return RC_OK;
}

ResultCode CWin32PrefHandler::SetSort(std::uint16_t nColumn, bool bDescending)
{
    m_nSortColumn = nColumn;
    m_bSortDescending = bDescending;
    return RC_OK;
}


ResultCode CWin32PrefHandler::SetZoomed(bool bZoomed)
{
    m_bZoomed = bZoomed;
    return RC_OK;
}

ResultCode CWin32PrefHandler::GetZoomed(bool& bZoomed)
{
    bZoomed = m_bZoomed;
    return RC_OK;
}

ResultCode CWin32PrefHandler::SetNoWidth(std::uint16_t nWidth)
{
    m_nNoWidth = nWidth;
    return RC_OK;
}

ResultCode CWin32PrefHandler::GetNoWidth(std::uint16_t& nWidth)
{
    nWidth = m_nNoWidth;
    return RC_OK;
}

ResultCode CWin32PrefHandler::SetNameWidth(std::uint16_t nWidth)
{
    m_nNameWidth = nWidth;
    return RC_OK;
}

ResultCode CWin32PrefHandler::GetNameWidth(std::uint16_t& nWidth)
{
    nWidth = m_nNameWidth;
    return RC_OK;
}

ResultCode CWin32PrefHandler::SetAuthorWidth(std::uint16_t nWidth)
{
    m_nAuthorWidth = nWidth;
    return RC_OK;
}

ResultCode CWin32PrefHandler::GetAuthorWidth(std::uint16_t& nWidth)
{
    nWidth = m_nAuthorWidth;
    return RC_OK;
}

ResultCode CWin32PrefHandler::SetDescriptionWidth(std::uint16_t nWidth)
{
    m_nDescriptionWidth = nWidth;
    return RC_OK;
}

ResultCode CWin32PrefHandler::GetDescriptionWidth(std::uint16_t& nWidth)
{
    nWidth = m_nDescriptionWidth;
    return RC_OK;
}

ResultCode CWin32PrefHandler::SetNoteWidth(std::uint16_t nWidth)
{
    m_nNoteWidth = nWidth;
    return RC_OK;
}

ResultCode CWin32PrefHandler::GetNoteWidth(std::uint16_t& nWidth)
{
    nWidth = m_nNoteWidth;
    return RC_OK;
}

ResultCode CWin32PrefHandler::SetPlacementDefaulted(bool bDefaulted)
{
    m_bPlacementDefaulted = bDefaulted;
    return RC_OK;
}

ResultCode CWin32PrefHandler::GetPlacementDefaulted(bool& bDefaulted)
{
    bDefaulted = m_bPlacementDefaulted;
    return RC_OK;
}

ResultCode CWin32PrefHandler::SetConsole(const std::string& strClient, std::uint32_t nPairId)
{
    try {
        m_console = StoredConsole{strClient, nPairId};
        SaveConsoleSection();
        return RC_OK;
    } catch (const std::bad_alloc&) {
        return RC_OUT_OF_MEMORY;
    }
}

ResultCode CWin32PrefHandler::GetConsole(std::string& strClient, std::uint32_t& nPairId)
{
    if (!m_console)
        return RC_NO_SUCH_KEY;
    strClient = m_console->strClient;
    nPairId = m_console->nPairId;
    return RC_OK;
}

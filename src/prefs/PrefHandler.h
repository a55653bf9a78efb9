#pragma once
#include "platform/ResultCode.h"

#include <cstdint>
#include <string>

// The per-user preference store: window placement, list column widths, sort order and the user's
// note for each data entry. Values live in memory between Load and Save; every operation runs on the
// user-interface thread. All return RC_OK except GetNote for a key without a note.
class CPrefHandler
{
public:
    virtual ~CPrefHandler() = default;

    // Reads the preference file, creating it with the defaults when it is missing.
    [[nodiscard]] virtual ResultCode Load() = 0;
    // Writes every value to the preference file.
    [[nodiscard]] virtual ResultCode Save() = 0;

    [[nodiscard]] virtual ResultCode ClearNotes() = 0;
    // The text of the first note with this key; RC_NO_SUCH_KEY, text untouched, when there is none.
    [[nodiscard]] virtual ResultCode GetNote(std::uint16_t nKey, std::string& strText) = 0;
    // Replaces the first note with this key, or appends one. An empty text is kept but never saved.
    [[nodiscard]] virtual ResultCode SetNote(std::uint16_t nKey, const std::string& strText) = 0;

    // nColumn 1 is the "No." column.
    [[nodiscard]] virtual ResultCode GetSort(std::uint16_t& nColumn, bool& bDescending) = 0;
    [[nodiscard]] virtual ResultCode SetSort(std::uint16_t nColumn, bool bDescending) = 0;

    // The main window's normal (not maximised) rectangle.
    [[nodiscard]] virtual ResultCode SetWindowBounds(std::int32_t nLeft, std::int32_t nTop, std::int32_t nWidth,
                                                     std::int32_t nHeight) = 0;
    [[nodiscard]] virtual ResultCode GetWindowBounds(std::int32_t& nLeft, std::int32_t& nTop, std::int32_t& nWidth,
                                                     std::int32_t& nHeight) = 0;
    [[nodiscard]] virtual ResultCode SetZoomed(bool bZoomed) = 0;
    [[nodiscard]] virtual ResultCode GetZoomed(bool& bZoomed) = 0;

    // Column widths in pixels.
    [[nodiscard]] virtual ResultCode SetNoWidth(std::uint16_t nWidth) = 0;
    [[nodiscard]] virtual ResultCode GetNoWidth(std::uint16_t& nWidth) = 0;
    [[nodiscard]] virtual ResultCode SetNameWidth(std::uint16_t nWidth) = 0;
    [[nodiscard]] virtual ResultCode GetNameWidth(std::uint16_t& nWidth) = 0;
    [[nodiscard]] virtual ResultCode SetAuthorWidth(std::uint16_t nWidth) = 0;
    [[nodiscard]] virtual ResultCode GetAuthorWidth(std::uint16_t& nWidth) = 0;
    [[nodiscard]] virtual ResultCode SetDescriptionWidth(std::uint16_t nWidth) = 0;
    [[nodiscard]] virtual ResultCode GetDescriptionWidth(std::uint16_t& nWidth) = 0;
    [[nodiscard]] virtual ResultCode SetNoteWidth(std::uint16_t nWidth) = 0;
    [[nodiscard]] virtual ResultCode GetNoteWidth(std::uint16_t& nWidth) = 0;

    // True when the file held no complete window rectangle: the main window is then centred when it
    // is first shown.
    [[nodiscard]] virtual ResultCode SetPlacementDefaulted(bool bDefaulted) = 0;
    [[nodiscard]] virtual ResultCode GetPlacementDefaulted(bool& bDefaulted) = 0;

    // The console chosen in File > Console, by its client and pair identifier. Set writes it to the
    // preference file at once, besides keeping it for Save. Get returns RC_NO_SUCH_KEY, values
    // untouched, when none was chosen; nothing is saved for it then.
    [[nodiscard]] virtual ResultCode SetConsole(const std::string& strClient, std::uint32_t nPairId) = 0;
    [[nodiscard]] virtual ResultCode GetConsole(std::string& strClient, std::uint32_t& nPairId) = 0;
};

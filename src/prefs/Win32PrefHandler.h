#pragma once
#include "prefs/ConsolePreference.h"
#include "prefs/PrefHandler.h"

#include <QString>
#include <optional>
#include <vector>

class CIniFile;

// The preference store on one INI-format text file (sections "Configuration", "WindowState" and
// "ListState", and "Console" once a console has been chosen). Only Load reads the file; only Load (creating a missing file, deleting a broken one the
// user agreed to re-initialise), Save and SetConsole (its own section only) change it. A read-only file is never changed: the program then
// runs on the defaults.
class CWin32PrefHandler : public CPrefHandler
{
public:
    struct NoteRecord
    {
        std::uint16_t nKey = 0;
        std::string strText; // UTF-8
    };

    // Every value starts at zero; Load gives them their defaults and the file's contents.
    CWin32PrefHandler() = default;
    ~CWin32PrefHandler() override = default;

    // The application's profile file: the file Load and Save read and write.
    void SetProfilePath(const QString& strPath) { m_strProfilePath = strPath; }
    [[nodiscard]] const QString& ProfilePath() const { return m_strProfilePath; }

    [[nodiscard]] ResultCode Load() override;
    [[nodiscard]] ResultCode Save() override;

    [[nodiscard]] ResultCode ClearNotes() override;
    [[nodiscard]] ResultCode GetNote(std::uint16_t nKey, std::string& strText) override;
    [[nodiscard]] ResultCode SetNote(std::uint16_t nKey, const std::string& strText) override;

    [[nodiscard]] ResultCode GetSort(std::uint16_t& nColumn, bool& bDescending) override;
    [[nodiscard]] ResultCode SetSort(std::uint16_t nColumn, bool bDescending) override;

    [[nodiscard]] ResultCode SetWindowBounds(std::int32_t nLeft, std::int32_t nTop, std::int32_t nWidth,
                                             std::int32_t nHeight) override;
    [[nodiscard]] ResultCode GetWindowBounds(std::int32_t& nLeft, std::int32_t& nTop, std::int32_t& nWidth,
                                             std::int32_t& nHeight) override;
    [[nodiscard]] ResultCode SetZoomed(bool bZoomed) override;
    [[nodiscard]] ResultCode GetZoomed(bool& bZoomed) override;

    [[nodiscard]] ResultCode SetNoWidth(std::uint16_t nWidth) override;
    [[nodiscard]] ResultCode GetNoWidth(std::uint16_t& nWidth) override;
    [[nodiscard]] ResultCode SetNameWidth(std::uint16_t nWidth) override;
    [[nodiscard]] ResultCode GetNameWidth(std::uint16_t& nWidth) override;
    [[nodiscard]] ResultCode SetAuthorWidth(std::uint16_t nWidth) override;
    [[nodiscard]] ResultCode GetAuthorWidth(std::uint16_t& nWidth) override;
    [[nodiscard]] ResultCode SetDescriptionWidth(std::uint16_t nWidth) override;
    [[nodiscard]] ResultCode GetDescriptionWidth(std::uint16_t& nWidth) override;
    [[nodiscard]] ResultCode SetNoteWidth(std::uint16_t nWidth) override;
    [[nodiscard]] ResultCode GetNoteWidth(std::uint16_t& nWidth) override;

    [[nodiscard]] ResultCode SetPlacementDefaulted(bool bDefaulted) override;
    [[nodiscard]] ResultCode GetPlacementDefaulted(bool& bDefaulted) override;

    [[nodiscard]] ResultCode SetConsole(const std::string& strClient, std::uint32_t nPairId) override;
    [[nodiscard]] ResultCode GetConsole(std::string& strClient, std::uint32_t& nPairId) override;

    // The number of notes the last Save wrote or the last Load was told to read.
    [[nodiscard]] std::uint16_t NoteCount() const { return m_nNoteCount; }
    [[nodiscard]] const std::vector<NoteRecord>& Notes() const { return m_notes; }

private:
    void ResetToDefaults();
    // True when the file is there and may be changed; a missing or read-only file is not.
    [[nodiscard]] bool FileIsWritable() const;
    void WriteDefaultsFile() const;
    // Reads the "Configuration" section; true when one of its four counted keys is missing.
    [[nodiscard]] bool ReadConfiguration(const CIniFile& ini);
    void ReadWindowAndListState(const CIniFile& ini);
    void WriteAll(CIniFile& ini);
    // Writes the chosen console into the file at once, leaving every other value as the file has it:
    // other programs of the user (sonvale-cli devices) read the choice while the window runs.
    void SaveConsoleSection() const;
    [[nodiscard]] static bool AskToInitialize();

    std::uint16_t m_nVersion = 0;
    std::uint16_t m_nNoteCount = 0;
    std::vector<NoteRecord> m_notes;
    std::uint16_t m_nSortColumn = 0;
    bool m_bSortDescending = false;
    bool m_bZoomed = false;
    std::uint16_t m_nNoWidth = 0;
    std::uint16_t m_nNameWidth = 0;
    std::uint16_t m_nAuthorWidth = 0;
    std::uint16_t m_nDescriptionWidth = 0;
    std::uint16_t m_nNoteWidth = 0;
    bool m_bPlacementDefaulted = false;
    std::optional<StoredConsole> m_console;
    QString m_strProfilePath;
};

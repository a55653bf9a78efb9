#include "prefs/Win32PrefHandler.h"

#include "platform/IniFile.h"
#include "platform/MessageBoxService.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <limits>
#include <new>

namespace {

constexpr const char* kConfiguration = "Configuration";
constexpr const char* kWindowState = "WindowState";
constexpr const char* kListState = "ListState";

// Read with this default, a key is known to be missing.
constexpr std::int32_t kMissing = -1;

constexpr std::uint16_t kVersion = 1;
constexpr std::uint16_t kDefaultSortColumn = 1;

// Column widths: default and the least width a file may give.
constexpr std::uint16_t kDefaultNoWidth = 60;
constexpr std::uint16_t kDefaultNameWidth = 125;
constexpr std::uint16_t kDefaultAuthorWidth = 180;
constexpr std::uint16_t kDefaultDescriptionWidth = 190;
constexpr std::uint16_t kDefaultNoteWidth = 300;
constexpr std::uint16_t kMinimumNoWidth = 57;
constexpr std::uint16_t kMinimumWidth = 10;

constexpr const char* kNoteSeparator = "::";

struct WindowRect
{
    std::int32_t nLeft;
    std::int32_t nTop;
    std::int32_t nRight;
    std::int32_t nBottom;
};

// A 700 x 400 window.
constexpr WindowRect kDefaultWindowRect{350, 300, 1050, 700};

// The main window's normal rectangle. There is one in the process, beside the store rather than in it.
WindowRect g_rcWindow{};

std::int32_t ClampToInt32(std::int64_t value)
{
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

std::string NoteKeyName(std::size_t nIndex)
{
    return "Note" + std::to_string(nIndex);
}

std::uint16_t ReadWidth(const CIniFile& ini, const char* key, std::uint16_t nDefault, std::uint16_t nMinimum)
{
    const auto nWidth = static_cast<std::uint16_t>(ini.GetInt(kListState, key, nDefault));
    return std::max(nWidth, nMinimum);
}

} // namespace

void CWin32PrefHandler::ResetToDefaults()
{
    m_nVersion = kVersion;
    m_nNoteCount = 0;
    m_notes.clear();
    m_nSortColumn = kDefaultSortColumn;
    m_bSortDescending = false;
    m_bZoomed = false;
    m_nNoWidth = kDefaultNoWidth;
    m_nNameWidth = kDefaultNameWidth;
    m_nAuthorWidth = kDefaultAuthorWidth;
    m_nDescriptionWidth = kDefaultDescriptionWidth;
    m_nNoteWidth = kDefaultNoteWidth;
    m_bPlacementDefaulted = true;
    m_console.reset();
    g_rcWindow = kDefaultWindowRect;
}

bool CWin32PrefHandler::FileIsWritable() const
{
    // The owner's write bit is checked as well: the super-user may write to any file, but a file its
    // owner marked read-only is still one the program must leave alone.
    const QFileInfo info(m_strProfilePath);
    return !m_strProfilePath.isEmpty() && info.isFile() && info.isWritable()
           && info.permissions().testFlag(QFileDevice::WriteOwner);
}

void CWin32PrefHandler::WriteDefaultsFile() const
{
    CIniFile ini;
    ini.SetInt(kConfiguration, "version", kVersion);
    ini.SetInt(kConfiguration, "NoteNum", 0);
    ini.SetInt(kConfiguration, "SortCol", kDefaultSortColumn);
    ini.SetInt(kConfiguration, "SortDesFlag", 0);
    ini.SetInt(kWindowState, "Left", kDefaultWindowRect.nLeft);
    ini.SetInt(kWindowState, "Top", kDefaultWindowRect.nTop);
    ini.SetInt(kWindowState, "Right", kDefaultWindowRect.nRight);
    ini.SetInt(kWindowState, "Bottom", kDefaultWindowRect.nBottom);
    ini.SetInt(kWindowState, "Zoomed", 0);
    ini.SetInt(kListState, "NoWidth", kDefaultNoWidth);
    ini.SetInt(kListState, "NameWidth", kDefaultNameWidth);
    ini.SetInt(kListState, "AuthorWidth", kDefaultAuthorWidth);
    ini.SetInt(kListState, "DescriptionWidth", kDefaultDescriptionWidth);
    ini.SetInt(kListState, "NoteWidth", kDefaultNoteWidth);
    (void)ini.WriteTo(m_strProfilePath);
}

bool CWin32PrefHandler::ReadConfiguration(const CIniFile& ini)
{
    bool bBroken = false;

    const std::int32_t nVersion = ini.GetInt(kConfiguration, "version", kMissing);
    bBroken |= nVersion == kMissing;
    m_nVersion = nVersion == kMissing ? kVersion : static_cast<std::uint16_t>(nVersion);

    // Kept in 16 bits, the count bounds the reading below to 65535 keys whatever the file says.
    const std::int32_t nNoteCount = ini.GetInt(kConfiguration, "NoteNum", kMissing);
    bBroken |= nNoteCount == kMissing;
    m_nNoteCount = nNoteCount == kMissing ? 0 : static_cast<std::uint16_t>(nNoteCount);

    for (std::size_t i = 0; i < m_nNoteCount; ++i) {
        const std::string value = ini.GetString(kConfiguration, NoteKeyName(i).c_str()).value_or(std::string());
        const std::size_t nSeparator = value.find(kNoteSeparator);
        if (nSeparator == std::string::npos)
            continue;
        // Read as an unsigned number and kept in 16 bits: "-1" is 0xFFFF.
        const auto nKey = static_cast<std::uint16_t>(
            static_cast<std::uint32_t>(CIniFile::ParseLeadingNumber(std::string_view(value).substr(0, nSeparator))));
        m_notes.push_back({nKey, value.substr(nSeparator + 2)});
    }

    const std::int32_t nSortColumn = ini.GetInt(kConfiguration, "SortCol", kMissing);
    bBroken |= nSortColumn == kMissing;
    m_nSortColumn = nSortColumn == kMissing ? kDefaultSortColumn : static_cast<std::uint16_t>(nSortColumn);

    const std::int32_t nDescending = ini.GetInt(kConfiguration, "SortDesFlag", kMissing);
    bBroken |= nDescending == kMissing;
    m_bSortDescending = nDescending != kMissing && nDescending != 0;

    return bBroken;
}

void CWin32PrefHandler::ReadWindowAndListState(const CIniFile& ini)
{
    const WindowRect rc{ini.GetInt(kWindowState, "Left", kMissing), ini.GetInt(kWindowState, "Top", kMissing),
                        ini.GetInt(kWindowState, "Right", kMissing), ini.GetInt(kWindowState, "Bottom", kMissing)};
    m_bPlacementDefaulted = rc.nLeft == kMissing || rc.nTop == kMissing || rc.nRight == kMissing
                            || rc.nBottom == kMissing;
    g_rcWindow = m_bPlacementDefaulted ? kDefaultWindowRect : rc;
    m_bZoomed = ini.GetInt(kWindowState, "Zoomed", 0) != 0;

    m_nNoWidth = ReadWidth(ini, "NoWidth", kDefaultNoWidth, kMinimumNoWidth);
    m_nNameWidth = ReadWidth(ini, "NameWidth", kDefaultNameWidth, kMinimumWidth);
    m_nAuthorWidth = ReadWidth(ini, "AuthorWidth", kDefaultAuthorWidth, kMinimumWidth);
    m_nDescriptionWidth = ReadWidth(ini, "DescriptionWidth", kDefaultDescriptionWidth, kMinimumWidth);
    m_nNoteWidth = ReadWidth(ini, "NoteWidth", kDefaultNoteWidth, kMinimumWidth);
}

bool CWin32PrefHandler::AskToInitialize()
{
    const MessageBoxRequest question{
        QStringLiteral("Sonvale Data Manager"),
        QCoreApplication::translate("CWin32PrefHandler", "Preference file is broken.\nDo you want to initialize it?"),
        MessageBoxIcon::Question, MessageBoxButtons::OkCancel};
    return CMessageBoxService::Show(nullptr, question) == MessageBoxAnswer::Ok;
}

ResultCode CWin32PrefHandler::Load()
{
    try {
        ResetToDefaults();
        if (!FileIsWritable()) {
            // A read-only file is left exactly as it is; only a missing one is created.
            if (!m_strProfilePath.isEmpty() && !QFileInfo::exists(m_strProfilePath))
                WriteDefaultsFile();
            return RC_OK;
        }

        // A file that cannot be read lacks every key: it is broken, and the user is asked.
        CIniFile ini;
        (void)ini.ReadFrom(m_strProfilePath);
        if (ReadConfiguration(ini) && AskToInitialize()) {
            // Save writes the file afresh at exit.
            QFile::remove(m_strProfilePath);
            ResetToDefaults();
            ini.Parse({});
        }
        if (m_nVersion >= 1)
            ReadWindowAndListState(ini);
        m_console = ReadStoredConsole(ini);
        return RC_OK;
    } catch (const std::bad_alloc&) {
        ResetToDefaults();
        return RC_OUT_OF_MEMORY;
    }
}

void CWin32PrefHandler::WriteAll(CIniFile& ini)
{
    m_nVersion = kVersion;
    ini.SetInt(kConfiguration, "version", m_nVersion);

    // Note keys numbered from 0 without gaps; keys above the count, left by an earlier Save with more
    // notes, stay in the file unread.
    std::size_t nWritten = 0;
    for (const NoteRecord& note : m_notes) {
        if (note.strText.empty())
            continue;
        ini.SetString(kConfiguration, NoteKeyName(nWritten).c_str(),
                      std::to_string(note.nKey) + kNoteSeparator + note.strText);
        ++nWritten;
    }
    m_nNoteCount = static_cast<std::uint16_t>(nWritten);
    ini.SetInt(kConfiguration, "NoteNum", m_nNoteCount);
    ini.SetInt(kConfiguration, "SortCol", m_nSortColumn);
    ini.SetInt(kConfiguration, "SortDesFlag", m_bSortDescending ? 1 : 0);

    ini.SetInt(kWindowState, "Left", g_rcWindow.nLeft);
    ini.SetInt(kWindowState, "Top", g_rcWindow.nTop);
    ini.SetInt(kWindowState, "Right", g_rcWindow.nRight);
    ini.SetInt(kWindowState, "Bottom", g_rcWindow.nBottom);
    ini.SetInt(kWindowState, "Zoomed", m_bZoomed ? 1 : 0);

    ini.SetInt(kListState, "NoWidth", m_nNoWidth);
    ini.SetInt(kListState, "NameWidth", m_nNameWidth);
    ini.SetInt(kListState, "AuthorWidth", m_nAuthorWidth);
    ini.SetInt(kListState, "DescriptionWidth", m_nDescriptionWidth);
    ini.SetInt(kListState, "NoteWidth", m_nNoteWidth);

    if (m_console)
        WriteStoredConsole(ini, *m_console);
}

void CWin32PrefHandler::SaveConsoleSection() const
{
    // The rules of Save: a read-only file, or one that cannot be read, is left alone; a missing one is
    // left to Save at exit, which writes every value.
    if (!m_console || m_strProfilePath.isEmpty() || !QFileInfo::exists(m_strProfilePath) || !FileIsWritable())
        return;
    CIniFile ini;
    if (!ini.ReadFrom(m_strProfilePath))
        return;
    WriteStoredConsole(ini, *m_console);
    (void)ini.WriteTo(m_strProfilePath);
}

ResultCode CWin32PrefHandler::Save()
{
    try {
        // The file is rewritten whole, keeping what it holds besides the program's own values. A
        // read-only file is not touched, nor one that is there but cannot be read: replacing it would
        // lose what it holds.
        const bool bExists = QFileInfo::exists(m_strProfilePath);
        if (m_strProfilePath.isEmpty() || (bExists && !FileIsWritable()))
            return RC_OK;
        CIniFile ini;
        if (bExists && !ini.ReadFrom(m_strProfilePath))
            return RC_OK;
        WriteAll(ini);
        // A failed write leaves the previous file whole; nobody is told, as nobody could act on it
        // at exit.
        (void)ini.WriteTo(m_strProfilePath);
        return RC_OK;
    } catch (const std::bad_alloc&) {
        return RC_OUT_OF_MEMORY;
    }
}

ResultCode CWin32PrefHandler::SetWindowBounds(std::int32_t nLeft, std::int32_t nTop, std::int32_t nWidth,
                                              std::int32_t nHeight)
{
    g_rcWindow = {nLeft, nTop, ClampToInt32(std::int64_t{nLeft} + nWidth), ClampToInt32(std::int64_t{nTop} + nHeight)};
    return RC_OK;
}

ResultCode CWin32PrefHandler::GetWindowBounds(std::int32_t& nLeft, std::int32_t& nTop, std::int32_t& nWidth,
                                              std::int32_t& nHeight)
{
    nLeft = g_rcWindow.nLeft;
    nTop = g_rcWindow.nTop;
    nWidth = ClampToInt32(std::int64_t{g_rcWindow.nRight} - g_rcWindow.nLeft);
    nHeight = ClampToInt32(std::int64_t{g_rcWindow.nBottom} - g_rcWindow.nTop);
    return RC_OK;
}

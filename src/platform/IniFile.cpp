#include "platform/IniFile.h"

// The template's members are compiled into this program rather than taken from the shared SimpleIni
// library: loading that whole library at every start costs more than the few operations used.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include <QFile>
#include <algorithm>
#include <limits>
#include <new>

#include "platform/BoundedFileReader.h"
#include "platform/FileSaver.h"

struct CIniFile::Impl
{
    // UTF-8 store, several values per key kept (so that the first one is what is read), no multi-line
    // values.
    CSimpleIniA ini{true, true, false};

    Impl()
    {
        ini.SetSpaces(false);
        ini.SetQuotes(false);
    }
};

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool IsQuoted(std::string_view value)
{
    return value.size() >= 2 && value.front() == '"' && value.back() == '"';
}

// The bytes written for a value: one line, and protected by quotes where the parser would otherwise
// trim or unquote it.
std::string StoredForm(std::string_view value)
{
    std::string line;
    line.reserve(value.size() + 2);
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\r' && i + 1 < value.size() && value[i + 1] == '\n')
            continue; // CR LF is one line break: one space
        line.push_back(c == '\r' || c == '\n' || c == '\0' ? ' ' : c);
    }
    if (!line.empty() && (IsBlank(line.front()) || IsBlank(line.back()) || IsQuoted(line)))
        return '"' + line + '"';
    return line;
}

} // namespace

CIniFile::CIniFile()
    : m_pImpl(std::make_unique<Impl>())
{
}

CIniFile::~CIniFile() = default;

void CIniFile::Parse(std::string_view bytes)
{
    m_pImpl->ini.Reset();
    // The parser stops at the first NUL byte; a NUL in a damaged file must not hide everything after
    // it, so it reads as a space.
    std::string text(bytes);
    for (char& c : text)
        if (c == '\0')
            c = ' ';
    if (m_pImpl->ini.LoadData(text) == SI_NOMEM)
        throw std::bad_alloc();
}

bool CIniFile::ReadFrom(const QString& path)
{
    m_pImpl->ini.Reset();
    std::string bytes, reason;
    if (CBoundedFileReader::Read(QFile::encodeName(path).toStdString(), kMaxFileSize, bytes, reason)
        != CBoundedFileReader::Outcome::Read)
        return false;
    Parse(bytes);
    return true;
}

bool CIniFile::WriteTo(const QString& path) const
{
    std::string reason;
    return CFileSaver::Save(QFile::encodeName(path).toStdString(), Serialize(), reason);
}

std::string CIniFile::Serialize() const
{
    std::string bytes;
    if (m_pImpl->ini.Save(bytes, false) == SI_NOMEM)
        throw std::bad_alloc();
    return bytes;
}

std::optional<std::string> CIniFile::GetString(const char* section, const char* key) const
{
    const char* value = m_pImpl->ini.GetValue(section, key, nullptr);
    if (!value)
        return std::nullopt;
    std::string_view text(value);
    if (IsQuoted(text))
        text = text.substr(1, text.size() - 2);
    return std::string(text);
}

std::int32_t CIniFile::GetInt(const char* section, const char* key, std::int32_t nDefault) const
{
    const std::optional<std::string> value = GetString(section, key);
    if (!value || value->empty())
        return nDefault;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(ParseLeadingNumber(*value),
                                                              std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

std::int64_t CIniFile::ParseLeadingNumber(std::string_view text)
{
    constexpr std::int64_t kLargest = 0xFFFFFFFF;
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    bool bNegative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        bNegative = text[i++] == '-';
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = std::min(value * 10 + (text[i] - '0'), kLargest);
    return bNegative ? -value : value;
}

void CIniFile::SetString(const char* section, const char* key, std::string_view value)
{
    const std::string stored = StoredForm(value);
    if (m_pImpl->ini.SetValue(section, key, stored.c_str(), nullptr, true) == SI_NOMEM)
        throw std::bad_alloc();
}

void CIniFile::SetInt(const char* section, const char* key, std::int64_t value)
{
    SetString(section, key, std::to_string(value));
}

#include "platform/IniFile.h"

#define SI_CONVERT_ICU
#include <SimpleIni.h>

#include <QFile>
#include <QSaveFile>
#include <new>

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
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    Parse(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    return true;
}

bool CIniFile::WriteTo(const QString& path) const
{
    const std::string bytes = Serialize();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size())) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
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
    return static_cast<std::int32_t>(ParseLeadingNumber(*value));
}

std::uint32_t CIniFile::ParseLeadingNumber(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    bool bNegative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        bNegative = text[i++] == '-';
    std::uint32_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value * 10u + static_cast<std::uint32_t>(text[i] - '0');
    return bNegative ? 0u - value : value;
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

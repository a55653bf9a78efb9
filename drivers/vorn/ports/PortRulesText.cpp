#include "PortRulesText.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr std::string_view BOM = "\xEF\xBB\xBF";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Where a comment starts in the rest of a line: a ";" or "#" at its start or after a blank.
std::size_t CommentStart(std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i)
        if ((text[i] == ';' || text[i] == '#') && (i == 0 || IsBlank(text[i - 1])))
            return i;
    return text.size();
}

bool IsBlankLine(const CPortRulesText::Line& line)
{
    std::string_view text = line.text;
    if (text.ends_with('\r'))
        text.remove_suffix(1);
    return Trimmed(text).empty();
}

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

// Length of the whole UTF-8 character at `i`; 0 when the bytes there are no character (or a NUL).
std::size_t TextCharLength(std::string_view text, std::size_t i)
{
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t n = CPortRulesText::CharLength(lead);
    if (n == 0 || lead == 0 || i + n > text.size())
        return 0;
    for (std::size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
            return 0;
    return n;
}

bool IsText(std::string_view text)
{
    for (std::size_t i = 0, n = 0; i < text.size(); i += n)
        if ((n = TextCharLength(text, i)) == 0)
            return false;
    return true;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// A value in double quotes, from its opening quote on: its text, and what stands after the closing quote.
// Empty problem when it reads.
std::string Unquoted(std::string_view text, std::string& value, std::string_view& rest)
{
    value.clear();
    for (std::size_t i = 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            rest = Trimmed(text.substr(i + 1));
            return {};
        }
        if (c != '\\') {
            value += c;
            continue;
        }
        const char e = i + 1 < text.size() ? text[++i] : '\0';
        if (e == '\\' || e == '"') {
            value += e;
        } else if (e == 't' || e == 'n' || e == 'r') {
            value += e == 't' ? '\t' : e == 'n' ? '\n' : '\r';
        } else if (e == 'x' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 && HexDigit(text[i + 2]) >= 0) {
            value += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
            i += 2;
        } else {
            return "has an escape in quotes other than \\\\, \\\", \\t, \\n, \\r or \\xHH";
        }
    }
    return "opens a quote without closing it";
}

} // namespace

std::size_t CPortRulesText::CharLength(unsigned char lead)
{
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

bool CPortRulesText::SameName(std::string_view a, std::string_view b)
{
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) {
               return lower(x) == lower(y);
           });
}

CPortRulesText CPortRulesText::Read(std::string_view text)
{
    CPortRulesText file;
    if (!IsText(text)) {
        file.m_problem = "it is not UTF-8 text";
        return file;
    }
    if (text.starts_with(BOM)) {
        file.m_bBom = true;
        text.remove_prefix(BOM.size());
    }
    for (int number = 1; !text.empty(); ++number) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        Line line;
        line.text = std::string(text.substr(0, end));
        text.remove_prefix(std::min(end + 1, text.size()));
        std::string_view raw = line.text;
        if (raw.ends_with('\r'))
            raw.remove_suffix(1);
        if (const std::string problem = file.ReadLine(raw, line); !problem.empty()) {
            file.m_problem = "line " + std::to_string(number) + " " + problem;
            return file;
        }
        file.m_lines.push_back(std::move(line));
    }
    return file;
}

std::string CPortRulesText::ReadLine(std::string_view raw, Line& line)
{
    line.section = static_cast<int>(m_sections.size()) - 1;
    std::string_view content = Trimmed(raw);
    if (content.empty() || content.front() == ';' || content.front() == '#')
        return {};
    if (content.front() == '[') {
        content = Trimmed(content.substr(0, CommentStart(content)));
        if (content.size() < 2 || content.back() != ']')
            return "opens a section without closing it";
        const std::string_view name = Trimmed(content.substr(1, content.size() - 2));
        if (name.empty())
            return "opens a section without a name";
        if (name.find_first_of("[]") != std::string_view::npos)
            return "has a bracket inside a section name";
        if (Find(name) >= 0)
            return "names a section a second time";
        m_sections.emplace_back(name);
        line.section = static_cast<int>(m_sections.size()) - 1;
        line.header = true;
        return {};
    }
    const std::size_t equals = content.find('=');
    if (equals == std::string_view::npos || equals == 0)
        return "is neither [section] nor key = value";
    if (line.section < 0)
        return "stands before the first [section]";
    line.key = std::string(Trimmed(content.substr(0, equals)));
    const std::string_view rest = Trimmed(content.substr(equals + 1));
    if (!rest.starts_with('"')) {
        line.value = std::string(Trimmed(rest.substr(0, CommentStart(rest))));
        return {};
    }
    std::string_view after;
    if (std::string problem = Unquoted(rest, line.value, after); !problem.empty())
        return problem;
    if (!after.empty() && after.front() != ';' && after.front() != '#')
        return "has more after a value in quotes than a comment";
    return {};
}

std::optional<std::string> CPortRulesText::Value(int section, std::string_view key, bool& twice) const
{
    twice = false;
    std::optional<std::string> value;
    for (const Line& line : m_lines) {
        if (line.section != section || line.key.empty() || !SameName(line.key, key))
            continue;
        twice = twice || value.has_value();
        value = line.value;
    }
    return twice ? std::nullopt : value;
}

int CPortRulesText::Find(std::string_view name) const
{
    for (std::size_t i = 0; i < m_sections.size(); ++i)
        if (!m_sections[i].empty() && SameName(m_sections[i], name))
            return static_cast<int>(i);
    return -1;
}

void CPortRulesText::RemoveSection(int section)
{
    std::vector<bool> gone(m_lines.size());
    std::size_t header = m_lines.size();
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        gone[i] = m_lines[i].section == section && (m_lines[i].header || !m_lines[i].key.empty());
        if (gone[i] && m_lines[i].header)
            header = i;
    }
    // The blank line that set the section apart goes with it when it would otherwise end the file or
    // stand next to another blank line or section line.
    if (header < m_lines.size() && header > 0 && IsBlankLine(m_lines[header - 1])) {
        std::size_t next = header;
        while (next < m_lines.size() && gone[next])
            ++next;
        gone[header - 1] = next == m_lines.size() || IsBlankLine(m_lines[next]) || m_lines[next].header;
    }
    std::vector<Line> kept;
    for (std::size_t i = 0; i < m_lines.size(); ++i)
        if (!gone[i])
            kept.push_back(std::move(m_lines[i]));
    m_lines = std::move(kept);
    m_sections[static_cast<std::size_t>(section)].clear();
}

void CPortRulesText::SetSection(const std::string& name, const std::vector<std::pair<std::string, std::string>>& values)
{
    int section = Find(name);
    if (section < 0) {
        if (!m_lines.empty() && !IsBlankLine(m_lines.back()))
            m_lines.push_back({});
        m_sections.push_back(name);
        section = static_cast<int>(m_sections.size()) - 1;
        m_lines.push_back({"[" + name + "]", section, true, {}, {}});
    }
    std::erase_if(m_lines, [&](const Line& line) {
        return line.section == section && std::any_of(values.begin(), values.end(), [&](const auto& value) {
                   return !line.key.empty() && SameName(line.key, value.first);
               });
    });
    // After the last header or key line of the section: comments and blank lines that follow it stay
    // where they are.
    std::size_t at = 0;
    for (std::size_t i = 0; i < m_lines.size(); ++i)
        if (m_lines[i].section == section && (m_lines[i].header || !m_lines[i].key.empty()))
            at = i + 1;
    for (const auto& [key, value] : values) {
        m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(at),
                       Line{key + " = " + StoredForm(value), section, false, key, value});
        ++at;
    }
}

std::string CPortRulesText::Text() const
{
    std::string text = m_bBom ? std::string(BOM) : std::string();
    for (const Line& line : m_lines)
        text += line.text + "\n";
    return text;
}

std::string CPortRulesText::StoredForm(std::string_view value)
{
    const bool plain = Trimmed(value) == value && !value.starts_with('"') && CommentStart(value) == value.size()
                       && IsText(value)
                       && std::none_of(value.begin(), value.end(), [](char c) { return IsControl(c); });
    if (plain)
        return std::string(value);
    std::string quoted = "\"";
    for (std::size_t i = 0; i < value.size();) {
        const char c = value[i];
        const std::size_t n = TextCharLength(value, i);
        if (n > 1) {
            quoted += value.substr(i, n);
        } else if (c == '\\' || c == '"') {
            quoted += '\\';
            quoted += c;
        } else if (c == '\t' || c == '\n' || c == '\r') {
            quoted += c == '\t' ? "\\t" : c == '\n' ? "\\n" : "\\r";
        } else if (n == 0 || IsControl(static_cast<unsigned char>(c))) {
            char escape[5];
            std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned char>(c));
            quoted += escape;
        } else {
            quoted += c;
        }
        i += std::max<std::size_t>(n, 1);
    }
    return quoted + "\"";
}

std::string CPortRulesText::SectionName(std::string_view wish)
{
    std::string name;
    for (std::size_t i = 0; i < wish.size();) {
        const char c = wish[i];
        const std::size_t n = TextCharLength(wish, i);
        if (n > 1)
            name += wish.substr(i, n);
        else if (c == '[' || c == ']')
            name += c == '[' ? '(' : ')';
        else if (c == ';' || c == '#' || n == 0)
            name += '_';
        else
            name += IsControl(static_cast<unsigned char>(c)) ? ' ' : c;
        i += std::max<std::size_t>(n, 1);
    }
    name = std::string(Trimmed(name));
    return name.empty() ? std::string("rule") : name;
}

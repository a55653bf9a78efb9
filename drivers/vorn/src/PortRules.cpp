#include "PortRules.h"

// The template's members are compiled into this program rather than taken from the shared SimpleIni
// library: loading that whole library at every start costs more than the few operations used.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>
#include <set>
#include <sstream>

namespace {

constexpr const char* KEYS[] = {"type", "id", "input", "output"};

std::string_view Trimmed(std::string_view line)
{
    const auto first = line.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    const auto last = line.find_last_not_of(" \t\r");
    return line.substr(first, last - first + 1);
}

// Length of the UTF-8 character that starts with this byte; 0 for a byte that cannot start one.
std::size_t CharLength(unsigned char lead)
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

bool IsText(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t n = CharLength(lead);
        if (n == 0 || lead == 0 || i + n > text.size())
            return false;
        for (std::size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        i += n;
    }
    return true;
}

// The line structure SimpleIni would pass over in silence: a line that is neither a section, a
// key = value line nor a comment, a key before the first section, a section named twice.
std::string SyntaxProblem(std::string_view text)
{
    if (!IsText(text))
        return "it is not UTF-8 text";
    std::set<std::string, std::less<>> sections;
    bool inSection = false;
    int number = 0;
    std::istringstream lines{std::string(text)};
    for (std::string raw; std::getline(lines, raw);) {
        ++number;
        const std::string_view line = Trimmed(raw);
        if (line.empty() || line.front() == ';' || line.front() == '#')
            continue;
        const std::string where = "line " + std::to_string(number);
        if (line.front() == '[') {
            if (line.back() != ']' || line.size() < 3)
                return where + " opens a section without closing it";
            if (!sections.emplace(Trimmed(line.substr(1, line.size() - 2))).second)
                return where + " names a section a second time";
            inSection = true;
        } else if (line.find('=') == std::string_view::npos || line.front() == '=') {
            return where + " is neither [section] nor key = value";
        } else if (!inSection) {
            return where + " stands before the first [section]";
        }
    }
    return {};
}

} // namespace

bool CPortRules::ReadText(const std::string& path, std::string& text, bool& missing, std::string& error)
{
    missing = false;
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        missing = errno == ENOENT || errno == ENOTDIR;
        error = std::strerror(errno);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        error = "it is not a regular file";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = std::strerror(errno);
        return false;
    }
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        error = "it cannot be read";
        return false;
    }
    return true;
}


std::string CPortRules::DefaultPath()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (config && config[0] == '/') {
        base = config;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home ? home : "") + "/.config";
    }
    return base + "/vorn-jack/ports.ini";
}

CPortRules CPortRules::Load(const std::string& path)
{
    std::string text, error;
    bool missing = false;
    if (!ReadText(path, text, missing, error)) {
        CPortRules rules;
        rules.m_path = path;
        rules.m_bBroken = !missing;
        if (!missing)
            rules.m_problems.push_back(path + " cannot be read (" + error + "); no port rules apply");
        return rules;
    }
    return Parse(text, path);
}

CPortRules CPortRules::Parse(std::string_view text, const std::string& path)
{
    CPortRules rules;
    rules.m_path = path;
    if (const std::string problem = SyntaxProblem(text); !problem.empty()) {
        rules.m_bBroken = true;
        rules.m_problems.push_back(path + " is broken: " + problem + "; no port rules apply");
        return rules;
    }
    CSimpleIniA ini(true, false, false);
    ini.SetQuotes(false);
    if (ini.LoadData(text.data(), text.size()) != SI_OK) {
        rules.m_bBroken = true;
        rules.m_problems.push_back(path + " is broken; no port rules apply");
        return rules;
    }
    CSimpleIniA::TNamesDepend sections;
    ini.GetAllSections(sections);
    sections.sort(CSimpleIniA::Entry::LoadOrder());
    for (const auto& entry : sections) {
        VornPortRule rule;
        rule.section = entry.pItem;
        const std::string prefix = path + ": section [" + rule.section + "] ";
        std::string missing;
        for (const char* key : KEYS)
            if (!ini.GetValue(entry.pItem, key) || Trimmed(ini.GetValue(entry.pItem, key)).empty())
                missing += missing.empty() ? key : std::string(", ") + key;
        if (!missing.empty()) {
            rules.m_problems.push_back(prefix + "has no " + missing + "; it is ignored");
            continue;
        }
        rule.type = ini.GetValue(entry.pItem, "type");
        rule.input = ini.GetValue(entry.pItem, "input");
        rule.output = ini.GetValue(entry.pItem, "output");
        if (rule.type.size() != 4) {
            rules.m_problems.push_back(prefix + "has a type of other than four characters; it is ignored");
            continue;
        }
        if (!ParseId(ini.GetValue(entry.pItem, "id"), rule.id)) {
            rules.m_problems.push_back(prefix + "has an id that is not a decimal number of 32 bits; it is ignored");
            continue;
        }
        rules.m_rules.push_back(std::move(rule));
    }
    return rules;
}

bool CPortRules::ParseId(std::string_view value, std::uint32_t& id)
{
    if (value.empty() || value.size() > 10)
        return false;
    std::uint64_t n = 0;
    for (char c : value) {
        if (c < '0' || c > '9')
            return false;
        n = n * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (n > 0xFFFFFFFFu)
        return false;
    id = static_cast<std::uint32_t>(n);
    return true;
}

bool CPortRules::Matches(std::string_view pattern, std::string_view name)
{
    // Greedy matching with one remembered star: linear in practice, no recursion.
    std::size_t p = 0, n = 0;
    std::size_t starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && pattern[p] == '?') {
            ++p;
            const std::size_t length = CharLength(static_cast<unsigned char>(name[n]));
            n += length == 0 ? 1 : length;
        } else if (p < pattern.size() && pattern[p] == name[n]) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

void CPortRules::ReportOnce(const std::vector<std::string>& problems)
{
    // Standard error belongs to the whole process, and so does the record of what went there.
    static std::mutex mutex;
    static std::set<std::string> said;
    const std::lock_guard lock(mutex);
    for (const std::string& problem : problems)
        if (said.insert(problem).second)
            std::fprintf(stderr, "vorn-jack: %s\n", problem.c_str());
}

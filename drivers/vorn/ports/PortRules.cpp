#include "PortRules.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>

#include "PortRulesText.h"
#include "platform/BoundedFileReader.h"

namespace {

constexpr const char* KEYS[] = {"type", "id", "input", "output"};

} // namespace

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
    std::string text, reason;
    const Identity identity = IdentityOf(path);
    const CBoundedFileReader::Outcome outcome = CBoundedFileReader::Read(path, MAX_SIZE, text, reason);
    CPortRules rules;
    if (outcome == CBoundedFileReader::Outcome::Read) {
        rules = Parse(text, path);
    } else {
        rules.m_path = path;
        rules.m_bBroken = outcome == CBoundedFileReader::Outcome::Refused;
        if (rules.m_bBroken)
            rules.m_problems.push_back(path + " cannot be read (" + reason + "); no port rules apply");
    }
    rules.m_identity = identity;
    return rules;
}

CPortRules CPortRules::LoadIfChanged(const std::string& path, const CPortRules& previous)
{
    if (previous.m_path == path && IdentityOf(path) == previous.m_identity)
        return previous;
    return Load(path);
}

bool CPortRules::Identity::operator==(const Identity& other) const
{
    return exists == other.exists && device == other.device && inode == other.inode && size == other.size
           && modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec
           && changed.tv_sec == other.changed.tv_sec && changed.tv_nsec == other.changed.tv_nsec;
}

CPortRules::Identity CPortRules::IdentityOf(const std::string& path)
{
    // stat, unlike open, never waits, whatever stands at the path.
    struct stat info {};
    Identity identity;
    if (::stat(path.c_str(), &info) != 0)
        return identity;
    identity = {true, info.st_dev, info.st_ino, info.st_size, info.st_mtim, info.st_ctim};
    return identity;
}

CPortRules CPortRules::Parse(std::string_view text, const std::string& path)
{
    CPortRules rules;
    rules.m_path = path;
    const CPortRulesText file = CPortRulesText::Read(text);
    if (!file.Problem().empty()) {
        rules.m_bBroken = true;
        rules.m_problems.push_back(path + " is broken: " + file.Problem() + "; no port rules apply");
        return rules;
    }
    for (std::size_t section = 0; section < file.Sections().size(); ++section) {
        VornPortRule rule;
        rule.section = file.Sections()[section];
        const std::string prefix = path + ": section [" + rule.section + "] ";
        std::string missing, twice;
        std::string id;
        std::string* values[] = {&rule.type, &id, &rule.input, &rule.output};
        for (std::size_t k = 0; k < std::size(KEYS); ++k) {
            bool repeated = false;
            const std::optional<std::string> value = file.Value(static_cast<int>(section), KEYS[k], repeated);
            std::string& list = repeated ? twice : missing;
            if (repeated || !value || value->empty())
                list += list.empty() ? KEYS[k] : std::string(", ") + KEYS[k];
            else
                *values[k] = *value;
        }
        if (!twice.empty()) {
            rules.m_problems.push_back(prefix + "has more than one " + twice + "; it is ignored");
            continue;
        }
        if (!missing.empty()) {
            rules.m_problems.push_back(prefix + "has no " + missing + "; it is ignored");
            continue;
        }
        if (rule.type.size() != 4) {
            rules.m_problems.push_back(prefix + "has a type of other than four characters; it is ignored");
            continue;
        }
        if (!ParseId(id, rule.id)) {
            rules.m_problems.push_back(prefix + "has an id that is not a decimal number of 32 bits; it is ignored");
            continue;
        }
        bool twiceFound = false;
        rule.asked = file.Value(static_cast<int>(section), "found", twiceFound) == "asked";
        rules.m_rules.push_back(std::move(rule));
    }
    return rules;
}

CPortRules CPortRules::With(const std::vector<VornPortRule>& more) const
{
    CPortRules rules = *this;
    rules.m_rules.insert(rules.m_rules.end(), more.begin(), more.end());
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
            const std::size_t length = CPortRulesText::CharLength(static_cast<unsigned char>(name[n]));
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

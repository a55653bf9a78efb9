#include "PortRulesEditor.h"

// The template's members are compiled into this program rather than taken from the shared SimpleIni
// library: loading that whole library at every start costs more than the few operations used.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>

namespace {

// The file replaced whole: a temporary file beside it, flushed, renamed over it.
bool WriteFileWhole(const std::string& path, const std::string& text, std::string& error)
{
    // A folder that cannot be made shows as the open below failing.
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
    const std::string temp = path + ".tmp-" + std::to_string(getpid());
    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    bool ok = fd >= 0;
    for (std::size_t done = 0; ok && done < text.size();) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        ok = n > 0;
        done += ok ? static_cast<std::size_t>(n) : 0;
    }
    ok = ok && fsync(fd) == 0;
    if (fd >= 0)
        ok = close(fd) == 0 && ok;
    ok = ok && rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
        error = path + ": " + std::strerror(errno);
        unlink(temp.c_str());
    }
    return ok;
}

// Loads the file for a change: a missing file is an empty one, a broken one is refused.
bool LoadForChange(const std::string& path, CSimpleIniA& ini, std::string& error)
{
    ini.SetSpaces(true);
    ini.SetQuotes(false);
    std::string text;
    bool missing = false;
    if (!CPortRules::ReadText(path, text, missing, error)) {
        if (missing)
            return true;
        error = path + ": " + error;
        return false;
    }
    const CPortRules rules = CPortRules::Parse(text, path);
    if (rules.Broken()) {
        error = rules.Problems().front() + "; mend or remove the file first";
        return false;
    }
    ini.LoadData(text);
    return true;
}

bool SaveChanged(const std::string& path, const CSimpleIniA& ini, std::string& error)
{
    std::string text;
    if (ini.Save(text) != SI_OK) {
        error = path + ": the rules cannot be written";
        return false;
    }
    return WriteFileWhole(path, text, error);
}

} // namespace

bool CPortRulesEditor::Add(const std::string& path, VornPortRule rule, std::string& error)
{
    CSimpleIniA ini(true, false, false);
    if (!LoadForChange(path, ini, error))
        return false;
    CSimpleIniA::TNamesDepend sections;
    ini.GetAllSections(sections);
    std::string section;
    std::set<std::string> taken;
    for (const auto& entry : sections) {
        taken.insert(entry.pItem);
        if (rule.input == ini.GetValue(entry.pItem, "input", "") && rule.output == ini.GetValue(entry.pItem, "output", ""))
            section = entry.pItem;
    }
    if (section.empty()) {
        section = rule.section;
        for (int n = 2; taken.count(section) != 0; ++n)
            section = rule.section + " " + std::to_string(n);
    }
    const std::string id = std::to_string(rule.id);
    ini.Delete(section.c_str(), nullptr);
    ini.SetValue(section.c_str(), "type", rule.type.c_str());
    ini.SetValue(section.c_str(), "id", id.c_str());
    ini.SetValue(section.c_str(), "input", rule.input.c_str());
    ini.SetValue(section.c_str(), "output", rule.output.c_str());
    return SaveChanged(path, ini, error);
}

bool CPortRulesEditor::Remove(const std::string& path, std::string_view input, std::string_view output, int& removed,
                        std::string& error)
{
    removed = 0;
    CSimpleIniA ini(true, false, false);
    if (!LoadForChange(path, ini, error))
        return false;
    CSimpleIniA::TNamesDepend sections;
    ini.GetAllSections(sections);
    std::vector<std::string> matching;
    for (const auto& entry : sections)
        if (CPortRules::Matches(ini.GetValue(entry.pItem, "input", ""), input) && CPortRules::Matches(ini.GetValue(entry.pItem, "output", ""), output))
            matching.emplace_back(entry.pItem);
    if (matching.empty())
        return true;
    for (const std::string& section : matching)
        ini.Delete(section.c_str(), nullptr);
    removed = static_cast<int>(matching.size());
    return SaveChanged(path, ini, error);
}

#include "PortRulesEditor.h"

#include <chrono>
#include <filesystem>
#include <optional>

#include "PortRulesText.h"
#include "platform/BoundedFileReader.h"
#include "platform/FileLock.h"
#include "platform/FileSaver.h"

namespace {

// How long a change waits for another change of the file to end. A change takes milliseconds; a holder
// that keeps the lock longer is stuck, and the change is refused rather than waiting for ever.
constexpr auto kChangeWait = std::chrono::seconds(10);

// Locks the file and reads it as it is now: a missing file is an empty one, a broken one is refused.
// The lock file is never removed: a process that removed it could leave another locking a file that no
// longer has the name.
bool BeginChange(const std::string& path, CFileLock& lock, CPortRulesText& file, std::string& error)
{
    // A folder that cannot be made shows as the lock failing.
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
    lock.SetPath(path + ".lock", 0666);
    switch (lock.Acquire(CFileLock::Mode::Exclusive, kChangeWait)) {
    case CFileLock::Outcome::Held:
        break;
    case CFileLock::Outcome::TimedOut:
        error = path + ".lock: another change of the file did not end within " +
                std::to_string(std::chrono::seconds(kChangeWait).count()) + " s; nothing was changed";
        return false;
    case CFileLock::Outcome::Unavailable:
        error = path + ".lock cannot be used as the file's lock; nothing was changed";
        return false;
    }
    std::string text, reason;
    switch (CBoundedFileReader::Read(path, CPortRules::MAX_SIZE, text, reason)) {
    case CBoundedFileReader::Outcome::Missing:
        file = CPortRulesText::Read({});
        return true;
    case CBoundedFileReader::Outcome::Refused:
        error = path + " cannot be read (" + reason + ")";
        return false;
    case CBoundedFileReader::Outcome::Read:
        break;
    }
    file = CPortRulesText::Read(text);
    if (!file.Problem().empty()) {
        error = path + " is broken: " + file.Problem() + "; mend or remove the file first";
        return false;
    }
    return true;
}

bool Save(const std::string& path, const std::string& text, std::string& error)
{
    if (text.size() > CPortRules::MAX_SIZE) {
        error = path + " would be larger than the driver reads (" + std::to_string(CPortRules::MAX_SIZE / 1024)
                + " KiB); nothing was changed";
        return false;
    }
    std::string reason;
    if (!CFileSaver::Save(path, text, reason)) {
        error = path + ": " + reason;
        return false;
    }
    return true;
}

std::string ValueOf(const CPortRulesText& file, int section, const char* key)
{
    bool twice = false;
    return file.Value(section, key, twice).value_or(std::string());
}

} // namespace

bool CPortRulesEditor::Add(const std::string& path, VornPortRule rule, std::string& error)
{
    CFileLock lock;
    CPortRulesText file = CPortRulesText::Read({});
    if (!BeginChange(path, lock, file, error))
        return false;
    std::optional<std::string> section;
    for (std::size_t i = 0; i < file.Sections().size(); ++i) {
        const int s = static_cast<int>(i);
        if (!file.Sections()[i].empty() && ValueOf(file, s, "input") == rule.input
            && ValueOf(file, s, "output") == rule.output)
            section = file.Sections()[i];
    }
    if (!section) {
        const std::string base = CPortRulesText::SectionName(rule.section);
        section = base;
        for (int n = 2; file.Find(*section) >= 0; ++n)
            section = base + " " + std::to_string(n);
    }
    std::vector<std::pair<std::string, std::string>> values = {
        {"type", rule.type}, {"id", std::to_string(rule.id)}, {"input", rule.input}, {"output", rule.output}};
    if (rule.asked)
        values.emplace_back("found", "asked");
    file.SetSection(*section, values);
    const std::string text = file.Text();

    // What the driver will read: the file whole, and this rule in it as given.
    const CPortRules written = CPortRules::Parse(text, path);
    bool readsBack = false;
    for (const VornPortRule& kept : written.Rules())
        readsBack = readsBack || (CPortRulesText::SameName(kept.section, *section) && kept.type == rule.type
                                  && kept.id == rule.id && kept.input == rule.input && kept.output == rule.output);
    if (written.Broken() || !readsBack) {
        error = "the rule cannot be written so that the driver reads it back as given (type \"" + rule.type
                + "\"); nothing was changed";
        return false;
    }
    return Save(path, text, error);
}

bool CPortRulesEditor::Remove(const std::string& path, std::string_view input, std::string_view output, int& removed,
                              std::string& error)
{
    removed = 0;
    CFileLock lock;
    CPortRulesText file = CPortRulesText::Read({});
    if (!BeginChange(path, lock, file, error))
        return false;
    for (std::size_t i = 0; i < file.Sections().size(); ++i) {
        const int s = static_cast<int>(i);
        if (!file.Sections()[i].empty() && CPortRules::Matches(ValueOf(file, s, "input"), input)
            && CPortRules::Matches(ValueOf(file, s, "output"), output)) {
            file.RemoveSection(s);
            ++removed;
        }
    }
    return removed == 0 || Save(path, file.Text(), error);
}

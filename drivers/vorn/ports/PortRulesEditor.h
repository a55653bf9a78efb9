#pragma once
#include <string>
#include <string_view>

#include "PortRules.h"

// Changes the driver's rules file for sonvale-cli's tag and untag --keep. A missing file is created
// (with its folder); a broken one is left alone and refused. Every line the change does not concern,
// comments and blank lines included, stays as it was.
//
// Each change holds an exclusive lock on "<file>.lock" beside the file from reading it to replacing it,
// so that two changes at once, from any processes, both count. A change waits for the lock up to 10 s,
// then is refused. The file is replaced whole or not at all,
// keeping its permissions, and only with a text that reads back as the rules intended.
class CPortRulesEditor {
public:
    // Writes the rule, replacing the keys of a section with the same input and output. A new section is
    // named after rule.section, made fit for a section line, with " 2", " 3", ... added while a section
    // of that name (in any case) exists. False with the reason in `error`.
    [[nodiscard]] static bool Add(const std::string& path, VornPortRule rule, std::string& error);
    // Removes every section whose patterns match both port names; `removed` counts them.
    [[nodiscard]] static bool Remove(const std::string& path, std::string_view input, std::string_view output,
                                     int& removed, std::string& error);
};

#pragma once
#include <string>
#include <string_view>

#include "PortRules.h"

// Changes the driver's rules file for sonvale-cli's tag and untag --keep. A missing file is created
// (with its folder); a broken one is left alone and refused. The file is replaced whole or not at all.
class CPortRulesEditor {
public:
    // Writes the rule, replacing a section with the same input and output. False with the reason in
    // `error`.
    [[nodiscard]] static bool Add(const std::string& path, VornPortRule rule, std::string& error);
    // Removes every section whose patterns match both port names; `removed` counts them.
    [[nodiscard]] static bool Remove(const std::string& path, std::string_view input, std::string_view output,
                                     int& removed, std::string& error);
};

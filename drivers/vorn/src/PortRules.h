#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A pair the user names by its ports' full JACK names, so that it counts as tagged after every restart of
// a bridge or a server. The names may hold the wildcards "*" (any run of characters) and "?" (one
// character).
struct VornPortRule {
    std::string section; // the section of the rules file that holds it
    std::string type;    // four characters, e.g. "Tarn"
    std::uint32_t id = 0;
    std::string input;   // the port messages go to (a JACK input port)
    std::string output;  // the port replies come from (a JACK output port)
};

// The driver's rules file, $XDG_CONFIG_HOME/vorn-jack/ports.ini (~/.config/... without the variable):
// one INI section per pair with the keys type, id, input and output. A missing file holds no rules.
// A broken file gives no rules and one problem; an incomplete section is left out with a problem.
class CPortRules {
public:
    [[nodiscard]] static std::string DefaultPath();
    [[nodiscard]] static CPortRules Load(const std::string& path);
    [[nodiscard]] static CPortRules Parse(std::string_view text, const std::string& path);

    // A port identifier: plain decimal digits within 32 bits, else false.
    [[nodiscard]] static bool ParseId(std::string_view value, std::uint32_t& id);

    // Whether a whole port name matches a pattern with "*" and "?"; "?" stands for one UTF-8 character.
    [[nodiscard]] static bool Matches(std::string_view pattern, std::string_view name);

    // Reads a whole regular file. False with the reason in `error`; `missing` tells a file that is not
    // there at all.
    [[nodiscard]] static bool ReadText(const std::string& path, std::string& text, bool& missing, std::string& error);

    // Writes each problem to standard error, prefixed with "vorn-jack: ", unless this process has said
    // it already: a file re-read on every change of the graph must not repeat itself.
    static void ReportOnce(const std::vector<std::string>& problems);

    [[nodiscard]] const std::vector<VornPortRule>& Rules() const { return m_rules; }
    [[nodiscard]] const std::vector<std::string>& Problems() const { return m_problems; }
    [[nodiscard]] const std::string& Path() const { return m_path; }
    // The file exists but cannot be read or is not a rules file at all.
    [[nodiscard]] bool Broken() const { return m_bBroken; }

private:
    std::string m_path;
    bool m_bBroken = false;
    std::vector<VornPortRule> m_rules;
    std::vector<std::string> m_problems;
};

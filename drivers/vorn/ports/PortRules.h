#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <sys/stat.h>
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
    bool asked = false;  // written by the driver for a console that answered its identity request ("found = asked")
};

// The driver's rules file, $XDG_CONFIG_HOME/vorn-jack/ports.ini (~/.config/... without the variable):
// one INI section per pair with the keys type, id, input and output, and "found = asked" on a rule the
// driver kept for a console it found by asking (CPortRulesText has the line rules).
// A missing file holds no rules. A broken file gives no rules and one problem; so does a file that is
// not a regular file or is larger than MAX_SIZE. An incomplete section is left out with a problem.
class CPortRules {
public:
    static constexpr std::size_t MAX_SIZE = 64 * 1024;

    [[nodiscard]] static std::string DefaultPath();
    [[nodiscard]] static CPortRules Load(const std::string& path);
    // The rules of the file at `path`: `previous` again when that was read from the same file, unchanged
    // since (same file, size and change times), so that looking at the graph several times in a row
    // reads the file once.
    [[nodiscard]] static CPortRules LoadIfChanged(const std::string& path, const CPortRules& previous);
    [[nodiscard]] static CPortRules Parse(std::string_view text, const std::string& path);

    // A port identifier: plain decimal digits within 32 bits, else false.
    [[nodiscard]] static bool ParseId(std::string_view value, std::uint32_t& id);

    // Whether a whole port name matches a pattern with "*" and "?"; "?" stands for one UTF-8 character.
    [[nodiscard]] static bool Matches(std::string_view pattern, std::string_view name);

    // Writes each problem to standard error, prefixed with "vorn-jack: ", unless this process has said
    // it already: a file re-read on every change of the graph must not repeat itself.
    static void ReportOnce(const std::vector<std::string>& problems);

    [[nodiscard]] const std::vector<VornPortRule>& Rules() const { return m_rules; }
    // These rules with more after them, as if the file ended with them.
    [[nodiscard]] CPortRules With(const std::vector<VornPortRule>& more) const;
    [[nodiscard]] const std::vector<std::string>& Problems() const { return m_problems; }
    [[nodiscard]] const std::string& Path() const { return m_path; }
    // The file exists but cannot be read or is not a rules file at all.
    [[nodiscard]] bool Broken() const { return m_bBroken; }

private:
    struct Identity {
        bool exists = false;
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        timespec modified{}, changed{};
        [[nodiscard]] bool operator==(const Identity& other) const;
    };
    [[nodiscard]] static Identity IdentityOf(const std::string& path);

    std::string m_path;
    Identity m_identity;
    bool m_bBroken = false;
    std::vector<VornPortRule> m_rules;
    std::vector<std::string> m_problems;
};

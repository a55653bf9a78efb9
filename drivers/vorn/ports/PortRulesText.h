#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The rules file as the lines it is made of, so that the driver reads it and sonvale-cli changes it by
// one and the same rule set, and a change keeps every line it does not touch byte for byte.
//
//   - A line is a section "[name]", a "key = value", a comment (its first non-blank character is ";" or
//     "#") or blank. A UTF-8 byte-order mark before the first line is passed over; CR LF ends a line too.
//   - Section names and keys are compared without regard to ASCII case: "[A]" and "[a]" name one section.
//     A section name holds no "[" or "]".
//   - A ";" or "#" that starts a value, or follows a blank, starts a comment that runs to the end of the
//     line: "input = a:in ; the console" is the value "a:in".
//   - A value enclosed in double quotes is taken as it stands inside them, with the escapes \\, \",
//     \t, \n, \r and \xHH (two hexadecimal digits): the form for names with blanks at either end, line
//     breaks, control characters, bytes that are no UTF-8 or a ";" or "#" after a blank. Outside quotes a
//     backslash is a backslash.
class CPortRulesText {
public:
    struct Line {
        std::string text;    // as in the file, without its line break
        int section = -1;    // index into Sections() of the section the line belongs to; -1 before the first
        bool header = false; // the section's own "[name]" line
        std::string key;     // for a key line; empty otherwise
        std::string value;   // the key's value, unquoted
    };

    // Splits the text; Problem() names the first line that breaks the structure above, or the file being
    // no UTF-8 text. The lines are then those before it.
    [[nodiscard]] static CPortRulesText Read(std::string_view text);

    [[nodiscard]] const std::string& Problem() const { return m_problem; }
    [[nodiscard]] const std::vector<Line>& Lines() const { return m_lines; }
    [[nodiscard]] const std::vector<std::string>& Sections() const { return m_sections; }

    // The value of the key in the section, when the section has it exactly once; `twice` is set when it
    // has it more than once.
    [[nodiscard]] std::optional<std::string> Value(int section, std::string_view key, bool& twice) const;
    // The section of this name (any case), or -1.
    [[nodiscard]] int Find(std::string_view name) const;

    // Removes the section's header and key lines; its comments and blank lines stay where they are.
    void RemoveSection(int section);
    // Sets the keys of a section in the order given, replacing every line of those keys; a new section
    // goes at the end of the file, after one blank line.
    void SetSection(const std::string& name, const std::vector<std::pair<std::string, std::string>>& values);

    // The file's text, with the byte-order mark it was read with and a line break after every line.
    [[nodiscard]] std::string Text() const;

    // The value as a line of the file holds it: quoted and escaped where it would not read back as it
    // stands, as it is otherwise.
    [[nodiscard]] static std::string StoredForm(std::string_view value);
    // A name that can stand between "[" and "]": brackets become parentheses, control characters blanks,
    // a ";", "#" or a byte that is no UTF-8 an underscore, blanks at either end go.
    [[nodiscard]] static std::string SectionName(std::string_view wish);
    [[nodiscard]] static bool SameName(std::string_view a, std::string_view b);
    // Length of the UTF-8 character that starts with this byte; 0 for a byte that cannot start one.
    [[nodiscard]] static std::size_t CharLength(unsigned char lead);

private:
    [[nodiscard]] std::string ReadLine(std::string_view raw, Line& line);

    bool m_bBom = false;
    std::string m_problem;
    std::vector<Line> m_lines;
    std::vector<std::string> m_sections;
};

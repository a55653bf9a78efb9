#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Which factory table the entry texts come from.
enum class CliLanguage { System, English, Japanese };

enum class CliCommand { None, Help, Version, List, Show, Export, ExportAll, Devices, Current, Update, Ports, Tag, Untag,
                        Check, Send, Find };

// One parsed command line. Parsing is pure: it reads only the arguments and never fails by throwing;
// a malformed line leaves `error` set and the command None.
class CCliOptions {
public:
    // Parses the arguments after the program name. Options may stand anywhere on the line; "--" ends
    // them, so "export 0 -- -x" writes a file named "-x".
    [[nodiscard]] static CCliOptions Parse(const std::vector<std::string_view>& args);

    // The key argument as a number when it is made of decimal digits only and fits in 16 bits;
    // std::nullopt for a longer number (no entry can have it). Only meaningful for commands taking KEY.
    [[nodiscard]] std::optional<unsigned> KeyNumber() const;

    CliCommand m_command = CliCommand::None;
    CliLanguage m_language = CliLanguage::System;
    bool m_bJson = false;
    bool m_bVerbose = false; // libjack's own messages on standard error
    std::string m_strKey;   // show, export, update
    std::string m_strPath;  // export (a file or "-"), export-all (a folder), check and send (a file)
    std::string m_strInput;  // tag, untag: the port messages go to
    std::string m_strOutput; // tag, untag: the port replies come from
    std::string m_strType = "Tarn";  // tag --type
    std::optional<std::uint32_t> m_id; // tag --id; current, update, send: the console's pair
    std::string m_strConsole; // current, update, send --console: the client that offers the console
    bool m_bKeep = false;    // tag, untag --keep: the rules file changes too
    bool m_bPattern = false; // tag --keep --pattern: the rule's client numbers in brackets become "*"
    std::string m_strError; // set when the line is malformed: what is wrong, in one sentence
};

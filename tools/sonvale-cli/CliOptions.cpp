#include "CliOptions.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace {

struct CommandShape {
    std::string_view name;
    CliCommand command;
    int operands;     // KEY / FILE / DIR arguments the command takes
    bool keyFirst;    // the first operand is a KEY
    bool jsonAllowed; // --json changes its output
    const char* what; // how the usage messages name its operands after KEY
};

constexpr std::array kCommands = {
    CommandShape{"help", CliCommand::Help, 0, false, false, ""},
    CommandShape{"list", CliCommand::List, 0, false, true, ""},
    CommandShape{"show", CliCommand::Show, 1, true, true, ""},
    CommandShape{"export", CliCommand::Export, 2, true, false, "FILE"},
    CommandShape{"export-all", CliCommand::ExportAll, 1, false, false, "DIR"},
    CommandShape{"devices", CliCommand::Devices, 0, false, true, ""},
    CommandShape{"current", CliCommand::Current, 0, false, true, ""},
    CommandShape{"update", CliCommand::Update, 1, true, false, ""},
    CommandShape{"ports", CliCommand::Ports, 0, false, false, ""},
    CommandShape{"find", CliCommand::Find, 0, false, false, ""},
    CommandShape{"tag", CliCommand::Tag, 2, false, false, "INPUT and OUTPUT"},
    CommandShape{"untag", CliCommand::Untag, 2, false, false, "INPUT and OUTPUT"},
    CommandShape{"check", CliCommand::Check, 1, false, false, "FILE"},
    CommandShape{"send", CliCommand::Send, 1, false, false, "FILE"},
};

const CommandShape* FindCommand(std::string_view name)
{
    const auto it = std::find_if(kCommands.begin(), kCommands.end(),
                                 [name](const CommandShape& shape) { return shape.name == name; });
    return it == kCommands.end() ? nullptr : &*it;
}

bool IsDecimal(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

CCliOptions Malformed(std::string message)
{
    CCliOptions options;
    options.m_strError = std::move(message);
    return options;
}

} // namespace

CCliOptions CCliOptions::Parse(const std::vector<std::string_view>& args)
{
    CCliOptions options;
    std::vector<std::string_view> words;
    bool optionsEnded = false;
    bool help = false;
    bool version = false;
    std::string portOption; // --type or --id, when given

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (optionsEnded || arg == "-" || arg.empty() || arg.front() != '-') {
            words.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            help = true;
        } else if (arg == "--version") {
            version = true;
        } else if (arg == "--json") {
            options.m_bJson = true;
        } else if (arg == "--verbose") {
            options.m_bVerbose = true;
        } else if (arg == "--keep") {
            options.m_bKeep = true;
        } else if (arg == "--pattern") {
            options.m_bPattern = true;
        } else if (arg == "--console") {
            if (i + 1 >= args.size() || args[i + 1].empty())
                return Malformed("option --console needs the name of a client");
            options.m_strConsole = std::string(args[++i]);
        } else if (arg == "--type" || arg == "--id") {
            if (i + 1 >= args.size())
                return Malformed("option " + std::string(arg) + " needs a value");
            const std::string_view value = args[++i];
            if (arg == "--type") {
                if (value.size() != 4)
                    return Malformed("option --type takes four characters, not \"" + std::string(value) + "\"");
                options.m_strType = std::string(value);
            } else {
                std::uint64_t id = 0;
                // A decimal text is read whole or not at all.
                const std::errc ec = std::from_chars(value.data(), value.data() + value.size(), id).ec;
                if (!IsDecimal(value) || ec != std::errc() || id > 0xFFFFFFFFu)
                    return Malformed("option --id takes a decimal number below 4294967296, not \"" +
                                     std::string(value) + "\"");
                options.m_id = static_cast<std::uint32_t>(id);
            }
            portOption = std::string(arg);
        } else if (arg == "--lang" || arg.starts_with("--lang=")) {
            std::string_view value;
            if (arg == "--lang") {
                if (i + 1 >= args.size())
                    return Malformed("option --lang needs a value: en or ja");
                value = args[++i];
            } else {
                value = arg.substr(7);
            }
            if (value == "en")
                options.m_language = CliLanguage::English;
            else if (value == "ja")
                options.m_language = CliLanguage::Japanese;
            else
                return Malformed("option --lang takes en or ja, not \"" + std::string(value) + "\"");
        } else {
            return Malformed("unknown option \"" + std::string(arg) + "\"");
        }
    }

    // "--help" anywhere, or the "help" command, asks for the usage text and nothing else.
    if (help || (!words.empty() && words.front() == "help")) {
        options.m_command = CliCommand::Help;
        return options;
    }
    if (version) {
        options.m_command = CliCommand::Version;
        return options;
    }
    if (words.empty())
        return Malformed("no command given");

    const CommandShape* shape = FindCommand(words.front());
    if (shape == nullptr)
        return Malformed("unknown command \"" + std::string(words.front()) + "\"");
    const std::string name(shape->name);
    const int given = static_cast<int>(words.size()) - 1;
    if (given < shape->operands) {
        const char* what = shape->keyFirst && given == 0 ? "KEY" : shape->what;
        return Malformed("command " + name + " needs " + what);
    }
    if (given > shape->operands)
        return Malformed("command " + name + " takes " +
                         (shape->operands == 0 ? std::string("no arguments")
                                               : std::to_string(shape->operands) + " argument" +
                                                     (shape->operands == 1 ? "" : "s")) +
                         ", not \"" + std::string(words[static_cast<std::size_t>(shape->operands) + 1]) + "\"");
    if (options.m_bJson && !shape->jsonAllowed)
        return Malformed("command " + name + " has no --json output");
    const bool tagging = shape->command == CliCommand::Tag || shape->command == CliCommand::Untag;
    if (options.m_bKeep && !tagging)
        return Malformed("option --keep belongs to tag and untag, not to " + name);
    // --id also names the console the exchanges go to when several are on the network.
    const bool choosesConsole = shape->command == CliCommand::Current || shape->command == CliCommand::Update ||
                                shape->command == CliCommand::Send;
    if (portOption == "--id" && choosesConsole && !options.m_bPattern)
        portOption.clear();
    if (!options.m_strConsole.empty() && !choosesConsole)
        return Malformed("option --console belongs to current, update and send, not to " + name);
    if ((options.m_bPattern || !portOption.empty()) && shape->command != CliCommand::Tag)
        return Malformed("option " + (portOption.empty() ? std::string("--pattern") : portOption) +
                         " belongs to tag, not to " + name);
    if (options.m_bPattern && !options.m_bKeep)
        return Malformed("option --pattern shapes the rule that --keep writes: give --keep as well");
    if (tagging) {
        if (words[1].empty() || words[2].empty())
            return Malformed("command " + name + " needs non-empty port names");
        options.m_strInput = std::string(words[1]);
        options.m_strOutput = std::string(words[2]);
        options.m_command = shape->command;
        return options;
    }

    std::size_t next = 1;
    if (shape->keyFirst) {
        const std::string_view key = words[next++];
        if (!IsDecimal(key))
            return Malformed("KEY must be a decimal number, not \"" + std::string(key) + "\"");
        options.m_strKey = std::string(key);
    }
    if (next < words.size()) {
        if (words[next].empty())
            return Malformed("command " + name + " needs a non-empty " + shape->what);
        options.m_strPath = std::string(words[next]);
    }
    options.m_command = shape->command;
    return options;
}

std::optional<unsigned> CCliOptions::KeyNumber() const
{
    if (!IsDecimal(m_strKey))
        return std::nullopt;
    const std::string_view digits = std::string_view(m_strKey).substr(
        std::min(m_strKey.find_first_not_of('0'), m_strKey.size() - 1));
    if (digits.size() > 5)
        return std::nullopt;
    unsigned value = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return value <= 0xFFFF ? std::optional<unsigned>(value) : std::nullopt;
}

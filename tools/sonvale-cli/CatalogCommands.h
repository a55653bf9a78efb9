#pragma once
#include <array>
#include <cstdint>
#include <iosfwd>
#include <string>

#include "CliExitCode.h"
#include "CliOptions.h"
#include "data/SonvaleData.h"
#include "data/SysExConverter.h"

// The commands that need only the factory data: list, show, export and export-all. They read the
// selected factory table through CSonvaleData and build messages with CSysExConverter, exactly as the
// program does before it sends an entry.
class CCatalogCommands {
public:
    CCatalogCommands(std::ostream& out, std::ostream& err);
    virtual ~CCatalogCommands() = default;

    // Selects the factory table: the one of the system language, or the English or Japanese one.
    // Fails only for an unusable table.
    [[nodiscard]] ResultCode SelectTable(CliLanguage language);

    [[nodiscard]] CliExitCode List(bool json);
    [[nodiscard]] CliExitCode Show(const CCliOptions& options);
    // FILE "-" writes the message to standard output.
    [[nodiscard]] CliExitCode Export(const CCliOptions& options);
    // Creates DIR when it does not exist; one file per entry, named by FileNameFor.
    [[nodiscard]] CliExitCode ExportAll(const std::string& dir);

    // "<key, two digits or more>_<name>.syx", with blanks as "_", ":" as "-" and every character that a
    // file name on a common file system cannot carry as "_" ("00_Preset.syx", "23_Brisa_4-1_R10.syx").
    [[nodiscard]] static std::string FileNameFor(std::int16_t key, const char* name);

    // The key of the entry with exactly this name, or -1 when no entry has it.
    [[nodiscard]] std::int16_t KeyOfName(const std::string& name) const;

    // Looks the command's KEY up; reports an unknown key on the error stream. False when unknown.
    [[nodiscard]] bool ResolveKey(const CCliOptions& options, std::uint16_t& key) const;

    [[nodiscard]] const CSonvaleData& Data() const { return m_data; }
    [[nodiscard]] const CSysExConverter& Converter() const { return m_converter; }

    using Message = std::array<std::uint8_t, CSysExConverter::kDataMessageLength>;
    // The data message of the entry with this key, as the program sends it.
    [[nodiscard]] bool BuildMessage(std::uint16_t key, Message& message) const;

    // The table of nine parameter sets that show prints.
    static void PrintSets(std::ostream& out, const std::array<ParameterSet, kParameterSetCount>& sets);

private:
    [[nodiscard]] bool WriteFile(const std::string& path, const Message& message) const;

    std::ostream& m_out;
    std::ostream& m_err;
    CSonvaleData m_data;
    CSysExConverter m_converter;
};

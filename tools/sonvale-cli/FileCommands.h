#pragma once
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "CliExitCode.h"
#include "DataMessageCheck.h"

class CCatalogCommands;
class CConsoleCommands;

// The commands on a data message kept in a file: check judges it, send writes it into the console.
// A file that is not one valid data message is refused with status 7 before anything is sent.
class CFileCommands {
public:
    CFileCommands(const CCatalogCommands& catalog, CConsoleCommands& console, std::ostream& out, std::ostream& err);
    virtual ~CFileCommands() = default;

    // FILE "-" reads standard input.
    [[nodiscard]] CliExitCode Check(const std::string& path);
    [[nodiscard]] CliExitCode Send(const std::string& path);

    // The key of the factory entry whose data message equals these bytes, or -1.
    [[nodiscard]] int FactoryKeyOf(const std::vector<std::uint8_t>& bytes) const;

private:
    // Reads and judges the file; false after saying why it is refused.
    [[nodiscard]] bool ReadValid(const std::string& path, std::vector<std::uint8_t>& bytes,
                                 CDataMessageCheck::Verdict& verdict);

    const CCatalogCommands& m_catalog;
    CConsoleCommands& m_console;
    std::ostream& m_out;
    std::ostream& m_err;
};

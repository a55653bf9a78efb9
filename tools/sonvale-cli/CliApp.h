#pragma once
#include <iosfwd>
#include <string_view>
#include <vector>

#include "CliExitCode.h"
#include "CliOptions.h"

// sonvale-cli: parses the command line, runs one command and turns its outcome into the exit status.
// Results go to `out`, messages and progress to `err`. Reads no preference file.
class CCliApp {
public:
    CCliApp(std::ostream& out, std::ostream& err);
    virtual ~CCliApp() = default;

    // args: the arguments after the program name.
    [[nodiscard]] CliExitCode Run(const std::vector<std::string_view>& args);

    // The text of --help: commands, options and exit codes.
    [[nodiscard]] static const char* UsageText();

private:
    [[nodiscard]] CliExitCode RunCommand(const CCliOptions& options);

    std::ostream& m_out;
    std::ostream& m_err;
};

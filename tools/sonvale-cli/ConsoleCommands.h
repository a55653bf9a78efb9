#pragma once
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "CliExitCode.h"
#include "CliOptions.h"
#include "midi/ConsoleChoice.h"
#include "platform/ResultCode.h"

class CCatalogCommands;
class CDataController;

// The commands that talk to the network: devices, current and update. They go through the program's
// own transport (the CMIDIDevice holder with its CWin32VornMIDIController) and data controller, so a
// transfer from the command line is the same exchange as one from the window.
class CConsoleCommands {
public:
    CConsoleCommands(const CCatalogCommands& catalog, std::ostream& out, std::ostream& err);
    virtual ~CConsoleCommands() = default;

    // The console that current, update and send talk to: the one asked for by client, pair identifier
    // or both, or by default the one with the lowest identifier.
    void SelectConsole(ConsoleWish wish) { m_wish = std::move(wish); }

    // Exit 0 when at least one port would be used; 4 when there is no driver or no usable port.
    // The JACK implementation reached and how its library was chosen come first.
    [[nodiscard]] CliExitCode Devices(bool json);
    [[nodiscard]] CliExitCode Current(bool json);
    [[nodiscard]] CliExitCode Update(const CCliOptions& options);
    // Writes a checked data message into the console as Update writes an entry; `what` names it in the
    // messages ("\"Preset\" (No. 0)").
    [[nodiscard]] CliExitCode WriteMessage(const std::vector<std::uint8_t>& message, const std::string& what);

    // The exit status and the plain-words cause for a failed exchange or connection.
    [[nodiscard]] static CliExitCode ExitCodeFor(ResultCode result);
    [[nodiscard]] static const char* CauseOf(ResultCode result);
    // CauseOf in full: for an unavailable driver, also why (no module, no JACK server) and what to do.
    [[nodiscard]] static std::string Explain(ResultCode result);

    // A name received from the console made safe for a terminal: invalid UTF-8 as U+FFFD, control
    // characters as \xNN.
    [[nodiscard]] static std::string ShownName(std::string_view name);

private:
    // Creates the transport in the holder when there is none and opens it: RC_EXCHANGE_OK or the cause.
    [[nodiscard]] ResultCode Connect();
    void Disconnect();
    // The write on a worker thread; a dot on the error stream every 300 ms until the console answers.
    [[nodiscard]] ResultCode WriteWithProgress(const std::function<ResultCode()>& write);
    // The failure of an exchange in words: the cause of its result, told apart by what happened.
    [[nodiscard]] std::string ExplainExchange(ResultCode result, const CDataController& controller) const;
    // Connects, writes with progress and reports the outcome of writing `what`.
    [[nodiscard]] CliExitCode Write(const std::function<ResultCode(CDataController&)>& write, const std::string& what);

    const CCatalogCommands& m_catalog;
    std::ostream& m_out;
    std::ostream& m_err;
    ConsoleWish m_wish;
};

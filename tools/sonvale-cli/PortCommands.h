#pragma once
#include "WeakJack.h"

#include <iosfwd>
#include <optional>
#include <string>

#include "CliExitCode.h"
#include "CliOptions.h"
#include "midi/GraphLock.h"

// The commands on the MIDI ports of the JACK graph: ports lists them as the driver judges them, tag and
// untag set or remove the two tags of a console's port pair and, with --keep, the rule in the driver's
// rules file; find asks the pairs without tags for a console. They reach the graph through a JACK client of their own, never starting a server; its
// opening and closing hold the graph lock exclusively, as every change of the graph does.
class CPortCommands {
public:
    CPortCommands(std::ostream& out, std::ostream& err);
    virtual ~CPortCommands();
    CPortCommands(const CPortCommands&) = delete;
    CPortCommands& operator=(const CPortCommands&) = delete;

    [[nodiscard]] CliExitCode Ports();
    [[nodiscard]] CliExitCode Tag(const CCliOptions& options);
    [[nodiscard]] CliExitCode Untag(const CCliOptions& options);
    // Asks every pair without tags or rule whether a console answers there (CConsoleFinder), keeps
    // each that does as a rule, and says what each pair answered.
    [[nodiscard]] CliExitCode Find();

    // The port name with every client number in brackets ("[20]") made a wildcard ("[*]").
    [[nodiscard]] static std::string PatternOf(const std::string& name);

private:
    struct Pair {
        jack_port_t* pInput = nullptr;
        jack_port_t* pOutput = nullptr;
        std::string input, output, client; // full names as JACK gives them, and their client
    };

    // Opens the client under the graph lock; false after saying why not.
    [[nodiscard]] bool Connect();
    [[nodiscard]] bool OpenClient();
    // Checks that the two names are a MIDI port messages go to and one replies come from, of one client
    // other than a driver; false after saying why not.
    [[nodiscard]] bool FindPair(const CCliOptions& options, Pair& pair);
    // Waits until both ports show these tag values (nullopt: no such tag). PipeWire's JACK library
    // applies a change only when its server has answered, and a command that ended before that would
    // leave the change undone.
    [[nodiscard]] bool WaitForTags(const Pair& pair, const std::optional<std::string>& type,
                                   const std::optional<std::string>& id);
    // The smallest identifier from 1 up that no other tagged port of the client carries.
    [[nodiscard]] std::uint32_t FreeId(const Pair& pair);

    std::ostream& m_out;
    std::ostream& m_err;
    jack_client_t* m_pClient = nullptr;
    CGraphLock m_graphLock;
};

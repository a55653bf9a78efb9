#include "CliApp.h"

#include <cstdlib>
#include <ostream>

#include "CatalogCommands.h"
#include "CliTermination.h"
#include "ConsoleCommands.h"
#include "FileCommands.h"
#include "JackLibrary.h"
#include "PortCommands.h"

#ifndef SONVALE_VERSION
#define SONVALE_VERSION "unknown"
#endif

CCliApp::CCliApp(std::ostream& out, std::ostream& err) : m_out(out), m_err(err) {}

const char* CCliApp::UsageText()
{
    return "Usage: sonvale-cli [--lang en|ja] COMMAND [ARGUMENTS]\n"
           "\n"
           "Commands:\n"
           "  list [--json]       the factory entries: key, name, author and description\n"
           "  show KEY [--json]   one entry with its nine parameter sets\n"
           "  export KEY FILE     the entry's 137-byte data message as a .syx file (FILE - : standard output)\n"
           "  export-all DIR      one .syx file per entry in DIR, named by key and name\n"
           "  devices [--json]    the JACK implementation reached and how its library was chosen; the devices\n"
           "                      and ports the driver sees, which ports are used, and the console the\n"
           "                      window writes to\n"
           "  current [--json]    the entry the console holds now [--console CLIENT] [--id N]\n"
           "  update KEY          writes the entry into the console and reports its answer [--console CLIENT]\n"
           "                      [--id N]\n"
           "  check FILE          whether FILE holds one data message the console accepts; its name and sets\n"
           "  send FILE           writes the data message in FILE into the console, as update does\n"
           "                      [--console CLIENT] [--id N]\n"
           "  ports               every MIDI port of the graph: client, direction, tags, matching rule\n"
           "  find                asks every MIDI port pair without tags whether a console answers there,\n"
           "                      and keeps each console that does as a rule\n"
           "  tag INPUT OUTPUT    tags a console's two MIDI ports (messages go to INPUT, replies come\n"
           "                      from OUTPUT) [--type Tarn] [--id N] [--keep [--pattern]]\n"
           "  untag INPUT OUTPUT  removes the tags [--keep: and every rule matching the two ports]\n"
           "  help                this text\n"
           "\n"
           "Options:\n"
           "  --lang en|ja        English or Japanese descriptions (default: the system language)\n"
           "  --json              JSON output (list, show, current, devices)\n"
           "  --verbose           also libjack's own messages (the driver keeps them quiet otherwise)\n"
           "  --type TYPE         tag: the four-character type (default Tarn)\n"
           "  --id N              tag: the pair's identifier (default: the lowest the client does not use);\n"
           "                      current, update, send: the console with this identifier (default: the\n"
           "                      lowest on the network, or that CLIENT offers)\n"
           "  --console CLIENT    current, update, send: the console that this JACK client offers\n"
           "  --keep              tag, untag: also write or remove the rule in the driver's rules file,\n"
           "                      $XDG_CONFIG_HOME/vorn-jack/ports.ini, so the pair counts after restarts\n"
           "  --pattern           tag --keep: the rule has client numbers in brackets as [*]\n"
           "  -h, --help          this text\n"
           "  --version           the version of the program\n"
           "\n"
           "Exit codes:\n"
           "  0  success\n"
           "  1  usage error\n"
           "  2  the console rejected the data as invalid\n"
           "  3  the console failed to write its flash memory\n"
           "  4  no connection, no reply, or a wrong reply\n"
           "  5  unknown key\n"
           "  6  a file or folder could not be written\n"
           "  7  not a data message; nothing was sent (check, send)\n"
           "  129  ended by SIGHUP (during an exchange with the console: once it has answered)\n"
           "  130  ended by SIGINT (Ctrl+C), as for 129; pressed again: at once\n"
           "  143  ended by SIGTERM, as for 130\n";
}

CliExitCode CCliApp::Run(const std::vector<std::string_view>& args)
{
    const CCliOptions options = CCliOptions::Parse(args);
    if (!options.m_strError.empty()) {
        m_err << "sonvale-cli: " << options.m_strError << "\nTry 'sonvale-cli --help' for the commands.\n";
        return CliExitCode::Usage;
    }
    // The driver reads its switch when it opens its JACK client.
    if (options.m_bVerbose)
        ::setenv("VORN_JACK_VERBOSE", "1", 1);
    return RunCommand(options);
}

CliExitCode CCliApp::RunCommand(const CCliOptions& options)
{
    switch (options.m_command) {
    case CliCommand::Help:
        m_out << UsageText();
        return CliExitCode::Ok;
    case CliCommand::Version:
        m_out << "sonvale-cli " SONVALE_VERSION "\n";
        return CliExitCode::Ok;
    case CliCommand::None:
        m_err << "sonvale-cli: no command given\n";
        return CliExitCode::Usage;
    default:
        break;
    }

    CPortCommands ports(m_out, m_err);
    switch (options.m_command) {
    case CliCommand::Ports: return ports.Ports();
    case CliCommand::Find: return ports.Find();
    case CliCommand::Tag: return ports.Tag(options);
    case CliCommand::Untag: return ports.Untag(options);
    default: break;
    }

    CCatalogCommands catalog(m_out, m_err);
    if (catalog.SelectTable(options.m_language) != RC_OK) {
        m_err << "sonvale-cli: the factory table is unusable\n";
        return CliExitCode::UnknownKey;
    }
    switch (options.m_command) {
    case CliCommand::List: return catalog.List(options.m_bJson);
    case CliCommand::Show: return catalog.Show(options);
    case CliCommand::Export: return catalog.Export(options);
    case CliCommand::ExportAll: return catalog.ExportAll(options.m_strPath);
    default: break;
    }

    // The JACK library is chosen here, before the driver module loads, so that this program's account of
    // the choice (devices, the advice without a server) is the choice itself; the module finds the
    // library loaded and takes it.
    (void)CJackLibrary::Process();
    CConsoleCommands console(catalog, m_out, m_err);
    console.SelectConsole({options.m_strConsole, options.m_id});
    // The commands below talk to the console (all but check): a request to end waits for them.
    const CCliTermination::Exchange exchange;
    switch (options.m_command) {
    case CliCommand::Devices: return console.Devices(options.m_bJson);
    case CliCommand::Current: return console.Current(options.m_bJson);
    case CliCommand::Update: return console.Update(options);
    default: break;
    }
    CFileCommands files(catalog, console, m_out, m_err);
    switch (options.m_command) {
    case CliCommand::Check: return files.Check(options.m_strPath);
    case CliCommand::Send: return files.Send(options.m_strPath);
    default: break;
    }
    return CliExitCode::Usage;
}

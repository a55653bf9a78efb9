#include "PortCommands.h"

#include "WeakJack.h"

#include <chrono>
#include <map>
#include <ostream>
#include <regex>
#include <set>
#include <string_view>
#include <thread>

#include "ConsoleFinder.h"
#include "DriverDiagnosis.h"
#include "JackMessages.h"
#include "NetworkScan.h"
#include "PortCatalog.h"
#include "PortRulesEditor.h"
#include "PortTags.h"

namespace {

std::string TagsText(const VornMidiPort& port)
{
    if (!port.tagType && !port.tagId)
        return "none";
    return "type " + port.tagType.value_or("-") + ", id " + port.tagId.value_or("-");
}

// The other clients whose port counts as the same type, identifier and direction: with any, nobody can
// tell which console is meant and nothing is sent to either.
std::set<std::string> ClashWith(const VornMidiPort& port, const std::vector<VornMidiPort>& ports)
{
    std::set<std::string> others;
    for (const VornMidiPort& other : ports)
        if (other.client != port.client && other.id == port.id && other.type == port.type && other.input == port.input)
            others.insert(other.client);
    return others;
}

template <typename Names> std::string Listed(const Names& names)
{
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : ", ") + name;
    return text;
}

} // namespace

CPortCommands::CPortCommands(std::ostream& out, std::ostream& err) : m_out(out), m_err(err) {}

CPortCommands::~CPortCommands()
{
    if (!m_pClient)
        return;
    m_graphLock.TakeForChange();
    jack_client_close(m_pClient);
    m_graphLock.Release();
}

bool CPortCommands::Connect()
{
    // A client coming or going is a change of the graph, in which JACK may drop what reaches a
    // console's input: no exchange of this user's programs runs meanwhile.
    m_graphLock.TakeForChange();
    const bool bOpened = OpenClient();
    m_graphLock.Release();
    return bOpened;
}

bool CPortCommands::OpenClient()
{
    // Named as a driver's client: the drivers of running programs pay no heed to driver clients coming
    // and going, so looking at the graph does not make them reconnect. Tag changes still reach them.
    const std::string name = std::string(VORN_DRIVER_CLIENT_NAME) + "-cli";
    // libjack's own lines go where the driver sends them: nowhere, unless --verbose asks for them.
    bool noServer = false;
    m_pClient = CJackMessages::OpenClient(name, noServer);
    if (!m_pClient) {
        m_err << "sonvale-cli: "
              << (noServer ? CDriverDiagnosis::Advice(CDriverDiagnosis::Cause::NoServer)
                                              : std::string("the JACK server refused this program's client (run "
                                                            "with --verbose to see libjack's reason)"))
              << '\n';
        return false;
    }
    // PipeWire's JACK library learns the port tags a little after the client opens; activating waits
    // for its server once more, after which this client's view of them is whole.
    if (jack_activate(m_pClient) != 0) {
        m_err << "sonvale-cli: the JACK server did not take this program's client\n";
        return false;
    }
    return true;
}

std::string CPortCommands::PatternOf(const std::string& name)
{
    static const std::regex number(R"(\[[0-9]+\])");
    return std::regex_replace(name, number, "[*]");
}

CliExitCode CPortCommands::Ports()
{
    if (!Connect())
        return CliExitCode::NoConnection;
    const CPortRules rules = CPortRules::Load(CPortRules::DefaultPath());
    std::vector<std::string> problems = rules.Problems();
    const std::vector<VornMidiPort> ports = CPortCatalog::List(m_pClient, rules, problems);
    for (const std::string& problem : problems)
        m_err << "sonvale-cli: " << problem << '\n';

    m_out << "Rules file: " << rules.Path() << " (" << rules.Rules().size() << " rule"
          << (rules.Rules().size() == 1 ? "" : "s") << ")\n";
    if (ports.empty())
        m_out << "No MIDI ports on the graph.\n";
    std::string client;
    for (const VornMidiPort& port : ports) {
        if (port.client != client) {
            client = port.client;
            m_out << "Client " << client << '\n';
        }
        m_out << "  " << (port.input ? "input   " : "output  ") << port.name << "\n      tags: " << TagsText(port)
              << "; rule: " << (port.rule.empty() ? "none" : "[" + port.rule + "]") << "; counts as: ";
        if (!port.id) {
            m_out << "nothing\n";
            continue;
        }
        m_out << "type " << (port.type.empty() ? "-" : port.type) << ", id " << *port.id;
        if (const std::set<std::string> clash = ClashWith(port, ports); !clash.empty())
            m_out << " (CLASH: " << Listed(clash) << " too; nothing is sent to either)";
        m_out << '\n';
        if (!port.input)
            continue;
        if (const std::vector<std::string> senders = CNetworkScan::OtherSenders(m_pClient, port.name); !senders.empty())
            m_out << "      also sent to by: " << Listed(senders) << '\n';
    }
    return CliExitCode::Ok;
}

bool CPortCommands::FindPair(const CCliOptions& options, Pair& pair)
{
    pair.pInput = jack_port_by_name(m_pClient, options.m_strInput.c_str());
    pair.pOutput = jack_port_by_name(m_pClient, options.m_strOutput.c_str());
    for (const auto& [pPort, given] : {std::pair{pair.pInput, &options.m_strInput},
                                       std::pair{pair.pOutput, &options.m_strOutput}}) {
        if (!pPort) {
            m_err << "sonvale-cli: there is no port \"" << *given << "\" (sonvale-cli ports lists them)\n";
            return false;
        }
        if (std::string(jack_port_type(pPort)) != JACK_DEFAULT_MIDI_TYPE) {
            m_err << "sonvale-cli: \"" << *given << "\" is not a MIDI port\n";
            return false;
        }
        if (CNetworkScan::IsDriverName(jack_port_name(pPort))) {
            m_err << "sonvale-cli: \"" << *given << "\" belongs to a driver, not to a console\n";
            return false;
        }
    }
    if (!(jack_port_flags(pair.pInput) & JackPortIsInput)) {
        m_err << "sonvale-cli: \"" << options.m_strInput << "\" is a port replies come from; INPUT must be the "
              << "port messages go to (a JACK input port). Are the two names swapped?\n";
        return false;
    }
    if (!(jack_port_flags(pair.pOutput) & JackPortIsOutput)) {
        m_err << "sonvale-cli: \"" << options.m_strOutput << "\" is a port messages go to; OUTPUT must be the "
              << "port replies come from (a JACK output port)\n";
        return false;
    }
    pair.input = jack_port_name(pair.pInput);
    pair.output = jack_port_name(pair.pOutput);
    std::map<std::string, bool> clients;
    pair.client = CPortCatalog::ClientOf(m_pClient, pair.input, clients);
    const std::string outputClient = CPortCatalog::ClientOf(m_pClient, pair.output, clients);
    if (outputClient != pair.client) {
        m_err << "sonvale-cli: the two ports belong to different clients (" << pair.client << ", "
              << outputClient << "); a pair is two ports of one client\n";
        return false;
    }
    return true;
}

bool CPortCommands::WaitForTags(const Pair& pair, const std::optional<std::string>& type,
                                const std::optional<std::string>& id)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    for (;;) {
        bool shown = true;
        for (jack_port_t* pPort : {pair.pInput, pair.pOutput})
            shown = shown && CPortCatalog::Property(pPort, VORN_KEY_PORT_TYPE) == type &&
                    CPortCatalog::Property(pPort, VORN_KEY_PORT_ID) == id;
        if (shown)
            return true;
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

std::uint32_t CPortCommands::FreeId(const Pair& pair)
{
    std::set<std::uint32_t> taken;
    std::vector<std::string> ignored;
    for (const VornMidiPort& port : CPortCatalog::List(m_pClient, CPortRules(), ignored))
        if (port.client == pair.client && port.id && port.name != pair.input && port.name != pair.output)
            taken.insert(*port.id);
    std::uint32_t id = 1;
    while (taken.count(id) != 0)
        ++id;
    return id;
}

CliExitCode CPortCommands::Tag(const CCliOptions& options)
{
    Pair pair;
    if (!Connect())
        return CliExitCode::NoConnection;
    if (!FindPair(options, pair))
        return CliExitCode::Usage;
    const std::uint32_t id = options.m_id ? *options.m_id : FreeId(pair);
    const std::string idText = std::to_string(id);
    bool taken = true;
    for (jack_port_t* pPort : {pair.pInput, pair.pOutput}) {
        const jack_uuid_t uuid = jack_port_uuid(pPort);
        taken = taken &&
                jack_set_property(m_pClient, uuid, VORN_KEY_PORT_TYPE, options.m_strType.c_str(), "text/plain") == 0 &&
                jack_set_property(m_pClient, uuid, VORN_KEY_PORT_ID, idText.c_str(), "text/plain") == 0;
    }
    if (!taken || !WaitForTags(pair, options.m_strType, idText)) {
        m_err << "sonvale-cli: the JACK server did not take the port tags (on PipeWire, is its session "
                 "manager running?)\n";
        return CliExitCode::NoConnection;
    }
    m_out << "Tagged " << pair.input << " and " << pair.output << ": type " << options.m_strType << ", id " << id
          << ".\n";
    if (!options.m_bKeep)
        return CliExitCode::Ok;
    VornPortRule rule;
    rule.section = options.m_strType + " " + std::to_string(id) + " of " + pair.client;
    rule.type = options.m_strType;
    rule.id = id;
    rule.input = options.m_bPattern ? PatternOf(pair.input) : pair.input;
    rule.output = options.m_bPattern ? PatternOf(pair.output) : pair.output;
    std::string error;
    const std::string path = CPortRules::DefaultPath();
    if (!CPortRulesEditor::Add(path, rule, error)) {
        m_err << "sonvale-cli: the rule was not kept: " << error << '\n';
        return CliExitCode::FileError;
    }
    m_out << "Kept as a rule in " << path << ": input " << rule.input << ", output " << rule.output << ".\n";
    return CliExitCode::Ok;
}

CliExitCode CPortCommands::Untag(const CCliOptions& options)
{
    Pair pair;
    if (!Connect())
        return CliExitCode::NoConnection;
    if (!FindPair(options, pair))
        return CliExitCode::Usage;
    // PipeWire's JACK library (0.3.65) removes a key from the object whose number the port's identifier
    // carries, which is not always the port: another port could lose its tags. There the tags are set
    // empty instead, which counts as no tag. jackd's libjack complains about removing a key that is not
    // there, which is no failure here.
    const bool pipeWire = std::string_view(jack_get_version_string()).find("PipeWire") != std::string_view::npos;
    jack_set_error_function([](const char*) {});
    for (jack_port_t* pPort : {pair.pInput, pair.pOutput})
        for (const char* key : {VORN_KEY_PORT_TYPE, VORN_KEY_PORT_ID})
            if (pipeWire)
                jack_set_property(m_pClient, jack_port_uuid(pPort), key, "", "text/plain");
            else
                jack_remove_property(m_pClient, jack_port_uuid(pPort), key);
    CJackMessages::Route();
    if (!WaitForTags(pair, std::nullopt, std::nullopt)) {
        m_err << "sonvale-cli: the JACK server did not remove the port tags\n";
        return CliExitCode::NoConnection;
    }
    m_out << "Untagged " << pair.input << " and " << pair.output << ".\n";
    const std::string path = CPortRules::DefaultPath();
    if (options.m_bKeep) {
        std::string error;
        int removed = 0;
        if (!CPortRulesEditor::Remove(path, pair.input, pair.output, removed, error)) {
            m_err << "sonvale-cli: the rule was not removed: " << error << '\n';
            return CliExitCode::FileError;
        }
        m_out << "Removed " << removed << " rule" << (removed == 1 ? "" : "s") << " from " << path << ".\n";
        return CliExitCode::Ok;
    }
    const CPortRules rules = CPortRules::Load(path);
    for (const VornPortRule& rule : rules.Rules())
        if (CPortRules::Matches(rule.input, pair.input) && CPortRules::Matches(rule.output, pair.output))
            m_err << "sonvale-cli: the rule [" << rule.section << "] in " << path
                  << " still makes them a pair; untag --keep removes it\n";
    return CliExitCode::Ok;
}

CliExitCode CPortCommands::Find()
{
    if (!Connect())
        return CliExitCode::NoConnection;
    const CPortRules rules = CPortRules::Load(CPortRules::DefaultPath());
    // The consoles known already are not asked.
    int consoles = 0;
    std::vector<std::string> problems;
    std::map<std::pair<std::string, std::uint32_t>, std::pair<std::string, std::string>> known; // (client, id): input, output
    for (const VornMidiPort& port : CPortCatalog::List(m_pClient, rules, problems))
        if (port.id && port.type == CConsoleFinder::ConsoleType())
            (port.input ? known[{port.client, *port.id}].first : known[{port.client, *port.id}].second) = port.name;
    for (const auto& [console, names] : known)
        if (!names.first.empty() && !names.second.empty()) {
            ++consoles;
            m_out << names.first << " / " << names.second << ": known as a console, id " << console.second
                  << "; not asked\n";
        }
    // The asking client's ports come and go, and the consoles are sent a message: no exchange of this
    // user's programs runs meanwhile.
    m_graphLock.TakeForChange();
    std::string error;
    const std::vector<CConsoleFinder::Answer> answers = CConsoleFinder::AskUntagged(m_pClient, rules, true, error);
    m_graphLock.Release();
    if (!error.empty()) {
        m_err << "sonvale-cli: the pairs could not be asked: " << error << '\n';
        return CliExitCode::NoConnection;
    }
    if (answers.empty())
        m_out << "No MIDI port pair without tags or rule on the graph; nothing was asked.\n";
    for (const CConsoleFinder::Answer& answer : answers) {
        m_out << answer.input << " / " << answer.output << ": ";
        switch (answer.kind) {
        case CConsoleFinder::Answer::Kind::Console:
            ++consoles;
            m_out << "a console, holding \"" << answer.entry << "\"; type " << CConsoleFinder::ConsoleType() << ", id "
                  << answer.id;
            if (!answer.keptIn.empty())
                m_out << ", kept as a rule in " << answer.keptIn << '\n';
            else
                m_out << "; not kept: " << answer.problem << '\n';
            break;
        case CConsoleFinder::Answer::Kind::Silent: m_out << "no answer\n"; break;
        case CConsoleFinder::Answer::Kind::NotConsole: m_out << "an answer that is not a console's\n"; break;
        case CConsoleFinder::Answer::Kind::Unreachable: m_out << "not asked: its ports took no connection\n"; break;
        }
    }
    if (consoles == 0) {
        m_err << "sonvale-cli: no console is known and none answered\n";
        return CliExitCode::NoConnection;
    }
    return CliExitCode::Ok;
}

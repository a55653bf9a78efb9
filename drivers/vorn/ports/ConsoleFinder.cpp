#include "ConsoleFinder.h"

#include <cstdlib>
#include <map>
#include <mutex>
#include <set>
#include <string_view>

#include "IdentityAsk.h"
#include "PortCatalog.h"
#include "PortPairing.h"
#include "PortRulesEditor.h"

namespace {

// What this process has asked and found. A process-wide record, as the brief of the finder says: a
// pair that did not answer as a console is never asked again, whichever driver object meets it.
struct Record {
    std::mutex mutex;
    std::set<std::pair<std::string, std::string>> asked; // (input, output)
    std::vector<VornPortRule> found;
};

Record& TheRecord()
{
    static Record record;
    return record;
}

// The smallest identifier from 1 up that no other port of the client carries and no console on the
// graph has: two clients offering one console identifier are told apart by nobody.
std::uint32_t FreeId(const std::string& client, const std::vector<VornMidiPort>& ports, const std::set<std::uint32_t>& given)
{
    std::set<std::uint32_t> taken = given;
    for (const VornMidiPort& port : ports)
        if (port.id && (port.client == client || port.type == CConsoleFinder::ConsoleType()))
            taken.insert(*port.id);
    std::uint32_t id = 1;
    while (taken.contains(id))
        ++id;
    return id;
}

} // namespace

std::string CConsoleFinder::ConsoleType() { return "Tarn"; }

bool CConsoleFinder::AskingWanted()
{
    const char* value = std::getenv("VORN_JACK_ASK");
    return value == nullptr || std::string_view(value) != "0";
}

std::vector<CConsoleFinder::Answer> CConsoleFinder::AskUntagged(jack_client_t* pView, const CPortRules& rules,
                                                                bool again, std::string& error)
{
    Record& record = TheRecord();
    const std::lock_guard lock(record.mutex);
    std::vector<std::string> problems;
    const std::vector<VornMidiPort> ports = CPortCatalog::List(pView, rules, problems);

    // The untagged ports of each client, paired by their names.
    std::map<std::string, std::vector<CPortPairing::Port>> byClient;
    for (const VornMidiPort& port : ports)
        if (!port.id)
            byClient[port.client].push_back({port.name, port.input});
    std::vector<CPortPairing::Pair> pairs;
    std::vector<std::string> clients;
    for (const auto& [client, clientPorts] : byClient)
        for (const CPortPairing::Pair& pair : CPortPairing::Pairs(client, clientPorts))
            if (again || !record.asked.contains({pair.input, pair.output})) {
                pairs.push_back(pair);
                clients.push_back(client);
            }
    std::vector<Answer> answers;
    if (pairs.empty())
        return answers;
    const std::vector<CIdentityAsk::Outcome> outcomes = CIdentityAsk::Ask(pairs, WAIT, error);
    std::set<std::uint32_t> given;
    for (std::size_t i = 0; i < outcomes.size(); ++i) {
        const CIdentityAsk::Outcome& outcome = outcomes[i];
        Answer answer;
        answer.client = clients[i];
        answer.input = outcome.pair.input;
        answer.output = outcome.pair.output;
        answer.entry = outcome.entry;
        if (!outcome.reached) {
            answer.kind = Answer::Kind::Unreachable; // not sent: asked again later
            answers.push_back(std::move(answer));
            continue;
        }
        record.asked.insert({outcome.pair.input, outcome.pair.output});
        answer.kind = outcome.console ? Answer::Kind::Console
                      : outcome.answered ? Answer::Kind::NotConsole
                                         : Answer::Kind::Silent;
        if (outcome.console) {
            answer.id = FreeId(answer.client, ports, given);
            given.insert(answer.id);
            VornPortRule rule;
            rule.section = ConsoleType() + " " + std::to_string(answer.id) + " of " + answer.client;
            rule.type = ConsoleType();
            rule.id = answer.id;
            rule.input = answer.input;
            rule.output = answer.output;
            rule.asked = true;
            if (CPortRulesEditor::Add(rules.Path(), rule, answer.problem))
                answer.keptIn = rules.Path();
            std::erase_if(record.found, [&](const VornPortRule& r) { return r.input == rule.input && r.output == rule.output; });
            record.found.push_back(rule);
        }
        answers.push_back(std::move(answer));
    }
    return answers;
}

std::vector<VornPortRule> CConsoleFinder::FoundOutsideFile(const CPortRules& rules)
{
    Record& record = TheRecord();
    const std::lock_guard lock(record.mutex);
    std::vector<VornPortRule> missing;
    for (const VornPortRule& found : record.found) {
        bool inFile = false;
        for (const VornPortRule& rule : rules.Rules())
            inFile = inFile || (CPortRules::Matches(rule.input, found.input) && CPortRules::Matches(rule.output, found.output));
        if (!inFile)
            missing.push_back(found);
    }
    return missing;
}

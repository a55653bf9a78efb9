#include "PortPairing.h"

#include <map>
#include <string_view>

namespace {

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

std::string Lower(std::string_view word)
{
    std::string lower(word);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

bool SaysDirection(std::string_view word, bool input)
{
    const std::string lower = Lower(word);
    if (input)
        return lower == "playback" || lower == "in" || lower == "input";
    return lower == "capture" || lower == "out" || lower == "output";
}

} // namespace

std::string CPortPairing::Key(const std::string& name, bool input)
{
    std::size_t found = std::string::npos, length = 0;
    for (std::size_t i = 0; i < name.size();) {
        if (!IsLetter(name[i])) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < name.size() && IsLetter(name[end]))
            ++end;
        if (SaysDirection(std::string_view(name).substr(i, end - i), input)) {
            found = i;
            length = end - i;
        }
        i = end;
    }
    if (found == std::string::npos)
        return {};
    return name.substr(0, found) + '\x01' + name.substr(found + length);
}

std::vector<CPortPairing::Pair> CPortPairing::Pairs(const std::string& client, const std::vector<Port>& ports)
{
    // Per key: the ports of each direction that have it.
    std::map<std::string, std::vector<const Port*>> inputs, outputs;
    std::vector<std::string> order;
    for (const Port& port : ports) {
        const std::size_t start = port.name.starts_with(client + ":") ? client.size() + 1 : 0;
        const std::string key = Key(port.name.substr(start), port.input);
        if (key.empty())
            continue;
        auto& side = port.input ? inputs : outputs;
        if (port.input && !inputs.contains(key))
            order.push_back(key);
        side[key].push_back(&port);
    }
    std::vector<Pair> pairs;
    for (const std::string& key : order) {
        const auto out = outputs.find(key);
        if (inputs[key].size() == 1 && out != outputs.end() && out->second.size() == 1)
            pairs.push_back({inputs[key].front()->name, out->second.front()->name});
    }
    if (!pairs.empty())
        return pairs;
    const Port* pInput = nullptr;
    const Port* pOutput = nullptr;
    int nInputs = 0, nOutputs = 0;
    for (const Port& port : ports) {
        (port.input ? pInput : pOutput) = &port;
        ++(port.input ? nInputs : nOutputs);
    }
    if (nInputs == 1 && nOutputs == 1)
        pairs.push_back({pInput->name, pOutput->name});
    return pairs;
}

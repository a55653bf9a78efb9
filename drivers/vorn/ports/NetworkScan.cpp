#include "NetworkScan.h"

#include "WeakJack.h"

#include <algorithm>
#include <map>

#include "PortCatalog.h"

namespace {

struct HalfPairs {
    std::string input, output;
    std::uint32_t inputType = 0, outputType = 0;
    bool byRule = false, byAsking = false; // a half's identifier came from a rule, one the driver kept after asking
};

} // namespace

bool CNetworkScan::IsDriverName(std::string_view name)
{
    const std::string_view client = name.substr(0, name.find(':'));
    if (client == VORN_DRIVER_CLIENT_NAME)
        return true;
    return client.size() > VORN_DRIVER_CLIENT_NAME.size() && client.starts_with(VORN_DRIVER_CLIENT_NAME)
           && client[VORN_DRIVER_CLIENT_NAME.size()] == '-';
}

std::vector<std::string> CNetworkScan::OtherSenders(jack_client_t* pClient, const std::string& input)
{
    std::vector<std::string> senders;
    jack_port_t* pInput = jack_port_by_name(pClient, input.c_str());
    const char** ppNames = pInput ? jack_port_get_all_connections(pClient, pInput) : nullptr;
    for (const char** ppName = ppNames; ppName && *ppName; ++ppName)
        if (!IsDriverName(*ppName))
            senders.emplace_back(*ppName);
    jack_free(static_cast<void*>(ppNames));
    return senders;
}

std::uint32_t CNetworkScan::TypeCodeOf(std::string_view value)
{
    if (value.size() != 4)
        return 0;
    std::uint32_t code = 0;
    for (char c : value)
        code = (code << 8) | static_cast<std::uint8_t>(c);
    return code;
}

std::vector<VornNetworkDevice> CNetworkScan::Scan(jack_client_t* pClient, const CPortRules& rules)
{
    std::map<std::string, std::map<std::uint32_t, HalfPairs>> byClient;
    std::vector<std::string> problems = rules.Problems();
    std::map<std::string, bool> askedRule;
    for (const VornPortRule& rule : rules.Rules())
        askedRule[rule.section] = rule.asked;
    for (const VornMidiPort& port : CPortCatalog::List(pClient, rules, problems)) {
        if (!port.id)
            continue;
        HalfPairs& half = byClient[port.client][*port.id];
        (port.input ? half.input : half.output) = port.name;
        (port.input ? half.inputType : half.outputType) = TypeCodeOf(port.type);
        std::uint32_t tagged = 0;
        if (!(port.tagId && CPortRules::ParseId(*port.tagId, tagged)) && !port.rule.empty()) {
            half.byRule = true;
            half.byAsking = half.byAsking || askedRule[port.rule];
        }
    }
    CPortRules::ReportOnce(problems);

    std::vector<VornNetworkDevice> devices;
    for (const auto& [clientName, halves] : byClient) {
        VornNetworkDevice device;
        device.name = clientName;
        for (const auto& [id, half] : halves) {
            if (half.input.empty() || half.output.empty())
                continue;
            // A pair whose two ports disagree about the type is not typed.
            const std::uint32_t type = half.inputType == half.outputType ? half.inputType : 0;
            const auto foundBy = half.byAsking ? VornPortPair::FoundBy::Asked
                                 : half.byRule ? VornPortPair::FoundBy::Rule
                                               : VornPortPair::FoundBy::Tag;
            device.pairs.push_back({id, type, half.input, half.output, !OtherSenders(pClient, half.input).empty(), foundBy});
        }
        if (device.pairs.empty())
            continue;
        char* uuidText = jack_get_uuid_for_client_name(pClient, clientName.c_str());
        if (!uuidText)
            continue;
        jack_uuid_t uuid = 0;
        const bool parsed = jack_uuid_parse(uuidText, &uuid) == 0;
        jack_free(uuidText);
        if (!parsed)
            continue;
        device.id = uuid;
        devices.push_back(std::move(device));
    }
    return devices;
}

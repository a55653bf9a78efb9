#include "PortCatalog.h"

#include "WeakJack.h"

#include <map>
#include <set>

#include "NetworkScan.h"
#include "PortTags.h"

std::optional<std::string> CPortCatalog::Property(jack_port_t* pPort, const char* key)
{
    char* value = nullptr;
    char* type = nullptr;
    if (jack_get_property(jack_port_uuid(pPort), key, &value, &type) != 0 || !value)
        return std::nullopt;
    std::string result(value);
    jack_free(value);
    if (type)
        jack_free(type);
    // An empty value is how a server that cannot remove a key clears it.
    if (result.empty())
        return std::nullopt;
    return result;
}

std::string CPortCatalog::ClientOf(jack_client_t* pClient, std::string_view full, std::map<std::string, bool>& known)
{
    for (std::size_t colon = full.rfind(':'); colon != std::string_view::npos && colon > 0;
         colon = full.rfind(':', colon - 1)) {
        const std::string candidate(full.substr(0, colon));
        auto [it, added] = known.try_emplace(candidate, false);
        if (added) {
            char* uuid = jack_get_uuid_for_client_name(pClient, candidate.c_str());
            it->second = uuid != nullptr;
            jack_free(uuid);
        }
        if (it->second)
            return candidate;
    }
    return {};
}

std::vector<VornMidiPort> CPortCatalog::List(jack_client_t* pClient, const CPortRules& rules,
                                             std::vector<std::string>& problems)
{
    std::vector<VornMidiPort> ports;
    std::map<std::string, bool> clients;
    if (const char** names = jack_get_ports(pClient, nullptr, JACK_DEFAULT_MIDI_TYPE, 0)) {
        for (const char** p = names; *p; ++p) {
            jack_port_t* pPort = jack_port_by_name(pClient, *p);
            const std::string client = ClientOf(pClient, *p, clients);
            if (!pPort || client.empty() || CNetworkScan::IsDriverName(client))
                continue;
            VornMidiPort port;
            port.name = *p;
            port.client = client;
            port.input = (jack_port_flags(pPort) & JackPortIsInput) != 0;
            port.tagType = Property(pPort, VORN_KEY_PORT_TYPE);
            port.tagId = Property(pPort, VORN_KEY_PORT_ID);
            ports.push_back(std::move(port));
        }
        jack_free(names);
    }
    ApplyRules(ports, rules.Rules(), rules.Path(), problems);
    return ports;
}

void CPortCatalog::ApplyRules(std::vector<VornMidiPort>& ports, const std::vector<VornPortRule>& rules,
                              const std::string& path, std::vector<std::string>& problems)
{
    for (VornMidiPort& port : ports) {
        std::uint32_t id = 0;
        if (port.tagId && CPortRules::ParseId(*port.tagId, id)) {
            port.id = id;
            port.type = port.tagType.value_or("");
        }
    }
    for (const VornPortRule& rule : rules) {
        std::vector<VornMidiPort*> inputs, outputs;
        std::set<std::string> clients;
        for (VornMidiPort& port : ports) {
            if (CPortRules::Matches(port.input ? rule.input : rule.output, port.name)) {
                (port.input ? inputs : outputs).push_back(&port);
                clients.insert(port.client);
            }
        }
        if (inputs.empty() || outputs.empty())
            continue;
        const std::string prefix = path + ": the rule [" + rule.section + "] ";
        if (clients.size() > 1) {
            std::string list;
            for (const std::string& client : clients)
                list += (list.empty() ? "" : ", ") + client;
            problems.push_back(prefix + "matches ports of more than one client (" + list + "); it is ignored");
        } else if (inputs.size() > 1 || outputs.size() > 1) {
            problems.push_back(prefix + "matches more than one port of " + *clients.begin() + "; it is ignored");
        } else if (!inputs.front()->rule.empty() || !outputs.front()->rule.empty()) {
            problems.push_back(prefix + "matches the ports of the rule [" + (inputs.front()->rule.empty()
                                   ? outputs.front()->rule : inputs.front()->rule) + "]; it is ignored");
        } else {
            for (VornMidiPort* port : {inputs.front(), outputs.front()}) {
                port->rule = rule.section;
                if (!port->id) {
                    port->id = rule.id;
                    port->type = rule.type;
                }
            }
        }
    }
}

#include "NetworkScan.h"

#include <jack/metadata.h>
#include <jack/uuid.h>

#include <algorithm>
#include <map>
#include <optional>

namespace {

std::optional<std::string> PortProperty(jack_port_t* pPort, const char* key)
{
    char* value = nullptr;
    char* type = nullptr;
    if (jack_get_property(jack_port_uuid(pPort), key, &value, &type) != 0 || !value)
        return std::nullopt;
    std::string result(value);
    jack_free(value);
    if (type)
        jack_free(type);
    return result;
}

struct HalfPairs {
    std::string input, output;
    std::uint32_t inputType = 0, outputType = 0;
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

std::uint32_t CNetworkScan::TypeCodeOf(std::string_view value)
{
    if (value.size() != 4)
        return 0;
    std::uint32_t code = 0;
    for (char c : value)
        code = (code << 8) | static_cast<std::uint8_t>(c);
    return code;
}

bool CNetworkScan::ParsePortId(std::string_view value, std::uint32_t& id)
{
    if (value.empty() || value.size() > 10)
        return false;
    std::uint64_t n = 0;
    for (char c : value) {
        if (c < '0' || c > '9')
            return false;
        n = n * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (n > 0xFFFFFFFFu)
        return false;
    id = static_cast<std::uint32_t>(n);
    return true;
}

std::vector<VornNetworkDevice> CNetworkScan::Scan(jack_client_t* pClient)
{
    std::map<std::string, std::map<std::uint32_t, HalfPairs>> byClient;
    if (const char** names = jack_get_ports(pClient, nullptr, JACK_DEFAULT_MIDI_TYPE, 0)) {
        for (const char** p = names; *p; ++p) {
            const std::string_view full(*p);
            const std::size_t colon = full.find(':');
            if (colon == std::string_view::npos || IsDriverName(full))
                continue;
            jack_port_t* pPort = jack_port_by_name(pClient, *p);
            if (!pPort)
                continue;
            std::uint32_t id = 0;
            const auto idText = PortProperty(pPort, VORN_KEY_PORT_ID);
            if (!idText || !ParsePortId(*idText, id))
                continue;
            const auto typeText = PortProperty(pPort, VORN_KEY_PORT_TYPE);
            const std::uint32_t type = typeText ? TypeCodeOf(*typeText) : 0;
            HalfPairs& half = byClient[std::string(full.substr(0, colon))][id];
            if (jack_port_flags(pPort) & JackPortIsInput) {
                half.input = *p;
                half.inputType = type;
            } else {
                half.output = *p;
                half.outputType = type;
            }
        }
        jack_free(names);
    }

    std::vector<VornNetworkDevice> devices;
    for (const auto& [clientName, halves] : byClient) {
        VornNetworkDevice device;
        device.name = clientName;
        for (const auto& [id, half] : halves) {
            if (half.input.empty() || half.output.empty())
                continue;
            // A pair whose two ports disagree about the type is not typed.
            const std::uint32_t type = half.inputType == half.outputType ? half.inputType : 0;
            device.pairs.push_back({id, type, half.input, half.output});
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

#include "DevicesJson.h"

#include <cstdio>
#include <ostream>

#include "DeviceSurvey.h"
#include "JsonText.h"
#include "vorn/VornAsync.h"

namespace {

const char* Bool(bool value)
{
    return value ? "true" : "false";
}

std::string HexId(std::uint64_t id)
{
    char text[24];
    std::snprintf(text, sizeof text, "0x%016llX", static_cast<unsigned long long>(id));
    return text;
}

} // namespace

void WriteDevicesJson(const CDeviceSurvey& survey, std::optional<std::pair<std::size_t, std::size_t>> windowConsole,
                      std::ostream& out)
{
    const CDeviceSurvey::Jack& jack = survey.JackInUse();
    out << "{\"jack\": {\"implementation\": " << JsonString(jack.implementation)
        << ", \"library\": " << JsonString(jack.library) << ", \"chosen\": " << JsonString(jack.key)
        << ", \"how\": " << JsonString(jack.how) << "},\n \"devices\": [";
    for (std::size_t d = 0; d < survey.Devices().size(); ++d) {
        const CDeviceSurvey::Device& device = survey.Devices()[d];
        out << (d == 0 ? "" : ",") << "\n  {\"id\": " << JsonString(HexId(device.id))
            << ", \"name\": " << JsonString(device.name) << ", \"readable\": " << Bool(device.readable)
            << ", \"ports\": [";
        for (std::size_t p = 0; p < device.ports.size(); ++p) {
            const CDeviceSurvey::Port& port = device.ports[p];
            out << (p == 0 ? "" : ", ") << "{\"id\": " << port.id << ", \"type\": " << JsonString(port.typeText)
                << ", \"used\": " << Bool(port.used) << ", \"refused\": " << Bool(port.refused)
                << ", \"shared\": " << Bool((port.flags & VORN_PORT_FLAG_SHARED) != 0) << ", \"found\": "
                << JsonString((port.flags & VORN_PORT_FLAG_BY_ASKING) != 0 ? "asking"
                              : (port.flags & VORN_PORT_FLAG_BY_RULE) != 0  ? "rule"
                                                                            : "tag")
                << ", \"window\": " << Bool(windowConsole == std::pair{d, p}) << "}";
        }
        out << "]}";
    }
    out << "]}\n";
}

#include "WindowConsole.h"

#include "DeviceSurvey.h"
#include "midi/ConsoleChoice.h"
#include "platform/IniFile.h"
#include "prefs/ConsolePreference.h"

std::optional<std::pair<std::size_t, std::size_t>> WindowConsole(const CDeviceSurvey& survey)
{
    std::vector<ConsoleCandidate> candidates;
    std::vector<std::size_t> portOf;
    const std::vector<CDeviceSurvey::Device>& devices = survey.Devices();
    for (std::size_t d = 0; d < devices.size(); ++d)
        for (std::size_t p = 0; p < devices[d].ports.size(); ++p)
            if (devices[d].ports[p].used && !devices[d].ports[p].refused) {
                candidates.push_back({d, devices[d].name, devices[d].ports[p].id});
                portOf.push_back(p);
            }
    ConsoleWish wish;
    wish.bElseLowest = true;
    CIniFile ini;
    if (ini.ReadFrom(WindowProfilePath()))
        if (const std::optional<StoredConsole> stored = ReadStoredConsole(ini)) {
            wish.client = stored->strClient;
            wish.pairId = stored->nPairId;
        }
    std::size_t chosen = 0;
    std::string detail;
    if (CConsoleChoice::Choose(candidates, wish, chosen, detail) != CConsoleChoice::Outcome::Chosen)
        return std::nullopt;
    if (candidates.size() < 2 && wish.IsMetBy(candidates[chosen]))
        return std::nullopt;
    return std::pair{candidates[chosen].device, portOf[chosen]};
}


#include "prefs/ConsolePreference.h"

#include <charconv>

#include "platform/IniFile.h"
#include "platform/UserPaths.h"

namespace {

constexpr const char* kConsole = "Console";

} // namespace

std::optional<StoredConsole> ReadStoredConsole(const CIniFile& ini)
{
    const std::optional<std::string> client = ini.GetString(kConsole, "Client");
    const std::optional<std::string> pairId = ini.GetString(kConsole, "PairId");
    if (!client || client->empty() || !pairId)
        return std::nullopt;
    std::uint32_t nPairId = 0;
    const char* pEnd = pairId->data() + pairId->size();
    const auto [pNext, ec] = std::from_chars(pairId->data(), pEnd, nPairId);
    if (ec != std::errc() || pNext != pEnd)
        return std::nullopt;
    return StoredConsole{*client, nPairId};
}

void WriteStoredConsole(CIniFile& ini, const StoredConsole& console)
{
    ini.SetString(kConsole, "Client", console.strClient);
    ini.SetString(kConsole, "PairId", std::to_string(console.nPairId));
}

QString WindowProfilePath()
{
    return UserConfigFolder() + QStringLiteral("/Corvane/Sonvale Data Manager/sonvale-data-manager.ini");
}

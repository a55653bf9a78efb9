#include "platform/SystemLanguage.h"

#include <atomic>
#include <cstdlib>
#include <string>

namespace {

struct LanguageCode {
    std::string_view code;
    LANGID id;
};

// Two-letter language codes with the identifier of their principal Windows locale.
constexpr LanguageCode kLanguages[] = {
    {"ar", 0x0401}, {"bg", 0x0402}, {"ca", 0x0403}, {"zh", 0x0804}, {"cs", 0x0405}, {"da", 0x0406},
    {"de", 0x0407}, {"el", 0x0408}, {"en", 0x0409}, {"es", 0x0C0A}, {"fi", 0x040B}, {"fr", 0x040C},
    {"he", 0x040D}, {"hu", 0x040E}, {"is", 0x040F}, {"it", 0x0410}, {"ja", 0x0411}, {"ko", 0x0412},
    {"nl", 0x0413}, {"nb", 0x0414}, {"no", 0x0414}, {"pl", 0x0415}, {"pt", 0x0816}, {"ro", 0x0418},
    {"ru", 0x0419}, {"hr", 0x041A}, {"sk", 0x041B}, {"sv", 0x041D}, {"th", 0x041E}, {"tr", 0x041F},
    {"id", 0x0421}, {"uk", 0x0422}, {"sl", 0x0424}, {"et", 0x0425}, {"lv", 0x0426}, {"lt", 0x0427},
    {"vi", 0x042A}, {"hi", 0x0439},
};

// Region-specific identifiers where the region changes the Windows identifier.
constexpr LanguageCode kRegions[] = {
    {"zh_TW", 0x0404}, {"zh_HK", 0x0C04}, {"pt_BR", 0x0416}, {"en_GB", 0x0809}, {"fr_CA", 0x0C0C},
};

constexpr LANGID kDefault = 0x0409;

std::atomic<int> g_override{-1};

LANGID FromEnvironment()
{
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0')
            return LangIdFromLocaleName(value);
    }
    return kDefault;
}

} // namespace

LANGID LangIdFromLocaleName(std::string_view locale)
{
    const auto end = locale.find_first_of(".@");
    const std::string_view tag = locale.substr(0, end);
    for (const auto& region : kRegions)
        if (tag == region.code)
            return region.id;
    const std::string_view language = tag.substr(0, tag.find('_'));
    for (const auto& entry : kLanguages)
        if (language == entry.code)
            return entry.id;
    return kDefault;
}

LANGID GetSystemDefaultLangID()
{
    const int forced = g_override.load();
    if (forced >= 0)
        return static_cast<LANGID>(forced);
    static const LANGID fromEnvironment = FromEnvironment();
    return fromEnvironment;
}

void SetSystemDefaultLangIDOverride(std::optional<LANGID> id)
{
    g_override.store(id ? static_cast<int>(*id) : -1);
}

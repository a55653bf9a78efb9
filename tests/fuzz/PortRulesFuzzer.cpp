// The rules file's reader on any bytes, and what the editor writes into a file that read: the input up
// to its first NUL byte is a port name to keep (a name holds no NUL), the rest the file. Whatever the name, the changed file must
// read without a problem and give the name back, and removing the section again must leave a file
// that reads as well.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "PortRules.h"
#include "PortRulesText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t cut = std::min(input.find('\0'), input.size());
    const std::string name(input.substr(0, cut));
    const std::string_view text = input.substr(std::min(cut + 1, input.size()));
    (void)CPortRules::Parse(text, "ports.ini");

    CPortRulesText file = CPortRulesText::Read(text);
    if (!file.Problem().empty())
        return 0;
    const std::string section = CPortRulesText::SectionName(name);
    file.SetSection(section, {{"type", "Tarn"}, {"id", "1"}, {"input", name}, {"output", name}});
    const CPortRulesText written = CPortRulesText::Read(file.Text());
    bool twice = false;
    const int index = written.Find(section);
    if (!written.Problem().empty() || index < 0 || written.Value(index, "input", twice) != name)
        std::abort();
    CPortRulesText removed = written;
    removed.RemoveSection(index);
    if (!CPortRulesText::Read(removed.Text()).Problem().empty())
        std::abort();
    return 0;
}

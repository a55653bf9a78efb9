#include "OstraFlash.h"

#include <cstdio>
#include <sstream>

#include "platform/BoundedFileReader.h"
#include "platform/FileSaver.h"

namespace {

std::string Escape(const std::string& name)
{
    std::string text;
    char part[5];
    for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7F || c == '\\') {
            std::snprintf(part, sizeof part, "\\x%02X", c);
            text += part;
        } else {
            text += static_cast<char>(c);
        }
    }
    return text;
}

bool Unescape(const std::string& text, std::string& name)
{
    name.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            name += text[i];
            continue;
        }
        if (i + 3 >= text.size() || text[i + 1] != 'x')
            return false;
        unsigned value = 0;
        if (std::sscanf(text.c_str() + i + 2, "%2x", &value) != 1)
            return false;
        name += static_cast<char>(value);
        i += 3;
    }
    return true;
}

} // namespace

bool COstraFlash::Load(const std::string& path, COstraProtocol::Entry& entry)
{
    std::string text, reason;
    if (CBoundedFileReader::Read(path, MAX_SIZE, text, reason) != CBoundedFileReader::Outcome::Read)
        return false;
    std::istringstream in(text);
    std::string nameLine, valuesLine;
    if (!std::getline(in, nameLine) || !std::getline(in, valuesLine))
        return false;
    if (nameLine.rfind("name=", 0) != 0 || valuesLine.rfind("values=", 0) != 0)
        return false;
    COstraProtocol::Entry loaded;
    if (!Unescape(nameLine.substr(5), loaded.name) || !COstraProtocol::CheckName(loaded.name, reason))
        return false;
    std::istringstream values(valuesLine.substr(7));
    for (auto& value : loaded.values) {
        unsigned v = 0;
        if (!(values >> v) || v > 0xFFFF)
            return false;
        value = static_cast<std::uint16_t>(v);
    }
    std::string rest;
    if (values >> rest)
        return false;
    entry = std::move(loaded);
    return true;
}

bool COstraFlash::Save(const std::string& path, const COstraProtocol::Entry& entry)
{
    std::string text = "name=" + Escape(entry.name) + "\nvalues=";
    for (std::size_t i = 0; i < entry.values.size(); ++i)
        text += (i ? " " : "") + std::to_string(entry.values[i]);
    text += "\n";

    std::string reason;
    return CFileSaver::Save(path, text, reason);
}

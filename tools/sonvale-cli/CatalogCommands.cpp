#include "CatalogCommands.h"

#include <QDir>
#include <algorithm>
#include <cstring>
#include <ostream>

#include "JsonText.h"
#include "data/FactoryTables.h"
#include "platform/FileSaver.h"
#include "platform/TextCodec.h"

namespace {

// Characters kept as they are in a file name; blank and colon have readable stand-ins.
bool IsFileNameSafe(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           std::strchr("#+-.()", c) != nullptr;
}

const char* OrEmpty(const char* text) { return text != nullptr ? text : ""; }

std::string Padded(std::string text, std::size_t width)
{
    if (text.size() < width)
        text.append(width - text.size(), ' ');
    return text;
}

} // namespace

CCatalogCommands::CCatalogCommands(std::ostream& out, std::ostream& err) : m_out(out), m_err(err) {}

ResultCode CCatalogCommands::SelectTable(CliLanguage language)
{
    switch (language) {
    case CliLanguage::English: return m_data.SelectTable(EnglishFactoryTable());
    case CliLanguage::Japanese: return m_data.SelectTable(JapaneseFactoryTable());
    case CliLanguage::System: break;
    }
    return m_data.SelectFactoryTable();
}

CliExitCode CCatalogCommands::List(bool json)
{
    const std::uint16_t count = m_data.EntryCount();
    if (json) {
        m_out << "[\n";
        for (std::uint16_t i = 0; i < count; ++i) {
            const DataEntry& entry = *m_data.EntryAt(i);
            m_out << "  {\"key\": " << entry.key << ", \"name\": " << JsonString(OrEmpty(entry.name))
                  << ", \"author\": " << JsonString(OrEmpty(entry.author))
                  << ", \"description\": " << JsonString(OrEmpty(entry.description)) << '}'
                  << (i + 1 < count ? ",\n" : "\n");
        }
        m_out << "]\n";
        return CliExitCode::Ok;
    }

    std::size_t nameWidth = std::strlen("Name");
    std::size_t authorWidth = std::strlen("Author");
    for (std::uint16_t i = 0; i < count; ++i) {
        nameWidth = std::max(nameWidth, std::strlen(OrEmpty(m_data.EntryAt(i)->name)));
        authorWidth = std::max(authorWidth, std::strlen(OrEmpty(m_data.EntryAt(i)->author)));
    }
    m_out << "No.  " << Padded("Name", nameWidth) << "  " << Padded("Author", authorWidth) << "  Description\n";
    for (std::uint16_t i = 0; i < count; ++i) {
        const DataEntry& entry = *m_data.EntryAt(i);
        const std::string key = std::to_string(entry.key);
        m_out << std::string(3 - std::min<std::size_t>(3, key.size()), ' ') << key << "  "
              << Padded(OrEmpty(entry.name), nameWidth) << "  " << Padded(OrEmpty(entry.author), authorWidth)
              << "  " << OrEmpty(entry.description) << '\n';
    }
    return CliExitCode::Ok;
}

bool CCatalogCommands::ResolveKey(const CCliOptions& options, std::uint16_t& key) const
{
    std::int16_t found = -1;
    const char *name = nullptr, *author = nullptr, *description = nullptr;
    const std::optional<unsigned> number = options.KeyNumber();
    if (number && m_data.GetEntryInfo(static_cast<std::uint16_t>(*number), found, name, author, description) == RC_OK) {
        key = static_cast<std::uint16_t>(*number);
        return true;
    }
    m_err << "sonvale-cli: no factory entry has the key " << options.m_strKey;
    if (m_data.EntryCount() > 0)
        m_err << " (the keys are " << m_data.EntryAt(0)->key << " to " << m_data.EntryAt(m_data.EntryCount() - 1)->key
              << "; see sonvale-cli list)";
    m_err << '\n';
    return false;
}

CliExitCode CCatalogCommands::Show(const CCliOptions& options)
{
    std::uint16_t key = 0;
    if (!ResolveKey(options, key))
        return CliExitCode::UnknownKey;
    std::int16_t entryKey = -1;
    const char *name = nullptr, *author = nullptr, *description = nullptr;
    std::array<ParameterSet, kParameterSetCount> sets{};
    bool complete = m_data.GetEntryInfo(key, entryKey, name, author, description) == RC_OK;
    for (std::uint16_t set = 0; set < kParameterSetCount && complete; ++set)
        complete = m_data.GetParameterSet(key, set, sets[set]) == RC_OK;
    if (!complete) {
        m_err << "sonvale-cli: the entry with the key " << key << " cannot be read\n";
        return CliExitCode::UnknownKey;
    }

    if (options.m_bJson) {
        m_out << "{\n  \"key\": " << entryKey << ",\n  \"name\": " << JsonString(OrEmpty(name))
              << ",\n  \"author\": " << JsonString(OrEmpty(author))
              << ",\n  \"description\": " << JsonString(OrEmpty(description)) << ",\n  \"parameterSets\": [\n";
        for (std::size_t set = 0; set < sets.size(); ++set) {
            m_out << "    [";
            for (int v = 0; v < kValuesPerSet; ++v)
                m_out << (v > 0 ? ", " : "") << sets[set].values[v];
            m_out << (set + 1 < sets.size() ? "],\n" : "]\n");
        }
        m_out << "  ]\n}\n";
        return CliExitCode::Ok;
    }

    m_out << "No.          " << entryKey << "\nName         " << OrEmpty(name) << "\nAuthor       "
          << OrEmpty(author) << "\nDescription  " << OrEmpty(description) << "\n\n";
    PrintSets(m_out, sets);
    return CliExitCode::Ok;
}

void CCatalogCommands::PrintSets(std::ostream& out, const std::array<ParameterSet, kParameterSetCount>& sets)
{
    out << "Set  Value1  Value2  Value3  Value4  Value5\n";
    for (std::size_t set = 0; set < sets.size(); ++set) {
        out << "  " << set << ' ';
        for (int v = 0; v < kValuesPerSet; ++v) {
            const std::string value = std::to_string(sets[set].values[v]);
            out << std::string(8 - std::min<std::size_t>(8, value.size()), ' ') << value;
        }
        out << '\n';
    }
}

bool CCatalogCommands::BuildMessage(std::uint16_t key, Message& message) const
{
    std::array<ParameterSet, kParameterSetCount> sets{};
    for (std::uint16_t set = 0; set < kParameterSetCount; ++set)
        if (m_data.GetParameterSet(key, set, sets[set]) != RC_OK)
            return false;
    std::int16_t entryKey = -1;
    const char *name = nullptr, *author = nullptr, *description = nullptr;
    if (m_data.GetEntryInfo(key, entryKey, name, author, description) != RC_OK)
        return false;
    std::uint32_t length = static_cast<std::uint32_t>(message.size());
    return m_converter.BuildDataMessage(message.data(), sets, name, length) == RC_OK && length == message.size();
}

bool CCatalogCommands::WriteFile(const std::string& path, const Message& message) const
{
    // An existing file is either replaced whole or left as it was.
    std::string reason;
    if (!CFileSaver::Save(path, {reinterpret_cast<const char*>(message.data()), message.size()}, reason)) {
        m_err << "sonvale-cli: cannot write " << path << ": " << reason << '\n';
        return false;
    }
    return true;
}

CliExitCode CCatalogCommands::Export(const CCliOptions& options)
{
    std::uint16_t key = 0;
    if (!ResolveKey(options, key))
        return CliExitCode::UnknownKey;
    Message message{};
    if (!BuildMessage(key, message)) {
        m_err << "sonvale-cli: the data message for the key " << key << " cannot be built\n";
        return CliExitCode::UnknownKey;
    }
    if (options.m_strPath == "-") {
        m_out.write(reinterpret_cast<const char*>(message.data()), static_cast<std::streamsize>(message.size()));
        m_out.flush();
        if (!m_out) {
            m_err << "sonvale-cli: cannot write to standard output\n";
            return CliExitCode::FileError;
        }
        return CliExitCode::Ok;
    }
    return WriteFile(options.m_strPath, message) ? CliExitCode::Ok : CliExitCode::FileError;
}

CliExitCode CCatalogCommands::ExportAll(const std::string& dir)
{
    const QDir folder(WideFromNarrow(dir));
    if (!folder.mkpath(QStringLiteral("."))) {
        m_err << "sonvale-cli: cannot create the folder " << dir << '\n';
        return CliExitCode::FileError;
    }
    int failures = 0;
    for (std::uint16_t i = 0; i < m_data.EntryCount(); ++i) {
        const DataEntry& entry = *m_data.EntryAt(i);
        const std::string path = NarrowFromWide(folder.filePath(WideFromNarrow(FileNameFor(entry.key, entry.name))));
        Message message{};
        if (!BuildMessage(static_cast<std::uint16_t>(entry.key), message)) {
            m_err << "sonvale-cli: the data message for the key " << entry.key << " cannot be built\n";
            ++failures;
        } else if (!WriteFile(path, message)) {
            ++failures;
        } else {
            m_out << path << '\n';
        }
    }
    if (failures > 0) {
        m_err << "sonvale-cli: " << failures << " of " << m_data.EntryCount() << " files were not written\n";
        return CliExitCode::FileError;
    }
    return CliExitCode::Ok;
}

std::string CCatalogCommands::FileNameFor(std::int16_t key, const char* name)
{
    std::string fileName = std::to_string(key);
    if (fileName.size() < 2)
        fileName.insert(0, 2 - fileName.size(), '0');
    fileName += '_';
    for (const char* p = OrEmpty(name); *p != '\0'; ++p)
        fileName += IsFileNameSafe(*p) ? *p : *p == ':' ? '-' : '_';
    return fileName + ".syx";
}

std::int16_t CCatalogCommands::KeyOfName(const std::string& name) const
{
    for (std::uint16_t i = 0; i < m_data.EntryCount(); ++i)
        if (name == OrEmpty(m_data.EntryAt(i)->name))
            return m_data.EntryAt(i)->key;
    return -1;
}

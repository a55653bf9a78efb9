#include "FileCommands.h"

#include <cstdio>
#include <ostream>

#include "CatalogCommands.h"
#include "ConsoleCommands.h"
#include "platform/BoundedFileReader.h"

namespace {

// Far more than one message; a larger file is refused unread.
constexpr std::size_t kMaxFileBytes = 64 * 1024;

// Standard input is read as it comes; a named file only through the bounded reader, so that a FIFO,
// a device or a folder given as FILE is refused at once rather than waited on.
bool ReadBytes(const std::string& path, std::vector<std::uint8_t>& bytes, std::string& error)
{
    if (path != "-") {
        std::string text;
        if (CBoundedFileReader::Read(path, kMaxFileBytes, text, error) != CBoundedFileReader::Outcome::Read)
            return false;
        bytes.assign(text.begin(), text.end());
        return true;
    }
    bytes.resize(kMaxFileBytes + 1);
    const std::size_t count = std::fread(bytes.data(), 1, bytes.size(), stdin);
    bytes.resize(count);
    if (std::ferror(stdin) != 0) {
        error = "it cannot be read";
        return false;
    }
    if (count > kMaxFileBytes) {
        error = "it is far larger than a data message";
        return false;
    }
    return true;
}

} // namespace

CFileCommands::CFileCommands(const CCatalogCommands& catalog, CConsoleCommands& console, std::ostream& out,
                             std::ostream& err)
    : m_catalog(catalog), m_console(console), m_out(out), m_err(err)
{
}

int CFileCommands::FactoryKeyOf(const std::vector<std::uint8_t>& bytes) const
{
    const CSonvaleData& data = m_catalog.Data();
    for (std::uint16_t i = 0; i < data.EntryCount(); ++i) {
        const auto key = static_cast<std::uint16_t>(data.EntryAt(i)->key);
        CCatalogCommands::Message message{};
        if (m_catalog.BuildMessage(key, message) && bytes.size() == message.size() &&
            std::equal(message.begin(), message.end(), bytes.begin()))
            return key;
    }
    return -1;
}

bool CFileCommands::ReadValid(const std::string& path, std::vector<std::uint8_t>& bytes,
                              CDataMessageCheck::Verdict& verdict)
{
    std::string error;
    if (!ReadBytes(path, bytes, error)) {
        verdict.reason = "it cannot be read: " + error;
    } else {
        verdict = CDataMessageCheck::Judge(bytes, m_catalog.Converter());
        if (verdict.reason.empty())
            return true;
    }
    m_err << "sonvale-cli: " << path << ": not a data message; nothing was sent: " << verdict.reason << '\n';
    return false;
}

CliExitCode CFileCommands::Check(const std::string& path)
{
    std::vector<std::uint8_t> bytes;
    CDataMessageCheck::Verdict verdict;
    if (!ReadValid(path, bytes, verdict))
        return CliExitCode::NotADataMessage;
    const int key = FactoryKeyOf(bytes);
    m_out << path << ": a data message the console accepts\nName         "
          << CConsoleCommands::ShownName(verdict.name) << "\nNo.          ";
    if (key >= 0)
        m_out << key << " (the factory entry's message, byte for byte)\n\n";
    else
        m_out << "none (not a factory entry's message)\n\n";
    CCatalogCommands::PrintSets(m_out, verdict.sets);
    return CliExitCode::Ok;
}

CliExitCode CFileCommands::Send(const std::string& path)
{
    std::vector<std::uint8_t> bytes;
    CDataMessageCheck::Verdict verdict;
    if (!ReadValid(path, bytes, verdict))
        return CliExitCode::NotADataMessage;
    const int key = FactoryKeyOf(bytes);
    std::string what = "\"" + CConsoleCommands::ShownName(verdict.name) + "\"";
    if (key >= 0)
        what += " (No. " + std::to_string(key) + ")";
    return m_console.WriteMessage(bytes, what);
}

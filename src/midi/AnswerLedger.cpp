#include "midi/AnswerLedger.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <ctime>
#include <vector>

#include "platform/FileSaver.h"

namespace {

// The file's first line: what it is, and the layout's version.
constexpr std::string_view kHeader = "sonvale-owed 1";

// An entry's name as one word: every byte other than a printable ASCII character, the space and '%'
// written as %XX.
std::string Escaped(std::string_view text)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (const unsigned char c : text) {
        if (c > 0x20 && c < 0x7F && c != '%') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += digits[c >> 4];
            out += digits[c & 0x0F];
        }
    }
    return out;
}

bool Unescaped(std::string_view word, std::string& out)
{
    out.clear();
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (word[i] != '%') {
            out += word[i];
            continue;
        }
        unsigned value = 0;
        if (i + 2 >= word.size() || std::from_chars(word.data() + i + 1, word.data() + i + 3, value, 16).ptr !=
                                            word.data() + i + 3)
            return false;
        out += static_cast<char>(value);
        i += 2;
    }
    return true;
}

template <typename T>
bool Number(std::string_view word, T& value)
{
    return !word.empty() && std::from_chars(word.data(), word.data() + word.size(), value).ptr == word.data() + word.size();
}

// The words of one line, split at single spaces.
std::vector<std::string_view> Words(std::string_view line)
{
    std::vector<std::string_view> words;
    while (!line.empty()) {
        const std::size_t space = line.find(' ');
        words.push_back(line.substr(0, space));
        if (space == std::string_view::npos)
            break;
        line.remove_prefix(space + 1);
    }
    return words;
}

} // namespace

void CAnswerLedger::Reset()
{
    m_device = 0;
    m_nextNumber = 1;
    m_bStrayed = false;
    m_bAnyEntry = true;
    m_mayHold.clear();
    m_debts.clear();
}

std::uint64_t CAnswerLedger::BootNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000000000ULL + static_cast<std::uint64_t>(now.tv_nsec);
}

bool CAnswerLedger::Load(const std::string& path, std::uint64_t device, LedgerFault& problem)
{
    Reset();
    m_path = path;
    m_device = device;
    problem = {};
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return true;
        problem = {LedgerFault::Kind::Unreadable, path, std::strerror(errno)};
        m_bStrayed = true;
        return false;
    }
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        text.append(buffer, static_cast<std::size_t>(n));
        if (text.size() > kMaxFileBytes)
            break;
    }
    ::close(fd);
    CAnswerLedger read;
    if (text.size() > kMaxFileBytes || !read.Parse(text)) {
        problem = {LedgerFault::Kind::Nonsense, path, {}};
        m_bStrayed = true;
        return false;
    }
    if (read.m_device != device)
        return true; // the console came again as a new device: it owes nothing, and holds anything
    read.m_path = path;
    *this = std::move(read);
    return true;
}

bool CAnswerLedger::Save(LedgerFault& problem) const
{
    if (m_path.empty()) {
        problem = {LedgerFault::Kind::NoFolder, {}, {}};
        return false;
    }
    std::string reason;
    if (!CFileSaver::Save(m_path, Text(), reason)) {
        problem = {LedgerFault::Kind::Unwritable, m_path, reason};
        return false;
    }
    return true;
}

std::uint64_t CAnswerLedger::Owe(int kind, std::string_view entry, long pid)
{
    if (m_debts.size() >= kMaxOwed) {
        m_debts.pop_front(); // forgotten: its answer, when it comes, is one nobody is owed
        m_bStrayed = true;
    }
    Debt debt;
    debt.number = m_nextNumber++;
    debt.kind = kind;
    debt.enteredNs = BootNanoseconds();
    debt.pid = pid;
    debt.entry = std::string(entry);
    m_debts.push_back(std::move(debt));
    return m_debts.back().number;
}

void CAnswerLedger::Cancel(std::uint64_t number)
{
    std::erase_if(m_debts, [number](const Debt& debt) { return debt.number == number; });
}

bool CAnswerLedger::Pay(int kind)
{
    const auto it = std::find_if(m_debts.begin(), m_debts.end(), [kind](const Debt& debt) { return debt.kind == kind; });
    if (it == m_debts.end()) {
        m_bStrayed = true;
        return false;
    }
    if (!it->entry.empty())
        m_mayHold.insert(it->entry);
    m_debts.erase(it);
    return true;
}

bool CAnswerLedger::Owes(std::uint64_t number) const
{
    return std::any_of(m_debts.begin(), m_debts.end(), [number](const Debt& debt) { return debt.number == number; });
}

std::size_t CAnswerLedger::Owed(int kind) const
{
    return static_cast<std::size_t>(
        std::count_if(m_debts.begin(), m_debts.end(), [kind](const Debt& debt) { return debt.kind == kind; }));
}

bool CAnswerLedger::MayHold(std::string_view entry, std::uint64_t exceptDebt) const
{
    return m_bAnyEntry || m_mayHold.count(std::string(entry)) != 0 ||
           std::any_of(m_debts.begin(), m_debts.end(), [&](const Debt& debt) {
               return debt.number != exceptDebt && debt.entry == entry;
           });
}

void CAnswerLedger::ProvenHolding(std::string_view entry)
{
    m_bAnyEntry = false;
    m_mayHold.clear();
    m_mayHold.insert(std::string(entry));
}

std::string CAnswerLedger::Text() const
{
    std::string text(kHeader);
    text += "\ndevice " + std::to_string(m_device);
    text += "\nnext " + std::to_string(m_nextNumber);
    text += "\nstrayed " + std::string(m_bStrayed ? "1" : "0");
    if (m_bAnyEntry)
        text += "\nmayhold *";
    else
        for (const std::string& entry : m_mayHold)
            text += "\nmayhold =" + Escaped(entry);
    for (const Debt& debt : m_debts) {
        text += "\nowe " + std::to_string(debt.number) + ' ' + std::to_string(debt.kind) + ' ' +
                std::to_string(debt.enteredNs) + ' ' + std::to_string(debt.pid) + " =" + Escaped(debt.entry);
    }
    text += '\n';
    return text;
}

bool CAnswerLedger::Parse(std::string_view text)
{
    Reset();
    m_bAnyEntry = false;
    bool bHeader = false, bDevice = false, bNext = false, bStrayed = false, bHolding = false;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos)
            return false; // cut short
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end + 1);
        if (!bHeader) {
            if (line != kHeader)
                return false;
            bHeader = true;
            continue;
        }
        const std::vector<std::string_view> words = Words(line);
        if (words.size() == 2 && words[0] == "device" && !bDevice) {
            bDevice = Number(words[1], m_device);
        } else if (words.size() == 2 && words[0] == "next" && !bNext) {
            bNext = Number(words[1], m_nextNumber) && m_nextNumber > 0;
        } else if (words.size() == 2 && words[0] == "strayed" && !bStrayed && (words[1] == "0" || words[1] == "1")) {
            m_bStrayed = words[1] == "1";
            bStrayed = true;
        } else if (words.size() == 2 && words[0] == "mayhold" && words[1] == "*") {
            m_bAnyEntry = bHolding = true;
        } else if (words.size() == 2 && words[0] == "mayhold" && words[1].starts_with('=')) {
            std::string entry;
            if (!Unescaped(words[1].substr(1), entry))
                return false;
            m_mayHold.insert(std::move(entry));
            bHolding = true;
        } else if (words.size() == 6 && words[0] == "owe" && words[5].starts_with('=')) {
            Debt debt;
            if (!Number(words[1], debt.number) || !Number(words[2], debt.kind) || debt.kind <= 0 ||
                debt.kind >= kKinds || !Number(words[3], debt.enteredNs) || !Number(words[4], debt.pid) ||
                !Unescaped(words[5].substr(1), debt.entry) || debt.number >= m_nextNumber ||
                (!m_debts.empty() && debt.number <= m_debts.back().number) || m_debts.size() >= kMaxOwed)
                return false;
            m_debts.push_back(std::move(debt));
        } else {
            return false;
        }
    }
    if (!bHeader || !bDevice || !bNext || !bStrayed || !bHolding)
        return false;
    return true;
}

#pragma once
#include <string>

// Why the record of a console's owed answers cannot be used: what failed, on which file, and the
// system's own words for it. The window words it in the user's language from these parts; Text is the
// one line the programs write on standard error.
struct LedgerFault {
    enum class Kind {
        None,
        NoFolder,   // no private folder for it; path names the folders looked for
        Unreadable, // the file is there but cannot be read; reason says why
        Nonsense,   // the file was read but makes no sense, so its debts are unknown
        Unwritable, // the file cannot be written; reason says why
    };
    Kind kind = Kind::None;
    std::string path;
    std::string reason;

    [[nodiscard]] std::string Text() const;
};

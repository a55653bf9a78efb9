#pragma once

// The exit status of sonvale-cli. Scripts branch on these numbers; they never change meaning.
enum class CliExitCode : int {
    Ok = 0,            // the command did what was asked (for update: the console stored the entry)
    Usage = 1,         // unknown command or option, missing or malformed argument
    DataInvalid = 2,   // the console rejected the data as invalid
    FlashFailed = 3,   // the console failed to write its flash memory
    NoConnection = 4,  // no driver, no console port, no reply, or a reply that is not the expected one
    UnknownKey = 5,    // no factory entry has the given key
    FileError = 6,     // an output file or folder could not be written
    NotADataMessage = 7, // check, send: the file is not one data message the console accepts; nothing was sent
};

[[nodiscard]] constexpr int ToInt(CliExitCode code) { return static_cast<int>(code); }

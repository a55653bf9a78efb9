#pragma once
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// An INI-format text file held in memory, standing in for the platform's profile functions: sections
// and keys are found without regard to ASCII case, values are kept byte for byte (UTF-8 or not), and
// whatever the program does not touch — other keys, comments, the order of lines — is written back as
// it was read. Where a key occurs more than once in a section, the first occurrence is the one read.
//
// A value is always one line: line breaks and NUL bytes in a value given to SetString are written as
// spaces. A value with leading or trailing blanks, or one that is itself enclosed in double quotes, is
// written enclosed in double quotes, which reading removes again, so every other value reads back
// exactly as it was set.
class CIniFile
{
public:
    CIniFile();
    ~CIniFile();
    CIniFile(const CIniFile&) = delete;
    CIniFile& operator=(const CIniFile&) = delete;

    // Replaces the contents with those parsed from `bytes`. Any input is accepted: lines that are no
    // section header, key or comment are dropped; a UTF-8 byte-order mark is skipped. Throws only
    // std::bad_alloc.
    void Parse(std::string_view bytes);

    // The largest file ReadFrom reads: far beyond what the program writes (59 notes of a few KiB), and
    // beyond a file with a note under every one of the 65535 keys.
    static constexpr std::size_t kMaxFileSize = 64 * 1024 * 1024;

    // Reads the whole file. False when it cannot be read, is not a regular file (it is never waited
    // on) or is larger than kMaxFileSize; the contents are then empty.
    [[nodiscard]] bool ReadFrom(const QString& path);

    // Writes the whole file atomically (CFileSaver): the new contents replace the old file only once
    // they are completely on disk, so a failure at any point leaves the old file as it was; the file
    // keeps its permissions.
    [[nodiscard]] bool WriteTo(const QString& path) const;

    [[nodiscard]] std::string Serialize() const;

    // The value, or nothing when the key is not in the section.
    [[nodiscard]] std::optional<std::string> GetString(const char* section, const char* key) const;

    // The value read as a profile integer (see ParseLeadingNumber), limited to the 32-bit range. A key
    // that is missing or has an empty value gives `nDefault`.
    [[nodiscard]] std::int32_t GetInt(const char* section, const char* key, std::int32_t nDefault) const;

    // Sets the key's value, replacing every occurrence of the key in the section; a new key goes at
    // the end of its section, a new section at the end of the file. Throws only std::bad_alloc.
    void SetString(const char* section, const char* key, std::string_view value);
    void SetInt(const char* section, const char* key, std::int64_t value);

    // The leading decimal number of `text`: blanks, an optional sign and decimal digits, anything
    // after them ignored, no digits at all reading as 0. Its magnitude stops at 0xFFFFFFFF, so that an
    // absurdly long number reads as a large one rather than wrapping round to a small one.
    [[nodiscard]] static std::int64_t ParseLeadingNumber(std::string_view text);

private:
    struct Impl;
    std::unique_ptr<Impl> m_pImpl;
};

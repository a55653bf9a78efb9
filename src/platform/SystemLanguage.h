#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

// The system default language identifier, as Windows numbers languages: the primary language in the
// low 10 bits, the sub-language above it (0x0411 Japanese, 0x0409 English (US), 0x0407 German, ...).
using LANGID = std::uint16_t;

inline constexpr LANGID LANG_JAPANESE = 0x11;
inline constexpr LANGID LANG_ENGLISH = 0x09;

[[nodiscard]] constexpr LANGID PrimaryLangId(LANGID id) { return static_cast<LANGID>(id & 0x3FF); }

// Maps a POSIX locale name ("ja_JP.UTF-8", "de_DE@euro", "C") to its language identifier. An empty
// name, "C" and "POSIX" give 0x0409; a language without a known identifier gives 0x0409 as well.
[[nodiscard]] LANGID LangIdFromLocaleName(std::string_view locale);

// The identifier of the session's language: LC_ALL, else LC_MESSAGES, else LANG (the first one set and
// not empty), read once and then kept. A test override, when set, wins over the environment.
[[nodiscard]] LANGID GetSystemDefaultLangID();

// True when the session's primary language is Japanese: the program then uses its Japanese texts,
// fonts and factory descriptions.
[[nodiscard]] inline bool IsJapaneseSystem() { return PrimaryLangId(GetSystemDefaultLangID()) == LANG_JAPANESE; }

// Tests set a language here instead of changing the environment; std::nullopt returns to the
// environment's value.
void SetSystemDefaultLangIDOverride(std::optional<LANGID> id);

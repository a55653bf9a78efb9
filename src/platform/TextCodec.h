#pragma once
#include <QString>
#include <cstddef>
#include <string>
#include <string_view>

// Narrow text (data texts, notes, device names) is UTF-8 in a std::string; wide text (window texts,
// preference values) is QString. Every conversion between the two goes through these helpers.

// Bytes that are not valid UTF-8 (from a device, a hand-edited file) become U+FFFD, never lost silently
// into a crash or a truncated string.
[[nodiscard]] QString WideFromNarrow(std::string_view narrow);
[[nodiscard]] std::string NarrowFromWide(const QString& wide);

// The longest prefix of `narrow` that fits in `maxBytes` bytes without splitting a UTF-8 sequence.
[[nodiscard]] std::string CutToBytes(std::string_view narrow, std::size_t maxBytes);

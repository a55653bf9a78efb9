#pragma once
#include <string>
#include <string_view>

// `text` as a JSON string literal, quotes included. Quotes, backslashes and control characters are
// escaped; bytes that are not valid UTF-8 (a name read from a device) become U+FFFD, so the result is
// always valid JSON in UTF-8.
[[nodiscard]] std::string JsonString(std::string_view text);

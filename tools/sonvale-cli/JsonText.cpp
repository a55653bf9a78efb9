#include "JsonText.h"

#include <cstdio>

#include "platform/TextCodec.h"

std::string JsonString(std::string_view text)
{
    const std::string valid = NarrowFromWide(WideFromNarrow(text));
    std::string quoted;
    quoted.reserve(valid.size() + 2);
    quoted += '"';
    for (const char c : valid) {
        switch (c) {
        case '"': quoted += "\\\""; break;
        case '\\': quoted += "\\\\"; break;
        case '\b': quoted += "\\b"; break;
        case '\f': quoted += "\\f"; break;
        case '\n': quoted += "\\n"; break;
        case '\r': quoted += "\\r"; break;
        case '\t': quoted += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(static_cast<unsigned char>(c)));
                quoted += escape;
            } else {
                quoted += c;
            }
        }
    }
    quoted += '"';
    return quoted;
}

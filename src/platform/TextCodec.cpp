#include "platform/TextCodec.h"

QString WideFromNarrow(std::string_view narrow)
{
    return QString::fromUtf8(narrow.data(), static_cast<qsizetype>(narrow.size()));
}

std::string NarrowFromWide(const QString& wide)
{
    return wide.toStdString();
}

std::string CutToBytes(std::string_view narrow, std::size_t maxBytes)
{
    if (narrow.size() <= maxBytes)
        return std::string(narrow);
    // narrow[cut] is the first byte left out. While it is a continuation byte (10xxxxxx) the cut falls
    // inside a character: move back to that character's lead byte. A UTF-8 character has at most three
    // continuation bytes; longer runs are invalid input and are cut where they stand.
    std::size_t cut = maxBytes;
    for (int step = 0; step < 3 && cut > 0 && (static_cast<unsigned char>(narrow[cut]) & 0xC0) == 0x80; ++step)
        --cut;
    if ((static_cast<unsigned char>(narrow[cut]) & 0xC0) == 0x80)
        cut = maxBytes;
    return std::string(narrow.substr(0, cut));
}

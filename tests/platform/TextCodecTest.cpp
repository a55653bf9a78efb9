#include "platform/TextCodec.h"

#include <gtest/gtest.h>

namespace {

// True when `text` is a whole number of UTF-8 characters.
bool IsWholeUtf8(const std::string& text)
{
    return !WideFromNarrow(text).contains(QChar(0xFFFD));
}

TEST(TextCodec, CutNeverSplitsACharacter)
{
    // "a" (1 byte), "あ" (3 bytes), "é" (2 bytes), "😀" (4 bytes), "z" (1 byte)
    const std::string text = "a\xE3\x81\x82\xC3\xA9\xF0\x9F\x98\x80z";
    const std::size_t expected[] = {0, 1, 1, 1, 4, 4, 6, 6, 6, 6, 10, 11, 11};
    for (std::size_t limit = 0; limit <= text.size() + 1; ++limit) {
        SCOPED_TRACE(limit);
        const std::string cut = CutToBytes(text, limit);
        EXPECT_EQ(cut.size(), expected[limit]);
        EXPECT_EQ(cut, text.substr(0, cut.size()));
        EXPECT_TRUE(IsWholeUtf8(cut));
    }
}

TEST(TextCodec, CutOfInvalidBytesStaysWithinTheLimit)
{
    const std::string stray = "ab\x80\x80\x80\x80\x80";
    for (std::size_t limit = 0; limit <= stray.size(); ++limit)
        EXPECT_LE(CutToBytes(stray, limit).size(), limit);
}

TEST(TextCodec, InvalidBytesBecomeReplacementCharacters)
{
    EXPECT_EQ(WideFromNarrow("\xFF"), QString(QChar(0xFFFD)));
    const QString mixed = WideFromNarrow("A\xC3(B");
    EXPECT_TRUE(mixed.startsWith(u'A'));
    EXPECT_TRUE(mixed.contains(QChar(0xFFFD)));
    EXPECT_TRUE(mixed.endsWith(QStringLiteral("(B")));
}

TEST(TextCodec, JapaneseRoundTrips)
{
    const std::string narrow = "プリセットデータ";
    const QString wide = WideFromNarrow(narrow);
    EXPECT_EQ(wide.size(), 8);
    EXPECT_EQ(NarrowFromWide(wide), narrow);
}

} // namespace

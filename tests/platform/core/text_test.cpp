#include "platform/core/FileManager.h"
#include "platform/core/Text.h"
#include "support/PoetryBooks.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace text = pw::core::text;

TEST(Text, Utf8AndUtf16RoundTrip) {
    const std::string utf8 = "红楼梦 A \xF0\x9F\x93\x96"; // includes a character outside the BMP
    auto u16 = text::toUtf16(utf8);
    ASSERT_TRUE(u16.has_value());
    EXPECT_EQ(*u16, u"红楼梦 A \U0001F4D6");
    EXPECT_EQ(u16->size(), 8u); // the book emoji is a surrogate pair
    EXPECT_EQ(text::toUtf8(*u16), utf8);
    // Empty input is a successful empty result, not a failure.
    EXPECT_EQ(text::toUtf16(""), std::u16string());
}

TEST(Text, InvalidInputIsNulloptNeverEmpty) {
    struct Case {
        const char* what;
        std::string bytes;
        const char* charset;
    };
    const Case cases[] = {
        {"truncated UTF-8", "abc\xE7\xBA", "UTF-8"},
        {"stray continuation byte", "a\x80z", "UTF-8"},
        {"overlong UTF-8", "\xC0\xAF", "UTF-8"},
        {"bad GB18030 trail byte", "\xBA\x20", "GB18030"},
        {"odd UTF-16LE length", std::string("a\0b", 3), "UTF-16LE"},
        {"unknown charset", "abc", "NO-SUCH-CHARSET"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(text::decode(c.bytes, c.charset).has_value());
    }
    EXPECT_FALSE(text::isValidUtf8("a\x80z"));
    EXPECT_FALSE(text::toUtf8(std::u16string(1, char16_t(0xD800))).has_value()); // unpaired surrogate
    EXPECT_FALSE(text::encode(u"红", "ISO-8859-1").has_value());                 // unmappable
}

TEST(Text, LenientDecodeReplacesBadBytes) {
    EXPECT_EQ(text::toUtf16Lenient("a\x80z"), u"a\uFFFDz");
    auto gb = text::decodeLenient("\xBA\xEC\xFF", "GB18030");
    ASSERT_TRUE(gb.has_value());
    EXPECT_EQ(gb->substr(0, 1), u"红");
    EXPECT_GT(gb->size(), 1u);
    EXPECT_FALSE(text::decodeLenient("x", "NO-SUCH-CHARSET").has_value());
}

TEST(Text, CharsetRoundTrips) {
    const std::u16string sample = u"红楼梦 第一回 abc";
    for (const char* charset : {"GB18030", "GBK", "UTF-16LE", "UTF-8", "gb2312", "utf-16le"}) {
        SCOPED_TRACE(charset);
        auto bytes = text::encode(sample, charset);
        ASSERT_TRUE(bytes.has_value());
        EXPECT_EQ(text::decode(*bytes, charset), sample);
    }
    EXPECT_EQ(*text::encode(u"红", "GB18030"), "\xBA\xEC");
    EXPECT_EQ(*text::encode(u"A红", "UTF-16LE"), std::string("A\0\xA2\x7E", 4));
    EXPECT_EQ(text::decodeToUtf8("caf\xE9", "ISO-8859-1"), "café");
    EXPECT_EQ(text::encodeFromUtf8("café", "latin1"), "caf\xE9");
    EXPECT_TRUE(text::isCharsetKnown("GB18030"));
    EXPECT_FALSE(text::isCharsetKnown("NO-SUCH-CHARSET"));
}

TEST(Text, DecodesALongGb18030Book) {
    pw::test::TempDir folder;
    const auto path = folder.path() / "long-gb18030.txt";
    std::string problem;
    ASSERT_TRUE(pw::test::writeLongPoetryBook(path, "GB18030", &problem)) << problem;
    auto bytes = pw::core::FileManager::readText(path);
    ASSERT_TRUE(bytes) << path;
    auto u16 = text::decode(*bytes, "GB18030");
    ASSERT_TRUE(u16.has_value());
    auto utf8 = text::toUtf8(*u16);
    ASSERT_TRUE(utf8.has_value());
    EXPECT_NE(utf8->find("子曰：“学而时习之"), std::string::npos);
    EXPECT_NE(utf8->find("李白"), std::string::npos);
    // Back to the exact same bytes.
    EXPECT_EQ(text::encode(*u16, "GB18030"), *bytes);
    // The same bytes are not UTF-8.
    EXPECT_FALSE(text::isValidUtf8(*bytes));
}

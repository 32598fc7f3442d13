#include "foundation/codec/Base64Codec.h"

#include <gtest/gtest.h>

#include <string>

using pw::Base64Codec;

namespace {

std::optional<std::string> decoded(std::optional<Base64Codec::Bytes> b) {
    if (!b)
        return std::nullopt;
    return std::string(b->begin(), b->end());
}

std::string encodeStd(std::string_view s) {
    return Base64Codec::stringByEncodingBytes(s.data(), s.size()).value_or("<nullopt>");
}

std::string encodeWeb(std::string_view s, bool padded) {
    return Base64Codec::stringByWebSafeEncodingBytes(s.data(), s.size(), padded).value_or("<nullopt>");
}

TEST(Base64Codec, Rfc4648VectorsInBothAlphabets) {
    struct Row {
        std::string plain, padded, unpadded;
    };
    const Row rows[] = {
        {"f", "Zg==", "Zg"},
        {"fo", "Zm8=", "Zm8"},
        {"foo", "Zm9v", "Zm9v"},
        {"foob", "Zm9vYg==", "Zm9vYg"},
        {"fooba", "Zm9vYmE=", "Zm9vYmE"},
        {"foobar", "Zm9vYmFy", "Zm9vYmFy"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(encodeStd(r.plain), r.padded);
        EXPECT_EQ(encodeWeb(r.plain, true), r.padded);
        EXPECT_EQ(encodeWeb(r.plain, false), r.unpadded);
        EXPECT_EQ(decoded(Base64Codec::decodeString(r.padded)), r.plain);
        EXPECT_EQ(decoded(Base64Codec::webSafeDecodeString(r.padded)), r.plain);
        EXPECT_EQ(decoded(Base64Codec::webSafeDecodeString(r.unpadded)), r.plain);
    }
}

TEST(Base64Codec, AlphabetsDifferInTheirLastTwoCharacters) {
    const std::string bytes = "\xFB\xFF\xBF";
    EXPECT_EQ(encodeStd("\xFF"), "/w==");
    EXPECT_EQ(encodeWeb("\xFF", true), "_w==");
    EXPECT_EQ(encodeWeb("\xFF", false), "_w");
    EXPECT_EQ(encodeStd(bytes), "+/+/");
    EXPECT_EQ(encodeWeb(bytes, true), "-_-_");
    EXPECT_EQ(decoded(Base64Codec::decodeString("+/+/")), bytes);
    EXPECT_EQ(decoded(Base64Codec::webSafeDecodeString("-_-_")), bytes);
}

TEST(Base64Codec, EmptyInputGivesNothing) {
    EXPECT_FALSE(Base64Codec::encodeData({}));
    EXPECT_FALSE(Base64Codec::stringByEncodingBytes(nullptr, 0));
    EXPECT_FALSE(Base64Codec::webSafeEncodeData({}, true));
    EXPECT_FALSE(Base64Codec::decodeString(""));
    EXPECT_FALSE(Base64Codec::decodeString(" \n\t "));
    EXPECT_FALSE(Base64Codec::webSafeDecodeString(""));
}

TEST(Base64Codec, DecodingBadAndOddInput) {
    struct Row {
        const char* name;
        std::string text;
        std::optional<std::string> standard; // nullopt: refused
        std::optional<std::string> webSafe;
    };
    const Row rows[] = {
        {"missing padding", "Zg", std::nullopt, "f"},
        {"blanks inside", "Zm9v\r\nYm Fy", "foobar", "foobar"},
        {"bytes 160 and 255 are blanks",
         "Zm\xA0"
         "9v\xFF",
         std::nullopt, std::nullopt}, // not ASCII as text
        {"dash and underscore", "-_-_", std::nullopt, "\xFB\xFF\xBF"},
        {"plus and slash", "+/+/", "\xFB\xFF\xBF", std::nullopt},
        {"non-zero trailing bits", "Zh==", std::nullopt, std::nullopt},
        {"non-zero trailing bits unpadded", "Zh", std::nullopt, std::nullopt},
        {"lone character", "Zm9vY", std::nullopt, std::nullopt},
        {"padding too early", "Z===", std::nullopt, std::nullopt},
        {"one pad after two characters", "Zg=", std::nullopt, std::nullopt},
        {"blank between pads", "Zg= =", "f", "f"},
        {"text after padding", "Zg==Zg==", std::nullopt, std::nullopt},
        {"third pad", "Zg===", std::nullopt, std::nullopt},
        {"blank after padding", "Zm8= \n", "fo", "fo"},
        {"invalid character", "Zm9v*", std::nullopt, std::nullopt},
        {"non-ASCII character", "Zm9v\xC3\xA9", std::nullopt, std::nullopt},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(decoded(Base64Codec::decodeString(r.text)), r.standard) << r.name;
        EXPECT_EQ(decoded(Base64Codec::webSafeDecodeString(r.text)), r.webSafe) << r.name;
    }
}

TEST(Base64Codec, ByteFormsTreatHighBlanksAndZeroBytes) {
    const std::string spaced = "Zm\xA0"
                               "9v\xFF";
    EXPECT_EQ(decoded(Base64Codec::decodeBytes(spaced.data(), spaced.size())), "foo");
    EXPECT_EQ(decoded(Base64Codec::webSafeDecodeBytes(spaced.data(), spaced.size())), "foo");
    // A zero byte ends the text.
    const std::string cut("Zm9v\0garbage", 12);
    EXPECT_EQ(decoded(Base64Codec::decodeBytes(cut.data(), cut.size())), "foo");
    const std::string padCut("Zg=\0=", 5);
    EXPECT_FALSE(Base64Codec::decodeBytes(padCut.data(), padCut.size()));
}

TEST(Base64Codec, RoundTripsEveryLengthAndByte) {
    std::string all;
    for (int i = 0; i < 256; ++i)
        all.push_back(static_cast<char>(i));
    for (std::size_t len = 1; len <= all.size(); len += 7) {
        std::string part = all.substr(all.size() - len);
        EXPECT_EQ(decoded(Base64Codec::decodeString(encodeStd(part))), part);
        EXPECT_EQ(decoded(Base64Codec::webSafeDecodeString(encodeWeb(part, false))), part);
        EXPECT_EQ(decoded(Base64Codec::webSafeDecodeString(encodeWeb(part, true))), part);
    }
}

TEST(Base64Codec, RawRoutinesRefuseSmallDestinations) {
    const std::uint8_t src[] = {'f', 'o', 'o'};
    char out[3];
    EXPECT_EQ(Base64Codec::baseEncode(src, 3, out, sizeof out, Base64Codec::standardCharset(), true), 0u);
    std::uint8_t dest[3] = {};
    EXPECT_EQ(Base64Codec::baseDecode(reinterpret_cast<const std::uint8_t*>("Zm9vYmFy"), 8, dest, sizeof dest,
                                      Base64Codec::standardDecodeTable(), true),
              0u);
}

} // namespace

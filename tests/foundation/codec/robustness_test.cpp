// Damaged input of every kind must give a clean failure or a value that
// survives a round trip: never a crash, an overrun or a hang.

#include "foundation/codec/Base64Codec.h"
#include "foundation/codec/JSONCodec.h"
#include "foundation/codec/ZlibInflate.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>

namespace {

const std::string kSample = "{\"Chapters\":[{\"c\":1001,\"n\":\"第一章 风雪\",\"v\":0,\"p\":0,\"t\":1300000000000,"
                            "\"w\":3120,\"vc\":1},{\"c\":1002,\"n\":\"\\u7b2c\\u4e8c\\u7ae0\\ud83d\\ude00\",\"v\":1,"
                            "\"p\":12,\"t\":-1.5e3,\"w\":null,\"vc\":true}],\"Volumes\":[[],{}]}";

std::string mutate(const std::string& s, std::mt19937& rng) {
    std::string out = s;
    int edits = 1 + static_cast<int>(rng() % 4);
    for (int e = 0; e < edits && !out.empty(); ++e) {
        std::size_t at = rng() % out.size();
        switch (rng() % 4) {
        case 0:
            out[at] = static_cast<char>(rng());
            break;
        case 1:
            out.erase(at, 1 + rng() % 8);
            break;
        case 2:
            out.insert(at, 1, "{}[]\",:\\u0-e"[rng() % 13]);
            break;
        default:
            out.resize(at);
            break;
        }
    }
    return out;
}

TEST(CodecRobustness, DamagedJsonFailsCleanlyOrRoundTrips) {
    std::mt19937 rng(20260101);
    for (int i = 0; i < 1500; ++i) {
        std::string text = mutate(kSample, rng);
        for (std::uint32_t flags : {0u, 15u}) {
            pw::JCError error;
            auto v = pw::objectFromJSONStringWithParseOptions(text, flags, &error);
            if (!v) {
                EXPECT_FALSE(error.message.empty()) << text;
                EXPECT_LE(error.index, text.size()) << text;
                continue;
            }
            auto written = pw::JSONString(*v);
            ASSERT_TRUE(written) << text;
            auto back = pw::objectFromJSONString(*written);
            ASSERT_TRUE(back) << *written;
            EXPECT_EQ(*back, *v) << *written;
        }
    }
}

TEST(CodecRobustness, RandomBytesThroughBase64AndInflate) {
    std::mt19937 rng(7);
    std::vector<std::uint8_t> plain(3000);
    for (auto& b : plain)
        b = static_cast<std::uint8_t>(rng() % 16);
    uLongf len = compressBound(plain.size());
    std::vector<std::uint8_t> z(len);
    ASSERT_EQ(compress(z.data(), &len, plain.data(), plain.size()), Z_OK);
    z.resize(len);

    for (int i = 0; i < 1000; ++i) {
        std::vector<std::uint8_t> junk(rng() % 64);
        for (auto& b : junk)
            b = static_cast<std::uint8_t>(rng());
        if (auto d = pw::Base64Codec::decodeData(junk)) {
            auto again = pw::Base64Codec::encodeData(*d);
            EXPECT_TRUE(again);
        }
        (void)pw::Base64Codec::webSafeDecodeData(junk);

        std::vector<std::uint8_t> damaged = z;
        damaged[2 + rng() % (damaged.size() - 2)] ^= static_cast<std::uint8_t>(1 + rng() % 255);
        // The Adler-32 trailer catches the damage; a stream that still
        // inflates can only be one whose damage changed nothing.
        if (auto out = pw::zlibInflate(damaged)) {
            EXPECT_EQ(*out, plain);
        }
        (void)pw::gzipInflate(junk);
    }
}

} // namespace

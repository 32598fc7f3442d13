#include "foundation/codec/ZlibInflate.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// Compresses with zlib itself; windowBits 15 makes a zlib stream, 31 a gzip one.
Bytes deflateWith(const Bytes& input, int windowBits, int level = Z_DEFAULT_COMPRESSION) {
    z_stream s{};
    EXPECT_EQ(deflateInit2(&s, level, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY), Z_OK);
    Bytes out(deflateBound(&s, input.size()) + 32);
    s.next_in = const_cast<Bytef*>(input.data());
    s.avail_in = static_cast<uInt>(input.size());
    s.next_out = out.data();
    s.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&s, Z_FINISH), Z_STREAM_END);
    out.resize(s.total_out);
    deflateEnd(&s);
    return out;
}

Bytes text(std::size_t n) {
    Bytes b;
    const std::string line = "第一回 甄士隐梦幻识通灵 贾雨村风尘怀闺秀\n";
    while (b.size() < n)
        b.insert(b.end(), line.begin(), line.end());
    b.resize(n);
    return b;
}

Bytes noise(std::size_t n) {
    Bytes b(n);
    std::uint32_t x = 2463534242u;
    for (auto& v : b) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        v = static_cast<std::uint8_t>(x);
    }
    return b;
}

TEST(ZlibInflate, InflatesWhatZlibAndGzipMake) {
    struct Row {
        const char* name;
        Bytes plain;
    };
    const Row rows[] = {
        {"one byte", Bytes{'x'}},
        {"umd block size of repetitive text", text(32768)},
        {"far more than 1.5 times its input", Bytes(200000, 0)},
        {"incompressible", noise(5000)},
    };
    for (const Row& r : rows) {
        Bytes z = deflateWith(r.plain, 15);
        Bytes gz = deflateWith(r.plain, 31);
        EXPECT_EQ(pw::zlibInflate(z), r.plain) << r.name;
        EXPECT_EQ(pw::gzipInflate(z), r.plain) << r.name;
        EXPECT_EQ(pw::gzipInflate(gz), r.plain) << r.name;
        EXPECT_FALSE(pw::zlibInflate(gz)) << r.name;
    }
}

TEST(ZlibInflate, EmptyInputComesBackEmpty) {
    auto z = pw::zlibInflate({});
    ASSERT_TRUE(z);
    EXPECT_TRUE(z->empty());
    auto g = pw::gzipInflate({});
    ASSERT_TRUE(g);
    EXPECT_TRUE(g->empty());
}

TEST(ZlibInflate, TruncatedOrDamagedStreamsFail) {
    const Bytes plain = text(40000);
    const Bytes z = deflateWith(plain, 15);
    const Bytes gz = deflateWith(plain, 31);
    for (std::size_t cut : {std::size_t{1}, std::size_t{2}, z.size() / 2, z.size() - 4, z.size() - 1}) {
        EXPECT_FALSE(pw::zlibInflate(std::span(z.data(), cut))) << cut;
        EXPECT_FALSE(pw::gzipInflate(std::span(z.data(), cut))) << cut;
    }
    EXPECT_FALSE(pw::gzipInflate(std::span(gz.data(), gz.size() - 1)));

    Bytes damaged = z;
    damaged[damaged.size() - 2] ^= 0xFF; // the Adler-32 trailer
    EXPECT_FALSE(pw::zlibInflate(damaged));
    EXPECT_FALSE(pw::zlibInflate(Bytes{'n', 'o', 't', ' ', 'z', 'l', 'i', 'b'}));
    EXPECT_FALSE(pw::gzipInflate(Bytes{0x1f, 0x8b, 0x08, 0x00}));
}

} // namespace

TEST(ZlibInflate, OutputGrowsByHalfTheInputEveryTime) {
    struct Case {
        std::size_t length, input, grown;
    } cases[] = {{150, 100, 200}, {200, 100, 250}, {5000, 100, 5050}, {1, 1, 1}, {3, 3, 4}};
    for (auto& c : cases)
        EXPECT_EQ(pw::inflateGrownLength(c.length, c.input), c.grown) << c.length << "/" << c.input;
    // A small block that inflates to many times its size still comes back whole.
    Bytes big(1 << 20, 'a');
    auto packed = deflateWith(big, 15, 9);
    ASSERT_LT(packed.size(), 4096u);
    EXPECT_EQ(pw::zlibInflate(packed), big);
}

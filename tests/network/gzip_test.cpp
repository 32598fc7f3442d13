#include "NetTest.h"

#include "network/RQDataCompressor.h"
#include "network/RQDataDecompressor.h"

#include <cstdio>
#include <fstream>
#include <random>

using namespace pw;
using namespace pw::test;
using fakesite::RawReply;
using fakesite::RawRequest;
using fakesite::RawServer;

namespace {
std::string noise(size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (auto& c : s)
        c = static_cast<char>(rng() % 7 == 0 ? rng() : 'a' + rng() % 4);
    return s;
}
} // namespace

class GzipTest : public NetTest {};

TEST_F(GzipTest, CompressesAndInflatesBothWays) {
    auto gz = RQDataCompressor::compressData("abc");
    ASSERT_TRUE(gz);
    EXPECT_EQ(static_cast<unsigned char>((*gz)[0]), 0x1f);
    EXPECT_EQ(static_cast<unsigned char>((*gz)[1]), 0x8b);
    EXPECT_EQ(RQDataDecompressor::uncompressData(*gz), "abc");
    EXPECT_FALSE(RQDataDecompressor::uncompressData(""));
    RQErrorPtr none;
    EXPECT_FALSE(RQDataCompressor::compressData("", &none));
    EXPECT_FALSE(none);

    // zlib-wrapped data inflates too.
    std::string plain = noise(5000, 1);
    uLongf len = compressBound(plain.size());
    std::string z(len, '\0');
    compress(reinterpret_cast<Bytef*>(z.data()), &len, reinterpret_cast<const Bytef*>(plain.data()), plain.size());
    z.resize(len);
    EXPECT_EQ(RQDataDecompressor::uncompressData(z), plain);

    RQErrorPtr err;
    EXPECT_FALSE(RQDataDecompressor::uncompressData("\x1f\x8b garbage that is not deflate", &err));
    ASSERT_TRUE(err);
    EXPECT_EQ(err->code, RQCompressionError);
    EXPECT_EQ(err->localizedDescription.rfind("Decompression of data failed with code -3", 0), 0u);
}

TEST_F(GzipTest, InflatesAPieceWhoseOutputFillsTheBufferAsTheInputEnds) {
    // Highly compressible input: each piece inflates to far more than the
    // 1.5x buffer it starts with, so output must keep coming after the input
    // of the piece is used up.
    std::string plain(300000, 'z');
    auto gz = fakesite::gzipBytes(plain);
    for (size_t pieceSize : {size_t(1), size_t(7), size_t(64), gz.size()}) {
        RQDataDecompressor d;
        std::string out;
        for (size_t i = 0; i < gz.size(); i += pieceSize) {
            RQErrorPtr err;
            auto piece = d.uncompressBytes(gz.data() + i, std::min(pieceSize, gz.size() - i), &err);
            ASSERT_TRUE(piece) << (err ? err->localizedDescription : "");
            out += *piece;
        }
        EXPECT_EQ(out.size(), plain.size()) << "piece size " << pieceSize;
        EXPECT_EQ(out, plain);
    }
}

TEST_F(GzipTest, CompressesFilesOfWholeChunksCompletely) {
    for (size_t size : {size_t(0), size_t(262144), size_t(262145)}) {
        std::string plain = noise(size, 3);
        std::ofstream(path("in"), std::ios::binary) << plain;
        ASSERT_TRUE(RQDataCompressor::compressDataFromFile(path("in"), path("in.gz")));
        ASSERT_TRUE(RQDataDecompressor::uncompressDataFromFile(path("in.gz"), path("out")));
        EXPECT_EQ(readFile(path("out")), plain) << size;
    }
    RQErrorPtr err;
    EXPECT_FALSE(RQDataDecompressor::uncompressDataFromFile(path("missing"), path("x"), &err));
    EXPECT_EQ(err->localizedDescription, "Decompression of " + path("missing") + " failed the file does not exist");
}

TEST_F(GzipTest, GzipAnswersComeBackInflatedInEveryMode) {
    const std::string plain = noise(262144, 9);
    const std::string gz = fakesite::gzipBytes(plain);
    RawServer server([&](const RawRequest&) {
        // The compressed body arrives in many small pieces, chunked.
        std::string head = "HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\nTransfer-Encoding: chunked\r\n\r\n";
        RawReply reply;
        reply.pieces.push_back({0.0, head});
        for (size_t i = 0; i < gz.size(); i += 1000) {
            std::string part = gz.substr(i, 1000);
            char size[16];
            std::snprintf(size, sizeof size, "%zx\r\n", part.size());
            reply.pieces.push_back({0.0, size + part + "\r\n"});
        }
        reply.pieces.push_back({0.0, "0\r\n\r\n"});
        return reply;
    });
    struct Mode {
        bool waitToInflate;
        bool toFile;
    };
    for (Mode m : {Mode{true, false}, Mode{false, false}, Mode{true, true}, Mode{false, true}}) {
        auto r = RQHTTPRequest::requestWithURL(server.url("/book.txt"));
        r->setShouldWaitToInflateCompressedResponses(m.waitToInflate);
        if (m.toFile)
            r->setDownloadDestinationPath(path("book.txt"));
        r->startSynchronous();
        ASSERT_FALSE(r->error()) << r->error()->localizedDescription;
        std::string body = m.toFile ? readFile(path("book.txt")) : r->responseData().value_or("");
        EXPECT_EQ(body.size(), plain.size()) << m.waitToInflate << m.toFile;
        EXPECT_TRUE(body == plain);
        if (m.waitToInflate && !m.toFile) {
            EXPECT_EQ(r->rawResponseData(), gz);
        }
        EXPECT_EQ(r->totalBytesRead(), gz.size());
    }
}

namespace {
struct BodyMeter : RQProgressDelegate {
    int64_t received = 0;
    float last = -1;
    bool handlesSetProgress() const override { return true; }
    void setProgress(float v) override { last = v; }
    void requestDidReceiveBytes(RQHTTPRequest&, int64_t n) override { received += n; }
};

// Body bytes in chunked framing, `piece` bytes a chunk.
std::string chunked(const std::string& body, size_t piece) {
    std::string out;
    for (size_t i = 0; i < body.size(); i += piece) {
        char size[16];
        std::snprintf(size, sizeof size, "%zx\r\n", std::min(piece, body.size() - i));
        out += size + body.substr(i, piece) + "\r\n";
    }
    return out + "0\r\n\r\n";
}
} // namespace

// Bodies of many megabytes kept in memory get their room ahead (from the
// declared length, the gzip trailer, or by doubling); what the caller reads,
// as often as it asks, is still exactly what was sent, and progress counts
// as it did.
TEST_F(GzipTest, LargeBodiesKeptInMemoryAreExactlyTheBytesSent) {
    const std::string plain = noise(12u << 20, 21);
    const std::string gz = fakesite::gzipBytes(plain);
    struct Case {
        const char* name;
        bool gzip;
        bool declared; // Content-Length, else chunked
        bool waitToInflate;
    };
    const Case cases[] = {
        {"plain, declared length", false, true, true},
        {"plain, chunked", false, false, true},
        {"gzip, declared length, inflated when read", true, true, true},
        {"gzip, chunked, inflated when read", true, false, true},
        {"gzip, declared length, inflated as it comes", true, true, false},
        {"gzip, chunked, inflated as it comes", true, false, false},
    };
    for (const Case& c : cases) {
        const std::string& sent = c.gzip ? gz : plain;
        std::string head = std::string("HTTP/1.1 200 OK\r\n") + (c.gzip ? "Content-Encoding: gzip\r\n" : "") +
                           (c.declared ? "Content-Length: " + std::to_string(sent.size()) + "\r\n\r\n"
                                       : std::string("Transfer-Encoding: chunked\r\n\r\n"));
        RawServer server(
            [&](const RawRequest&) { return RawReply::bytes(head + (c.declared ? sent : chunked(sent, 1 << 20))); });
        auto r = RQHTTPRequest::requestWithURL(server.url("/big"));
        r->setShouldWaitToInflateCompressedResponses(c.waitToInflate);
        auto meter = std::make_shared<BodyMeter>();
        r->setDownloadProgressDelegate(meter);
        r->startSynchronous();
        ASSERT_FALSE(r->error()) << c.name << ": " << r->error()->localizedDescription;
        for (int read = 0; read < 2; ++read) {
            auto body = r->responseData();
            ASSERT_TRUE(body) << c.name;
            EXPECT_EQ(body->size(), plain.size()) << c.name;
            EXPECT_TRUE(*body == plain) << c.name << ", read " << read;
        }
        EXPECT_TRUE(r->rawResponseData() == (c.gzip && c.waitToInflate ? gz : plain)) << c.name;
        // Without a declared length progress is coarse: one step for the whole body.
        EXPECT_EQ(meter->received, c.declared ? static_cast<int64_t>(sent.size()) : 1) << c.name;
        EXPECT_FLOAT_EQ(meter->last, 1.0f) << c.name;
    }
}

// The gzip trailer's size is only a hint for the room set aside: one that
// lies (past any deflate ratio, or too small) changes nothing of the result.
TEST_F(GzipTest, AGzipTrailerClaimingAnotherSizeIsNoMoreThanAHint) {
    const std::string plain = noise(300000, 5);
    const std::string gz = fakesite::gzipBytes(plain);
    for (uint32_t claim : {0xffffffffu, 16u, 0u}) {
        std::string lying = gz;
        for (int i = 0; i < 4; ++i)
            lying[lying.size() - 4 + i] = static_cast<char>(claim >> (8 * i));
        RQErrorPtr err;
        EXPECT_FALSE(RQDataDecompressor::uncompressData(lying, &err)) << claim;
        ASSERT_TRUE(err) << claim;
        EXPECT_EQ(err->code, RQCompressionError);
    }
    // Data after the stream's end: the last four bytes are not its trailer.
    for (const std::string tail : {std::string(8, '\xff'), std::string("\x10\0\0\0", 4)})
        EXPECT_EQ(RQDataDecompressor::uncompressData(gz + tail), plain);
}

namespace {
// A gzip answer head with the given Content-Length, followed by `body`.
std::string gzipHead(size_t contentLength) {
    return "HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\nContent-Length: " + std::to_string(contentLength) + "\r\n\r\n";
}
struct InflateMode {
    bool waitToInflate;
    bool toFile;
};
constexpr InflateMode kInflateModes[] = {{true, false}, {false, false}, {true, true}, {false, true}};
} // namespace

TEST_F(GzipTest, AGzipStreamCutShortInsideCompleteFramingIsAnError) {
    const std::string plain = noise(100000, 4);
    const std::string gz = fakesite::gzipBytes(plain);
    const std::string cut = gz.substr(0, gz.size() / 2);
    // The framing is whole (Content-Length matches what is sent); the gzip stream is not.
    RawServer server([&](const RawRequest&) { return RawReply::bytes(gzipHead(cut.size()) + cut); });
    for (InflateMode m : kInflateModes) {
        auto r = RQHTTPRequest::requestWithURL(server.url("/cut.txt"));
        r->setShouldWaitToInflateCompressedResponses(m.waitToInflate);
        if (m.toFile)
            r->setDownloadDestinationPath(path("cut.txt"));
        r->startSynchronous();
        ASSERT_TRUE(r->error()) << "wait " << m.waitToInflate << " file " << m.toFile;
        EXPECT_EQ(r->error()->code, RQCompressionError);
    }
    // Whole data cut short does not inflate either, in one piece or from a file.
    EXPECT_FALSE(RQDataDecompressor::uncompressData(cut));
    std::ofstream(path("cut.gz"), std::ios::binary) << cut;
    EXPECT_FALSE(RQDataDecompressor::uncompressDataFromFile(path("cut.gz"), path("cut.out")));
}

TEST_F(GzipTest, TheSilentRetryAfterADroppedConnectionInflatesAfresh) {
    const std::string plain = noise(100000, 5);
    const std::string gz = fakesite::gzipBytes(plain);
    struct Cut {
        const char* name;
        size_t sent;     // bytes of the gzip stream sent before the drop
        size_t declared; // Content-Length of the dropped answer
    };
    const Cut cuts[] = {{"mid-stream", gz.size() / 2, gz.size()}, {"after the gzip end", gz.size(), gz.size() + 10}};
    for (const Cut& c : cuts) {
        for (InflateMode m : kInflateModes) {
            std::atomic<int> served = 0;
            RawServer server([&](const RawRequest&) {
                if (served++ == 0)
                    return RawReply::bytes(gzipHead(c.declared) + gz.substr(0, c.sent), true);
                return RawReply::bytes(gzipHead(gz.size()) + gz);
            });
            auto r = RQHTTPRequest::requestWithURL(server.url("/again.txt"));
            r->setShouldWaitToInflateCompressedResponses(m.waitToInflate);
            if (m.toFile)
                r->setDownloadDestinationPath(path("again.txt"));
            r->startSynchronous();
            std::string where =
                std::string(c.name) + " wait " + std::to_string(m.waitToInflate) + " file " + std::to_string(m.toFile);
            ASSERT_FALSE(r->error()) << where << ": " << r->error()->localizedDescription;
            EXPECT_EQ(server.requestCount(), 2u) << where;
            std::string body = m.toFile ? readFile(path("again.txt")) : r->responseData().value_or("<none>");
            EXPECT_EQ(body.size(), plain.size()) << where;
            EXPECT_TRUE(body == plain) << where;
        }
    }
}

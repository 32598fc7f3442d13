#include "NetTest.h"

#include "network/RQDataCompressor.h"
#include "network/RQDataDecompressor.h"

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
std::string readFile(const std::string& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
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

#include "transfer/http/HTTPAsyncFileResponse.h"
#include "transfer/http/HTTPConnection.h"
#include "transfer/http/HTTPDynamicFileResponse.h"
#include "transfer/http/HTTPDataResponse.h"
#include "transfer/http/HTTPFileResponse.h"
#include "transfer/http/HTTPServer.h"
#include "transfer/http/WebSocket.h"
#include "transfer/http/WSData.h"

#include "platform/core/DispatchSource.h"
#include "RawClient.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <thread>

using namespace pw;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

using pw::test::Raw;

namespace {

std::string md5Hex(const std::string& s) {
    return WSData::hexStringValue(WSData::md5Digest(s));
}

std::string patterned(size_t n, unsigned seed) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i)
        s[i] = static_cast<char>((i * 131 + seed + (i >> 9)) & 0xFF);
    return s;
}

struct Recorder {
    std::mutex m;
    std::vector<size_t> bodyPieces;
    uint64_t announcedSize = 0;
    bool digest = true;
    std::atomic<uint64_t> bytesHandedOut{0};
    std::atomic<int> closesTold{0};
};

// A response that hands its data out in pieces with chunked coding.
struct ChunkedResponse : HTTPDataResponse {
    using HTTPDataResponse::HTTPDataResponse;
    bool isChunked() override { return true; }
    std::string readDataOfLength(uint32_t) override { return HTTPDataResponse::readDataOfLength(4000); }
};

// A file response that counts what the connection took from it.
struct CountingFileResponse : HTTPFileResponse {
    Recorder* rec;
    CountingFileResponse(std::string path, uint64_t len, std::weak_ptr<HTTPConnection> c, Recorder* r)
        : HTTPFileResponse(std::move(path), len, std::move(c)), rec(r) {}
    std::string readDataOfLength(uint32_t n) override {
        auto d = HTTPFileResponse::readDataOfLength(n);
        rec->bytesHandedOut += d.size();
        return d;
    }
};

// A data response that notes when the connection tells it the reply is over.
struct TellingResponse : HTTPDataResponse {
    Recorder* rec;
    TellingResponse(std::string data, Recorder* r) : HTTPDataResponse(std::move(data)), rec(r) {}
    void connectionDidClose() override { ++rec->closesTold; }
};

struct TestConnection : HTTPConnection {
    Recorder* rec;
    std::string body;
    TestConnection(std::shared_ptr<AsyncTcpSocket> s, std::shared_ptr<HTTPConfig> c, Recorder* r)
        : HTTPConnection(std::move(s), std::move(c)), rec(r) {}
    bool supportsMethod(const std::string& m, const std::string& p) override {
        return m == "POST" || m == "PUT" || HTTPConnection::supportsMethod(m, p);
    }
    void prepareForBodyWithSize(uint64_t n) override {
        body.clear();
        std::lock_guard l(rec->m);
        rec->announcedSize = n;
        rec->bodyPieces.clear();
    }
    void processBodyData(const std::string& d) override {
        body += d;
        std::lock_guard l(rec->m);
        rec->bodyPieces.push_back(d.size());
    }
    std::shared_ptr<HTTPResponse> httpResponseForMethod(const std::string& m, const std::string& p) override {
        if (m == "POST" || m == "PUT")
            return std::make_shared<HTTPDataResponse>(std::to_string(body.size()) + ":" + md5Hex(body));
        if (p == "/chunked")
            return std::make_shared<ChunkedResponse>(patterned(10000, 7));
        if (p == "/told") {
            // A small send buffer, so the reply's one write waits for the reader.
            auto socket = asyncSocket();
            socket->performBlock([&] {
                int small = 4096;
                ::setsockopt(socket->socketFD(), SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
            });
            return std::make_shared<TellingResponse>(patterned(120000, 5), rec);
        }
        if (p == "/async")
            return HTTPAsyncFileResponse::create(filePathForURI("/thousand.bin"), weak_from_this());
        if (p == "/dynamic" || p == "/dynamic-empty")
            return HTTPDynamicFileResponse::create(filePathForURI(p == "/dynamic" ? "/template.txt" : "/empty.txt"),
                                                   weak_from_this(), "%%", {{"NAME", "Ann"}, {"LONG", "[long]"}});
        if (p == "/counted") {
            auto path = filePathForURI("/big.bin");
            return std::make_shared<CountingFileResponse>(*path, fs::file_size(*path), weak_from_this(), rec);
        }
        return HTTPConnection::httpResponseForMethod(m, p);
    }
    std::shared_ptr<WebSocket> webSocketForURI(const std::string& p) override {
        if (p != "/echo")
            return nullptr;
        auto ws = WebSocket::create(*request(), asyncSocket());
        ws->setDelegate(echo);
        return ws;
    }
    struct Echo : WebSocketDelegate {
        void webSocketDidReceiveMessage(WebSocket& ws, const std::string& m) override { ws.sendMessage("echo:" + m); }
    };
    // Outlives the connection, which ends once the WebSocket has the socket.
    static inline std::shared_ptr<Echo> echo = std::make_shared<Echo>();
    bool isPasswordProtected(const std::string& p) override { return p.rfind("/private", 0) == 0; }
    bool useDigestAccessAuthentication() override { return rec->digest; }
    std::optional<std::string> passwordForUser(const std::string& u) override {
        if (u == "alice")
            return std::string("won:der");
        return std::nullopt;
    }
};

struct ServerFixture : ::testing::Test {
    fs::path dir;
    fs::path root;
    Recorder rec;
    std::shared_ptr<HTTPServer> server = HTTPServer::create();
    uint16_t port = 0;
    std::string thousand = patterned(1000, 3);

    void SetUp() override {
        char tmpl[] = "/tmp/pw-httpd-XXXXXX";
        dir = ::mkdtemp(tmpl);
        root = dir / "site";
        fs::create_directories(root / "sub");
        fs::create_directories(root / "private");
        std::ofstream(root / "index.html") << "<h1>home</h1>";
        std::ofstream(root / "small.txt") << "hello world";
        std::ofstream(root / "private" / "note.txt") << "secret note";
        std::ofstream(root / "thousand.bin", std::ios::binary) << thousand;
        std::ofstream(root / "empty.txt").flush();
        std::ofstream(dir / "outside.txt") << "outside";
        fs::create_symlink(dir / "outside.txt", root / "link-out.txt");
        fs::create_symlink(dir, root / "dir-out");
        fs::create_symlink(root / "small.txt", root / "link-in.txt");
        server->setInterface("localhost"); // loopback only, both families
        server->setDocumentRoot((root / "." / "").string());
        server->setConnectionClass([this](std::shared_ptr<AsyncTcpSocket> s, std::shared_ptr<HTTPConfig> c) {
            return std::make_shared<TestConnection>(std::move(s), std::move(c), &rec);
        });
        SocketError err;
        ASSERT_TRUE(server->start(&err)) << err.description;
        port = server->listeningPort();
        ASSERT_NE(port, 0);
    }
    void TearDown() override {
        server->stop();
        server.reset();
        fs::remove_all(dir);
    }
    std::string url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port) + path; }
};

std::string runCurl(const std::string& args) {
    std::string cmd = "curl -s -S --max-time 20 " + args + " 2>&1";
    std::string out;
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p)
        return out;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    ::pclose(p);
    return out;
}

} // namespace

TEST_F(ServerFixture, KeepsOneConnectionAliveAcrossSeveralRequests) {
    httplib::Client client("127.0.0.1", port);
    client.set_keep_alive(true);
    for (int i = 0; i < 3; ++i) {
        auto r = client.Get("/small.txt");
        ASSERT_TRUE(r) << httplib::to_string(r.error());
        EXPECT_EQ(r->status, 200);
        EXPECT_EQ(r->body, "hello world");
        EXPECT_EQ(r->get_header_value("Accept-Ranges"), "bytes");
        EXPECT_FALSE(r->get_header_value("Date").empty());
    }
    EXPECT_EQ(server->numberOfHTTPConnections(), 1u);
    auto r = client.Get("/");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->body, "<h1>home</h1>"); // the index file of the root
    EXPECT_EQ(server->numberOfHTTPConnections(), 1u);

    // The command-line client reuses its connection for a second URL too.
    auto out = runCurl("-v -o /dev/null -o /dev/null " + url("/small.txt") + " " + url("/thousand.bin"));
    EXPECT_NE(out.find("Re-using existing connection"), std::string::npos) << out;
}

TEST_F(ServerFixture, AReplyEndsWhenItsLastWriteIsDoneAndOnlyThenIsTheNextRequestRead) {
    // A reader that takes nothing yet: the one write of head and body stays
    // unfinished, so the reply has not ended.
    Raw raw(port, 4096);
    raw.send("GET /told HTTP/1.1\r\nHost: x\r\n\r\nGET /small.txt HTTP/1.1\r\nHost: x\r\n\r\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(rec.closesTold.load(), 0);
    auto first = raw.readResponse();
    EXPECT_EQ(first.status, 200);
    EXPECT_EQ(first.body, patterned(120000, 5));
    // The second request, sent at once, is answered after the first reply.
    auto second = raw.readResponse();
    EXPECT_EQ(second.status, 200);
    EXPECT_EQ(second.body, "hello world");
    EXPECT_EQ(rec.closesTold.load(), 1);
}

TEST_F(ServerFixture, HeadGetsTheHeadOfGetWithoutABody) {
    Raw c(port);
    c.send("GET /thousand.bin HTTP/1.1\r\nHost: x\r\n\r\n");
    auto get = c.readResponse();
    c.send("HEAD /thousand.bin HTTP/1.1\r\nHost: x\r\n\r\n");
    auto head = c.readResponse(true);
    EXPECT_EQ(get.status, 200);
    EXPECT_EQ(get.body, thousand);
    EXPECT_EQ(head.status, 200);
    EXPECT_EQ(head.headers["content-length"], "1000");
    // No body follows the HEAD reply: the next reply starts right away.
    c.send("HEAD /thousand.bin HTTP/1.1\r\nRange: bytes=0-99\r\n\r\n");
    auto ranged = c.readResponse(true);
    EXPECT_EQ(ranged.status, 206);
    EXPECT_EQ(ranged.headers["content-length"], "100");
    EXPECT_EQ(ranged.headers["content-range"], "bytes 0-99/1000");
    c.send("GET /empty.txt HTTP/1.1\r\n\r\n");
    auto empty = c.readResponse();
    EXPECT_EQ(empty.status, 200);
    EXPECT_EQ(empty.headers["content-length"], "0");

    auto curlHead = runCurl("-I " + url("/small.txt"));
    EXPECT_NE(curlHead.find("Content-Length: 11"), std::string::npos) << curlHead;
}

TEST_F(ServerFixture, ServesByteRanges) {
    struct Case {
        const char* range;
        int status;
        const char* contentRange;
        size_t from, length;
    } cases[] = {
        {"bytes=0-99", 206, "bytes 0-99/1000", 0, 100},
        {"bytes=-100", 206, "bytes 900-999/1000", 900, 100},
        {"bytes=990-", 206, "bytes 990-999/1000", 990, 10},
        {"bytes=5", 206, "bytes 5-5/1000", 5, 1},
        {"bytes=0-10,5-20", 200, "", 0, 1000}, // overlapping
        {"bytes=1000-", 200, "", 0, 1000},     // beyond the end
        {"bytes=-0", 200, "", 0, 1000},
        {"items=0-5", 200, "", 0, 1000},
        {"bytes=5-2", 200, "", 0, 1000},
        {"bytes=+5-9", 206, "bytes 5-9/1000", 5, 5},
        // Numbers are read as far as they go; a second number that is none
        // leaves the range open to the end, a first one takes the last bytes.
        {"bytes=5-abc", 206, "bytes 5-999/1000", 5, 995},
        {"bytes=7x-9", 206, "bytes 7-9/1000", 7, 3},
        {"bytes=x-10", 206, "bytes 990-999/1000", 990, 10},
        {"bytes=x-y", 200, "", 0, 1000},
    };
    httplib::Client client("127.0.0.1", port);
    for (auto& c : cases) {
        auto r = client.Get("/thousand.bin", {{"Range", c.range}});
        ASSERT_TRUE(r) << c.range;
        EXPECT_EQ(r->status, c.status) << c.range;
        EXPECT_EQ(r->get_header_value("Content-Range"), c.contentRange) << c.range;
        EXPECT_EQ(r->body, thousand.substr(c.from, c.length)) << c.range;
    }
    // More ranges than the server takes in one request: served whole.
    std::string many = "bytes=";
    for (int i = 0; i < 40; ++i)
        many += (i ? "," : "") + std::to_string(i * 10) + "-" + std::to_string(i * 10 + 1);
    auto r = client.Get("/thousand.bin", {{"Range", many}});
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 200);
    EXPECT_EQ(r->body.size(), 1000u);
}

TEST_F(ServerFixture, SeveralRangesComeAsAMultipartBodyInOrder) {
    auto out = runCurl("-i -H 'Range: bytes=500-599,0-99' " + url("/thousand.bin"));
    // An independent reading of the multipart body: boundary from the head,
    // each part's Content-Range and bytes.
    auto headEnd = out.find("\r\n\r\n");
    ASSERT_NE(headEnd, std::string::npos) << out;
    std::string head = out.substr(0, headEnd);
    EXPECT_NE(head.find("HTTP/1.1 206"), std::string::npos);
    auto b = head.find("boundary=");
    ASSERT_NE(b, std::string::npos);
    std::string boundary = head.substr(b + 9, head.find("\r\n", b) - b - 9);
    std::string body = out.substr(headEnd + 4);
    auto cl = head.find("Content-Length: ");
    ASSERT_NE(cl, std::string::npos);
    EXPECT_EQ(std::stoul(head.substr(cl + 16)), body.size());
    std::vector<std::pair<std::string, std::string>> parts;
    std::string delim = "--" + boundary;
    size_t pos = body.find(delim);
    while (pos != std::string::npos) {
        pos += delim.size();
        if (body.compare(pos, 2, "--") == 0)
            break;
        size_t hEnd = body.find("\r\n\r\n", pos);
        std::string partHead = body.substr(pos, hEnd - pos);
        size_t next = body.find("\r\n" + delim, hEnd + 4);
        ASSERT_NE(next, std::string::npos);
        auto cr = partHead.find("Content-Range: ");
        parts.emplace_back(partHead.substr(cr + 15), body.substr(hEnd + 4, next - hEnd - 4));
        pos = body.find(delim, next);
    }
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[0].first, "bytes 0-99/1000");
    EXPECT_EQ(parts[0].second, thousand.substr(0, 100));
    EXPECT_EQ(parts[1].first, "bytes 500-599/1000");
    EXPECT_EQ(parts[1].second, thousand.substr(500, 100));
}

TEST_F(ServerFixture, ReadsChunkedBodiesPieceByPiece) {
    std::string c1 = "x", c2 = patterned(32768, 1), c3 = patterned(40000, 2);
    Raw c(port);
    auto hex = [](size_t n) {
        char b[32];
        std::snprintf(b, sizeof b, "%zx", n);
        return std::string(b);
    };
    c.send("POST /upload HTTP/1.1\r\nTransfer-Encoding: Chunked\r\n\r\n");
    c.send(hex(c1.size()) + "\r\n" + c1 + "\r\n");
    c.send(hex(c2.size()) + ";ext=1\r\n" + c2 + "\r\n");
    c.send(hex(c3.size()) + "\r\n" + c3.substr(0, 100));
    std::this_thread::sleep_for(10ms);
    c.send(c3.substr(100) + "\r\n0\r\nX-Footer: 1\r\n\r\n");
    auto r = c.readResponse();
    std::string all = c1 + c2 + c3;
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.body, std::to_string(all.size()) + ":" + md5Hex(all));
    {
        std::lock_guard l(rec.m);
        EXPECT_EQ(rec.announcedSize, UINT64_MAX);
        std::vector<size_t> sizes = rec.bodyPieces;
        size_t sum = 0;
        for (auto s : sizes)
            sum += s;
        EXPECT_EQ(sum, all.size());
        for (auto s : sizes)
            EXPECT_LE(s, 32768u);
        EXPECT_EQ(sizes.front(), 1u);
    }
    // A body of known length arrives in pieces of at most 32768 bytes.
    std::string big = patterned(100000, 9);
    c.send("PUT /up HTTP/1.1\r\nContent-Length: 100000\r\n\r\n" + big);
    r = c.readResponse();
    EXPECT_EQ(r.body, "100000:" + md5Hex(big)) << r.status << " " << r.rawHead;
    {
        std::lock_guard l(rec.m);
        EXPECT_EQ(rec.bodyPieces, (std::vector<size_t>{32768, 32768, 32768, 1696}));
    }
    // And through the command-line client's own chunking.
    auto path = dir / "upload.bin";
    std::ofstream(path, std::ios::binary) << c3;
    auto out = runCurl("-H 'Transfer-Encoding: chunked' --data-binary @" + path.string() + " " + url("/upload"));
    EXPECT_EQ(out, "40000:" + md5Hex(c3));
}

TEST_F(ServerFixture, SendsChunkedReplies) {
    Raw c(port);
    c.send("GET /chunked HTTP/1.1\r\n\r\n");
    auto head = c.readResponse(true);
    EXPECT_EQ(head.headers["transfer-encoding"], "chunked");
    EXPECT_EQ(head.headers.count("content-length"), 0u);
    // 10000 bytes in pieces of 4000: fa0, fa0, 7d0, then the zero chunk.
    std::string expected = "fa0\r\n" + patterned(10000, 7).substr(0, 4000) + "\r\n" + "fa0\r\n" +
                           patterned(10000, 7).substr(4000, 4000) + "\r\n" + "7d0\r\n" +
                           patterned(10000, 7).substr(8000) + "\r\n0\r\n\r\n";
    EXPECT_EQ(c.recvExactly(expected.size()), expected);
    httplib::Client client("127.0.0.1", port);
    auto r = client.Get("/chunked");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->body, patterned(10000, 7));
}

TEST_F(ServerFixture, ErrorRepliesKeepOrCloseTheConnection) {
    struct Case {
        const char* request;
        int status;
        bool closes;
    } cases[] = {
        {"GET /nothing-here HTTP/1.1\r\n\r\n", 404, false},
        {"GET /small.txt HTTP/2.0\r\n\r\n", 505, false},
        {"GET /sub/ HTTP/1.1\r\n\r\n", 404, false}, // a folder without index file
        {"GET /small.txt HTTP/1.1\r\nUpgrade: websocket\r\nConnection: upgrade\r\n\r\n", 404, false},
        {"DELETE /small.txt HTTP/1.1\r\n\r\n", 405, true},
        {"GARBAGE\r\n\r\n", 400, true},
        {"GET /small.txt HTTP/1.1\r\nbad header line\r\n\r\n", 400, true},
        {"POST /up HTTP/1.1\r\n\r\n", 400, true}, // no length
        {"POST /up HTTP/1.1\r\nContent-Length: -5\r\n\r\n", 400, true},
        {"POST /up HTTP/1.1\r\nContent-Length: 5x\r\n\r\nhello", 400, true},
        {"POST /up HTTP/1.1\r\nContent-Length: +5\r\n\r\nhello", 400, true},
        {"POST /up HTTP/1.1\r\nContent-Length: 5\r\nContent-Length: 6\r\n\r\nhello!", 400, true},
        {"POST /up HTTP/1.1\r\nContent-Length: 99999999999999999999999\r\n\r\n", 400, true},
        {"GET /small.txt HTTP/1.1\r\nContent-Length: 5\r\n\r\nhello", 400, true},
        {"DELETE /x HTTP/1.1\r\nContent-Length: abc\r\n\r\n", 400, true}, // length checked before method
        {"POST /up HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n-5\r\n", 400, true},
        {"POST /up HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n0x5\r\nhello\r\n0\r\n\r\n", 400, true},
        {"POST /up HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n", 400, true},
        {"POST /up HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n10000000000000000\r\n", 400, true},
        {"POST /up HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabcXY", 400, true}, // no trailer
    };
    for (auto& tc : cases) {
        Raw c(port);
        c.send(tc.request);
        auto r = c.readResponse();
        EXPECT_EQ(r.status, tc.status) << tc.request;
        EXPECT_EQ(r.headers["content-length"], "0") << tc.request;
        if (tc.closes) {
            EXPECT_TRUE(c.closedByPeer()) << tc.request;
            EXPECT_EQ(r.headers["connection"], "close") << tc.request;
        } else {
            c.send("GET /small.txt HTTP/1.1\r\n\r\n");
            EXPECT_EQ(c.readResponse().body, "hello world") << tc.request;
        }
    }
    // HTTP/1.0 closes unless asked to keep alive; HTTP/1.1 closes when asked.
    struct KeepCase {
        const char* request;
        bool closes;
    } keep[] = {
        {"GET /small.txt HTTP/1.0\r\n\r\n", true},
        {"GET /small.txt HTTP/1.0\r\nConnection: Keep-Alive\r\n\r\n", false},
        {"GET /small.txt HTTP/1.1\r\nConnection: close\r\n\r\n", true},
        {"GET /small.txt HTTP/1.1\r\n\r\n", false},
    };
    for (auto& k : keep) {
        Raw c(port);
        c.send(k.request);
        EXPECT_EQ(c.readResponse().body, "hello world");
        if (k.closes) {
            EXPECT_TRUE(c.closedByPeer()) << k.request;
        } else {
            c.send("GET /small.txt HTTP/1.1\r\n\r\n");
            EXPECT_EQ(c.readResponse().body, "hello world") << k.request;
        }
    }
}

TEST_F(ServerFixture, NoPathLeadsOutsideTheDocumentRoot) {
    const char* outside[] = {
        "/../outside.txt",
        "/%2e%2e/outside.txt",
        "/%2E%2E/outside.txt",
        "/sub/../../outside.txt",
        "/sub/%2e%2e/%2e%2e/outside.txt",
        "/.%2e/outside.txt",
        "/..%2foutside.txt",
        "/small.txt%00.html",
        "/link-out.txt",
        "/dir-out/outside.txt",
        "/%zz",
        "relative.txt",
    };
    for (auto* path : outside) {
        Raw c(port);
        c.send(std::string("GET ") + path + " HTTP/1.1\r\n\r\n");
        auto r = c.readResponse();
        EXPECT_EQ(r.status, 404) << path;
        EXPECT_EQ(r.body.find("outside"), std::string::npos) << path;
    }
    const char* inside[] = {"/sub/../small.txt", "/%73mall.txt", "/link-in.txt", "/./small.txt", "/small.txt?x=1"};
    for (auto* path : inside) {
        Raw c(port);
        c.send(std::string("GET ") + path + " HTTP/1.1\r\n\r\n");
        EXPECT_EQ(c.readResponse().body, "hello world") << path;
    }
    EXPECT_EQ(runCurl("--path-as-is -o /dev/null -w '%{http_code}' " + url("/../outside.txt")), "404");
}

TEST_F(ServerFixture, ATenMegabyteFileReachesASlowReaderIntactInBoundedMemory) {
    std::string big = patterned(10 << 20, 5);
    std::ofstream(root / "big.bin", std::ios::binary) << big;
    Raw c(port, 64 * 1024);
    c.send("GET /counted HTTP/1.1\r\n\r\n");
    auto head = c.readResponse(true);
    ASSERT_EQ(head.status, 200);
    ASSERT_EQ(head.headers["content-length"], std::to_string(big.size()));
    std::string got;
    got.reserve(big.size());
    uint64_t maxAhead = 0;
    char buf[16384];
    int reads = 0;
    while (got.size() < big.size()) {
        ssize_t n = ::recv(c.fd, buf, sizeof buf, 0);
        ASSERT_GT(n, 0);
        got.append(buf, static_cast<size_t>(n));
        maxAhead = std::max<uint64_t>(maxAhead, rec.bytesHandedOut.load() - got.size());
        if (++reads % 64 == 0)
            std::this_thread::sleep_for(1ms); // a slow reader
    }
    EXPECT_TRUE(got == big);
    // What the server has read from the file but the client has not received
    // is bounded by its write queue and the kernel's socket buffers, far below
    // the file's size.
    uint64_t wmemMax = 4 << 20;
    if (std::ifstream f("/proc/sys/net/ipv4/tcp_wmem"); f) {
        uint64_t a, b;
        f >> a >> b >> wmemMax;
    }
    EXPECT_LE(maxAhead, 2 * 131072 + wmemMax + 256 * 1024);
    EXPECT_LT(maxAhead, big.size() / 2);
}

TEST_F(ServerFixture, PasswordProtectionWithDigestAndBasic) {
    EXPECT_EQ(runCurl("-o /dev/null -w '%{http_code}' " + url("/private/note.txt")), "401");
    EXPECT_EQ(runCurl("--digest -u 'alice:won:der' " + url("/private/note.txt")), "secret note");
    EXPECT_EQ(runCurl("--digest -u 'alice:wrong' -o /dev/null -w '%{http_code}' " + url("/private/note.txt")), "401");
    EXPECT_EQ(runCurl("--digest -u 'bob:won:der' -o /dev/null -w '%{http_code}' " + url("/private/note.txt")), "401");
    EXPECT_EQ(runCurl(url("/small.txt")), "hello world"); // unprotected paths stay open

    // The response is hashed with the realm the client names.
    Raw c(port);
    c.send("GET /private/note.txt HTTP/1.1\r\n\r\n");
    auto challenge = c.readResponse();
    ASSERT_EQ(challenge.status, 401);
    auto wa = challenge.headers["www-authenticate"];
    auto np = wa.find("nonce=\"");
    ASSERT_NE(np, std::string::npos) << wa;
    std::string nonce = wa.substr(np + 7, 36);
    auto digestFor = [&](const std::string& realm, const std::string& nc) {
        std::string ha1 = md5Hex("alice:" + realm + ":won:der");
        std::string ha2 = md5Hex("GET:/private/note.txt");
        std::string resp = md5Hex(ha1 + ":" + nonce + ":" + nc + ":abc:auth:" + ha2);
        return "GET /private/note.txt HTTP/1.1\r\nAuthorization: Digest username=\"alice\", realm=\"" + realm +
               "\", cnonce=\"abc\", nonce=\"" + nonce + "\", uri=\"/private/note.txt\", qop=auth, nc=" + nc +
               ", response=\"" + resp + "\"\r\n\r\n";
    };
    c.send(digestFor("elsewhere", "00000001"));
    EXPECT_EQ(c.readResponse().body, "secret note");
    c.send(digestFor("pagewell", "00000002"));
    EXPECT_EQ(c.readResponse().body, "secret note");
    c.send(digestFor("pagewell", "00000002")); // a replayed count
    EXPECT_EQ(c.readResponse().status, 401);

    rec.digest = false;
    EXPECT_EQ(runCurl("--basic -u 'alice:won:der' " + url("/private/note.txt")), "secret note");
    EXPECT_EQ(runCurl("--basic -u 'alice:won' -o /dev/null -w '%{http_code}' " + url("/private/note.txt")), "401");
}

TEST_F(ServerFixture, StopsListeningAndCapsConnections) {
    EXPECT_EQ(server->port(), 0);
    server->setMaxConnections(2);
    Raw a(port), b(port);
    a.send("GET /small.txt HTTP/1.1\r\n\r\n");
    b.send("GET /small.txt HTTP/1.1\r\n\r\n");
    EXPECT_EQ(a.readResponse().body, "hello world");
    EXPECT_EQ(b.readResponse().body, "hello world");
    Raw third(port);
    third.send("GET /small.txt HTTP/1.1\r\n\r\n");
    EXPECT_TRUE(third.closedByPeer());
    EXPECT_EQ(server->numberOfHTTPConnections(), 2u);

    server->stop();
    EXPECT_FALSE(server->isRunning());
    EXPECT_EQ(server->listeningPort(), 0);
    EXPECT_TRUE(a.closedByPeer());
}

TEST_F(ServerFixture, PublishingWithoutADaemonIsReportedAndServingGoesOn) {
    server->stop();
    server->setType("_http._tcp.");
    ASSERT_TRUE(server->start());
    port = server->listeningPort();
    // This machine may or may not run the daemon; either way serving goes on.
    for (int i = 0; i < 200 && !server->lastPublishError(); ++i)
        std::this_thread::sleep_for(5ms);
    if (::access("/run/avahi-daemon/socket", F_OK) != 0) {
        ASSERT_TRUE(server->lastPublishError().has_value());
        EXPECT_FALSE(server->lastPublishError()->empty());
    }
    EXPECT_EQ(runCurl(url("/small.txt")), "hello world");
}

TEST_F(ServerFixture, ABodyThatStopsArrivingTimesOut) {
    std::atomic<long long> ns{1'000'000'000};
    core::DispatchSource::setClock([&] { return std::chrono::nanoseconds(ns.load()); });
    auto advance = [&](std::chrono::seconds s) {
        ns += std::chrono::nanoseconds(s).count();
        core::DispatchSource::clockAdvanced();
        std::this_thread::sleep_for(30ms);
    };
    Raw c(port);
    c.send("POST /up HTTP/1.1\r\nContent-Length: 100\r\n\r\n0123456789");
    std::this_thread::sleep_for(100ms);
    advance(30s); // progress was made: the read goes on
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(server->numberOfHTTPConnections(), 1u);
    // Nothing more arrives: within a few more periods the connection ends.
    timeval tv{0, 100000};
    ::setsockopt(c.fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    bool closed = false;
    for (int i = 0; i < 20 && !closed; ++i) {
        advance(30s);
        closed = c.closedByPeer();
    }
    EXPECT_TRUE(closed);
    core::DispatchSource::setClock(nullptr);
}

TEST_F(ServerFixture, AsynchronousAndTemplateFileReplies) {
    // The template spans several reads: one placeholder straddles the first
    // read's end (131072 bytes).
    std::string filler(131072 - 8, '.');
    std::string tmpl = "Hi %%NAME%%! %%MISSING%% " + filler.substr(21) + "%%LONG%%" + " end %%NAME%%";
    std::ofstream(root / "template.txt") << tmpl;
    std::string expected = "Hi Ann! %%MISSING%% " + filler.substr(21) + "[long]" + " end Ann";
    httplib::Client client("127.0.0.1", port);
    auto r = client.Get("/dynamic");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->get_header_value("Transfer-Encoding"), "chunked");
    EXPECT_TRUE(r->body == expected) << r->body.size() << " vs " << expected.size();
    auto ranged = client.Get("/dynamic", {{"Range", "bytes=0-1"}}); // ranges are not served
    ASSERT_TRUE(ranged);
    EXPECT_EQ(ranged->status, 200);
    EXPECT_TRUE(ranged->body == expected);

    Raw c(port);
    c.send("GET /dynamic-empty HTTP/1.1\r\n\r\n");
    auto head = c.readResponse(true);
    EXPECT_EQ(head.headers["transfer-encoding"], "chunked");
    EXPECT_EQ(c.recvExactly(5), "0\r\n\r\n");

    auto a = client.Get("/async");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->body, thousand);
    auto ar = client.Get("/async", {{"Range", "bytes=-100"}});
    ASSERT_TRUE(ar);
    EXPECT_EQ(ar->status, 206);
    EXPECT_EQ(ar->body, thousand.substr(900));
}

TEST_F(ServerFixture, AWebSocketTakesOverTheConnectionWhenTheServerOffersOne) {
    Raw c(port);
    c.send("GET /echo HTTP/1.1\r\nHost: example:80\r\nOrigin: http://example\r\nUpgrade: WebSocket\r\n"
           "Connection: Upgrade\r\nSec-WebSocket-Key1: 1 2 3\r\nSec-WebSocket-Key2: 4  5\r\n\r\nABCDEFGH");
    auto head = c.readResponse(true);
    EXPECT_EQ(head.status, 101);
    EXPECT_EQ(head.headers["sec-websocket-origin"], "http://example");
    EXPECT_EQ(head.headers["sec-websocket-location"], "ws://example:80/echo");
    // The draft-76 answer: MD5 of both keys' numbers and the challenge.
    std::string k1("\x00\x00\x00\x3D", 4), k2("\x00\x00\x00\x16", 4);
    EXPECT_EQ(c.recvExactly(16), WSData::md5Digest(k1 + k2 + "ABCDEFGH"));
    // Frames carry UTF-8 text; bytes that are not UTF-8 arrive as U+FFFD.
    struct Row {
        std::string sent, delivered;
    } rows[] = {{"hi", "hi"}, {"\xE4\xB9\xA6", "\xE4\xB9\xA6"}, {"a\x80" "b", "a\xEF\xBF\xBD" "b"}, {"", ""}};
    for (auto& r : rows) {
        c.send(std::string("\x00", 1) + r.sent + "\xFF");
        std::string expected = std::string("\x00", 1) + "echo:" + r.delivered + "\xFF";
        EXPECT_EQ(c.recvExactly(expected.size()), expected) << r.sent;
    }
    EXPECT_EQ(server->numberOfWebSocketConnections(), 1u);
    c.send("\xFF"); // a frame byte with the high bit set ends the conversation
    for (int i = 0; i < 200 && server->numberOfWebSocketConnections() > 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(server->numberOfWebSocketConnections(), 0u);
}

TEST_F(ServerFixture, ALargeFileGoesStraightFromTheFileWholeAndInRanges) {
    // Larger than one reply piece: the body is sent from the file itself.
    std::string large = patterned(3 << 20, 9);
    std::ofstream(root / "large.bin", std::ios::binary) << large;
    httplib::Client client("127.0.0.1", port);
    auto whole = client.Get("/large.bin");
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->status, 200);
    EXPECT_TRUE(whole->body == large);
    auto one = client.Get("/large.bin", {{"Range", "bytes=100-2000099"}});
    ASSERT_TRUE(one);
    EXPECT_EQ(one->status, 206);
    EXPECT_EQ(one->get_header_value("Content-Range"), "bytes 100-2000099/3145728");
    EXPECT_TRUE(one->body == large.substr(100, 2000000));
    auto several = client.Get("/large.bin", {{"Range", "bytes=0-9,3000000-3000009"}});
    ASSERT_TRUE(several);
    EXPECT_EQ(several->status, 206);
    EXPECT_NE(several->body.find(large.substr(0, 10)), std::string::npos);
    EXPECT_NE(several->body.find(large.substr(3000000, 10)), std::string::npos);
    EXPECT_EQ(several->body.size(), std::stoull(several->get_header_value("Content-Length")));
    auto head = client.Head("/large.bin");
    ASSERT_TRUE(head);
    EXPECT_TRUE(head->body.empty());

    // Requests sent back to back on one connection, small and large, come
    // back whole and in order.
    Raw c(port);
    c.send("GET /small.txt HTTP/1.1\r\n\r\nGET /large.bin HTTP/1.1\r\n\r\nGET /small.txt HTTP/1.1\r\n\r\n");
    EXPECT_EQ(c.readResponse().body, "hello world");
    EXPECT_TRUE(c.readResponse().body == large);
    EXPECT_EQ(c.readResponse().body, "hello world");
}

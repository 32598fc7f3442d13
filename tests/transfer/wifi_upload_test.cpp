// The upload and list pages over raw sockets: exact request texts in, exact
// files in Documents out, and nothing left behind in tmp/.
#include "platform/core/Paths.h"
#include "transfer/http/HTTPServer.h"
#include "transfer/wifi/RZHTTPConnection.h"

#include "RawClient.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <netinet/tcp.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

using namespace pw;
namespace fs = std::filesystem;

namespace {

using Reply = test::Raw::Response;

// One client connection; pieces are sent as given so the server sees the
// body split where the test wants it.
struct Client : test::Raw {
    explicit Client(uint16_t port) : Raw(port) {
        setReceiveTimeout(20000);
        int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    }
    Reply read() const { return readResponse(); }
};

// A connection whose disk holds only so many bytes.
struct SmallDiskConnection : RZHTTPConnection {
    using RZHTTPConnection::RZHTTPConnection;
    static inline uint64_t space = UINT64_MAX;
    uint64_t freeSpaceForUpload() override { return space; }
};

const std::string kBoundary = "----pwFormBoundary7MA4YWxkTrZu0gW";

std::string filePart(const std::string& boundary, const std::string& name) {
    return "--" + boundary + "\r\nContent-Disposition: form-data; name=\"sfile\"; filename=\"" + name +
           "\"\r\nContent-Type: text/plain\r\n\r\n";
}

std::string formTail(const std::string& boundary) {
    return "\r\n--" + boundary + "\r\nContent-Disposition: form-data; name=\"btn\"\r\n\r\n上传\r\n--" + boundary +
           "--\r\n";
}

std::string multipart(const std::string& name, const std::string& content, const std::string& boundary = kBoundary) {
    return filePart(boundary, name) + content + formTail(boundary);
}

std::string post(const std::string& path, const std::string& body, const std::string& extraHeaders = {},
                 const std::string& contentType = "multipart/form-data; boundary=" + kBoundary) {
    return "POST " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: " + contentType +
           "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" + extraHeaders + "\r\n" + body;
}

std::string chunked(const std::string& body, size_t chunk) {
    std::string out;
    char line[32];
    for (size_t i = 0; i < body.size(); i += chunk) {
        const size_t n = std::min(chunk, body.size() - i);
        std::snprintf(line, sizeof line, "%zx\r\n", n);
        out += line;
        out += body.substr(i, n);
        out += "\r\n";
    }
    return out + "0\r\n\r\n";
}

std::string postChunked(const std::string& body, size_t chunk) {
    return "POST /upload HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: multipart/form-data; boundary=" + kBoundary +
           "\r\nTransfer-Encoding: chunked\r\n\r\n" + chunked(body, chunk);
}

// Text without CR, so it never looks like a boundary.
std::string letters(size_t n, unsigned seed) {
    std::string s(n, 'a');
    for (size_t i = 0; i < n; ++i)
        s[i] = static_cast<char>('a' + (i * 7 + seed + i / 13) % 26);
    return s;
}

std::string readFile(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

struct UploadServer : ::testing::Test {
    test::TempDir home{"pw-wifi"};
    std::shared_ptr<HTTPServer> server = HTTPServer::create();
    uint16_t port = 0;

    fs::path documents() const { return core::Paths::documents(); }
    fs::path tmp() const { return core::Paths::tmp(); }

    void SetUp() override {
        core::Paths::setHome(home.path());
        ASSERT_TRUE(core::Paths::ensureHome());
        fs::create_directories(home / "site");
        std::ofstream(home / "site" / "s.css") << "body{}";
        SmallDiskConnection::space = UINT64_MAX;
        server->setInterface("127.0.0.1");
        server->setDocumentRoot((home / "site").string());
        server->setConnectionClass([](std::shared_ptr<AsyncTcpSocket> s, std::shared_ptr<HTTPConfig> c) {
            return std::make_shared<SmallDiskConnection>(std::move(s), std::move(c));
        });
        ASSERT_TRUE(server->start());
        port = server->listeningPort();
    }
    void TearDown() override {
        server->stop();
        server.reset();
        core::Paths::setHome({});
    }

    Reply roundTrip(const std::vector<std::string>& pieces) const {
        Client c(port);
        for (const auto& p : pieces)
            c.send(p);
        return c.read();
    }
    std::map<std::string, std::string> stored() const {
        std::map<std::string, std::string> out;
        for (const auto& e : fs::directory_iterator(documents()))
            if (e.is_regular_file())
                out[e.path().filename().string()] = readFile(e.path());
        return out;
    }
    size_t tmpEntries() const { return static_cast<size_t>(std::distance(fs::directory_iterator(tmp()), {})); }
    // The server works on its own queues; a dropped client is noticed shortly.
    bool waitUntilIdle() const {
        for (int i = 0; i < 500; ++i) {
            if (server->numberOfHTTPConnections() == 0 && tmpEntries() == 0)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
};

struct UploadCase {
    const char* what;
    std::vector<std::string> request; // sent piece by piece
    int status;
    std::map<std::string, std::string> files; // Documents afterwards
};

TEST_F(UploadServer, RequestTextsStoreExactlyWhatArrivedAndNothingElse) {
    const std::string book = "第一章\r\n--not the boundary\r\n--" + kBoundary.substr(0, 10) + "x\r\nend";
    const std::string ie = "User-Agent: Mozilla/4.0 (compatible; MSIE 8.0; Windows NT 6.1; Trident/4.0)\r\n";
    const std::string firefox = "User-Agent: Mozilla/5.0 (Windows NT 10.0; rv:120.0) Gecko/20100101 Firefox/120.0\r\n";
    const std::string longName = std::string(252, 'n') + ".txt";
    const std::vector<UploadCase> cases = {
        {"plain", {post("/upload", multipart("a.txt", "hello"))}, 200, {{"a.txt", "hello"}}},
        {"quoted boundary",
         {post("/upload", multipart("q.txt", "quoted", "q b"), {}, "multipart/form-data; boundary=\"q b\"")},
         200,
         {{"q.txt", "quoted"}}},
        {"CRLF -- inside the content", {post("/upload", multipart("c.txt", book))}, 200, {{"c.txt", book}}},
        {"Windows path from the old browser",
         {post("/upload", multipart("C:\\Users\\x\\Desktop\\book.txt", "ie"), ie)},
         200,
         {{"book.txt", "ie"}}},
        {"Windows path from another browser is one name",
         {post("/upload", multipart("C:\\Users\\x\\Desktop\\book.txt", "ff"), firefox)},
         200,
         {{"C:\\Users\\x\\Desktop\\book.txt", "ff"}}},
        {"folders are cut off", {post("/upload", multipart("../../up/evil.txt", "e"))}, 200, {{"evil.txt", "e"}}},
        {"1-byte chunks",
         {postChunked(multipart("one.txt", "chunk by chunk"), 1)},
         200,
         {{"one.txt", "chunk by chunk"}}},
        {"no closing boundary", {post("/upload", filePart(kBoundary, "cut.txt") + "half a book")}, 400, {}},
        {"file part ended but no closing delimiter",
         {post("/upload", filePart(kBoundary, "cut.txt") + "whole?\r\n--" + kBoundary + "\r\nContent-Dispo")},
         400,
         {}},
        {"closing delimiter right after the file",
         {post("/upload", filePart(kBoundary, "f.txt") + "f\r\n--" + kBoundary + "--\r\n")},
         200,
         {{"f.txt", "f"}}},
        {"part head beyond the bound",
         {post("/upload",
               "--" + kBoundary + "\r\nX-Long: " + std::string(20000, 'h') + "\r\n\r\nx" + formTail(kBoundary))},
         400,
         {}},
        {"empty name: no file chosen", {post("/upload", multipart("", "x"))}, 200, {}},
        {"name .", {post("/upload", multipart(".", "x"))}, 400, {}},
        {"name ..", {post("/upload", multipart("..", "x"))}, 400, {}},
        {"name ending in ..", {post("/upload", multipart("a/..", "x"))}, 400, {}},
        {"name ending in /", {post("/upload", multipart("dir/", "x"))}, 400, {}},
        {"NUL in the name", {post("/upload", multipart(std::string("a\0b.txt", 7), "x"))}, 400, {}},
        {"control character in the name",
         {post("/upload", multipart("a\x01"
                                    "b.txt",
                                    "x"))},
         400,
         {}},
        {"name over 255 bytes", {post("/upload", multipart("x" + longName, "x"))}, 400, {}},
        {"name of 255 bytes",
         {post("/upload", multipart(std::string(251, 'n') + ".txt", "ok"))},
         200,
         {{std::string(251, 'n') + ".txt", "ok"}}},
        {"POST elsewhere", {post("/other", multipart("o.txt", "x"))}, 405, {}},
        {"query makes another page", {"GET /upload?x=1 HTTP/1.1\r\nHost: h\r\n\r\n"}, 404, {}},
        {"POST with a query", {post("/upload?x=1", multipart("o.txt", "x"))}, 405, {}},
        {"POST /list takes a body", {post("/list", "k=v", {}, "application/x-www-form-urlencoded")}, 200, {}},
        {"not multipart", {post("/upload", "k=v", {}, "application/x-www-form-urlencoded")}, 200, {}},
        {"head split across pieces",
         {[&] {
              const std::string req = post("/upload", multipart("split.txt", "s"));
              return req.substr(0, req.find("\r\n\r\n") + 4 + 20);
          }(),
          [&] {
              const std::string req = post("/upload", multipart("split.txt", "s"));
              return req.substr(req.find("\r\n\r\n") + 4 + 20);
          }()},
         200,
         {{"split.txt", "s"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (const auto& e : fs::directory_iterator(documents()))
            fs::remove_all(e.path());
        const Reply r = roundTrip(c.request);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(stored(), c.files);
        EXPECT_EQ(tmpEntries(), 0u);
        if (c.status == 200 && c.request[0].find(" /upload ") != std::string::npos) {
            EXPECT_EQ(r.headers.at("server"), "Pagewell");
            for (const auto& [name, content] : c.files)
                EXPECT_NE(r.body.find("<tr><td>" + name + "</td></tr>"), std::string::npos);
        }
    }
}

TEST_F(UploadServer, ClosingBoundarySplitAtEveryOffsetAroundOnePiece) {
    // The body is read in pieces of 32,768 bytes; the terminator starts at
    // every offset from well before to just after the first cut.
    const std::string head = filePart(kBoundary, "x.txt");
    const size_t n = 2 + 2 + kBoundary.size();
    for (size_t start = 32768 - n - 3; start <= 32768 + 3; ++start) {
        SCOPED_TRACE(start);
        fs::remove(documents() / "x.txt");
        const std::string content = letters(start - head.size(), static_cast<unsigned>(start));
        const Reply r = roundTrip({post("/upload", head + content + formTail(kBoundary))});
        ASSERT_EQ(r.status, 200);
        ASSERT_EQ(readFile(documents() / "x.txt"), content);
    }
    EXPECT_EQ(tmpEntries(), 0u);
}

TEST_F(UploadServer, DuplicateNameKeepsTheFirstAndSaysSo) {
    EXPECT_EQ(roundTrip({post("/upload", multipart("a.txt", "first"))}).status, 200);
    const Reply second = roundTrip({post("/upload", multipart("a.txt", "second"))});
    EXPECT_EQ(second.status, 409);
    EXPECT_NE(second.body.find("已有同名文件"), std::string::npos);
    EXPECT_EQ(stored(), (std::map<std::string, std::string>{{"a.txt", "first"}}));
    EXPECT_EQ(tmpEntries(), 0u);
}

TEST_F(UploadServer, BrokenBodiesLeaveNothingBehind) {
    const std::string body = multipart("late.txt", letters(100000, 1));
    {
        // The client goes away in the middle of the file.
        Client c(port);
        const std::string req = post("/upload", body);
        c.send(req.substr(0, req.size() / 2));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_TRUE(waitUntilIdle());
    {
        // A chunk size line that is not one.
        const std::string good = chunked(body.substr(0, 50000), 4096);
        Client c(port);
        c.send("POST /upload HTTP/1.1\r\nHost: h\r\nContent-Type: multipart/form-data; boundary=" + kBoundary +
               "\r\nTransfer-Encoding: chunked\r\n\r\n" + good.substr(0, good.size() - 5) + "zz\r\nabc\r\n");
        EXPECT_EQ(c.read().status, 400);
    }
    EXPECT_TRUE(waitUntilIdle());
    EXPECT_TRUE(stored().empty());
}

TEST_F(UploadServer, UploadsLargerThanTheFreeSpaceAreRefused) {
    SmallDiskConnection::space = 1000;
    const std::string big = multipart("big.txt", letters(5000, 2));
    Reply r = roundTrip({post("/upload", big)});
    EXPECT_EQ(r.status, 507);
    EXPECT_NE(r.body.find("存储空间不足"), std::string::npos);
    // Without a length the limit is found while writing.
    r = roundTrip({postChunked(big, 700)});
    EXPECT_EQ(r.status, 507);
    EXPECT_TRUE(stored().empty());
    EXPECT_EQ(tmpEntries(), 0u);
    // What fits still goes through.
    EXPECT_EQ(roundTrip({post("/upload", multipart("small.txt", "fits"))}).status, 200);
    EXPECT_EQ(readFile(documents() / "small.txt"), "fits");
}

TEST_F(UploadServer, PagesListBooksEscaped) {
    for (const char* name : {"a.txt", "b.UMD", "c.epub", "d.pdf", "<i>&'\".txt", "书 名.txt"})
        std::ofstream(documents() / name) << "x";
    const Reply upload = roundTrip({"GET /upload HTTP/1.1\r\nHost: h\r\n\r\n"});
    EXPECT_EQ(upload.status, 200);
    EXPECT_EQ(upload.headers.at("server"), "Pagewell");
    for (const char* row : {"<td>a.txt</td>", "<td>b.UMD</td>", "<td>c.epub</td>", "<td>书 名.txt</td>",
                            "<td>&lt;i&gt;&amp;&#39;&quot;.txt</td>"})
        EXPECT_NE(upload.body.find(row), std::string::npos) << row;
    EXPECT_EQ(upload.body.find("d.pdf"), std::string::npos);
    EXPECT_EQ(upload.body.find("<i>"), std::string::npos);
    EXPECT_EQ(upload.body.rfind("<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\"", 0), 0u);
    EXPECT_NE(upload.body.find("<input id='newfile' name='sfile' size='40' type='file' />"), std::string::npos);

    const Reply list = roundTrip({"GET /list HTTP/1.1\r\nHost: h\r\n\r\n"});
    EXPECT_EQ(list.status, 200);
    EXPECT_EQ(list.headers.count("server"), 0u);
    EXPECT_NE(list.body.find("<link href='s.css' rel='stylesheet' type='text/css' />"), std::string::npos);
    EXPECT_NE(list.body.find("<td>c.epub</td>"), std::string::npos);
    EXPECT_EQ(list.body.find("<form"), std::string::npos);

    EXPECT_EQ(roundTrip({"GET /s.css HTTP/1.1\r\nHost: h\r\n\r\n"}).body, "body{}");
}

TEST(RZHTTPConnectionNames, StoredNames) {
    const std::string ie = "Mozilla/4.0 (compatible; MSIE 7.0; Windows NT 5.1; .NET)";
    struct Row {
        std::string sent, agent;
        std::optional<std::string> stored;
    };
    const std::vector<Row> rows = {
        {"book.txt", "", "book.txt"},
        {"\\\\server\\share\\b.txt", ie, "b.txt"},
        {"C:\\a\\b.txt", "curl/8", "C:\\a\\b.txt"},
        {"/abs/path/c.umd", "", "c.umd"},
        {"..", "", std::nullopt},
        {"C:\\a\\..", ie, std::nullopt},
        {"tab\there", "", std::nullopt},
        {"del\x7f", "", std::nullopt},
    };
    for (const auto& r : rows)
        EXPECT_EQ(RZHTTPConnection::storedFileName(r.sent, r.agent), r.stored) << r.sent;
    EXPECT_EQ(RZHTTPConnection::boundaryOfContentType("Multipart/Form-Data; charset=x; boundary=\"ab c\""), "--ab c");
    EXPECT_EQ(RZHTTPConnection::boundaryOfContentType("text/plain; boundary=x"), std::nullopt);
    EXPECT_EQ(RZHTTPConnection::escapeHTML("plain 书.txt"), "plain 书.txt");
}

} // namespace

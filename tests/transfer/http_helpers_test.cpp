#include "transfer/http/HTTPAsyncFileResponse.h"
#include "transfer/http/HTTPAuthenticationRequest.h"
#include "transfer/http/HTTPConfig.h"
#include "transfer/http/HTTPConnection.h"
#include "transfer/http/HTTPDataResponse.h"
#include "transfer/http/HTTPFileResponse.h"
#include "transfer/http/HTTPMessage.h"
#include "transfer/http/HTTPRedirectResponse.h"
#include "transfer/http/WSData.h"
#include "transfer/http/WSNumber.h"
#include "transfer/http/WSRange.h"
#include "transfer/http/WebSocket.h"

#include "platform/core/DispatchSource.h"
#include "platform/core/RandomId.h"
#include "transfer/log/WSAbstractLogger.h"
#include "transfer/log/WSLog.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <mutex>
#include <thread>
#include <vector>
#include <filesystem>
#include <fstream>

using namespace pw;
namespace fs = std::filesystem;

TEST(WSNumber, ParsesLikeTheStandardConversion) {
    struct Case {
        std::optional<std::string> text;
        bool ok;
        uint64_t value;
    } cases[] = {
        {"1024", true, 1024}, {" 7", true, 7},   {"12abc", true, 12},      {"18446744073709551616", false, UINT64_MAX},
        {"", false, 0},       {"abc", false, 0}, {std::nullopt, false, 0}, {"-1", true, UINT64_MAX},
    };
    for (auto& c : cases) {
        uint64_t v = 99;
        EXPECT_EQ(WSNumber::parseStringIntoUInt64(c.text, &v), c.ok) << c.text.value_or("(none)");
        EXPECT_EQ(v, c.value) << c.text.value_or("(none)");
    }
    int32_t i32 = 0;
    EXPECT_FALSE(WSNumber::parseStringIntoNSInteger(std::string("3000000000"), &i32));
    EXPECT_EQ(i32, INT32_MAX);
    // The 32-bit parsers: past the type's range (even past 64 bits) is an
    // error with the type's limit; "-n" wraps in 32 bits.
    struct Case32 {
        const char* text;
        bool ok;
        int64_t value;
    };
    const Case32 signedCases[] = {
        {"-2147483648", true, INT32_MIN},           {"2147483647", true, INT32_MAX},
        {"-2147483649", false, INT32_MIN},          {"99999999999999999999", false, INT32_MAX},
        {"-99999999999999999999", false, INT32_MIN}, {" +12x", true, 12},
    };
    for (auto& c : signedCases) {
        int32_t got = 7;
        EXPECT_EQ(WSNumber::parseStringIntoNSInteger(std::string(c.text), &got), c.ok) << c.text;
        EXPECT_EQ(got, c.value) << c.text;
    }
    const Case32 unsignedCases[] = {
        {"4294967295", true, UINT32_MAX},          {"4294967296", false, UINT32_MAX},
        {"18446744073709551616", false, UINT32_MAX}, {"-1", true, UINT32_MAX},
        {"-4294967295", true, 1},                  {"-4294967296", false, UINT32_MAX},
        {"abc", false, 0},
    };
    for (auto& c : unsignedCases) {
        uint32_t got = 7;
        EXPECT_EQ(WSNumber::parseStringIntoNSUInteger(std::string(c.text), &got), c.ok) << c.text;
        EXPECT_EQ(got, static_cast<uint32_t>(c.value)) << c.text;
    }
    int64_t i64 = 0;
    EXPECT_TRUE(WSNumber::parseStringIntoSInt64(std::string("-42"), &i64));
    EXPECT_EQ(i64, -42);
    // The strict form used for protocol fields.
    uint64_t v = 0;
    EXPECT_TRUE(WSNumber::parseDigitsIntoUInt64("0012", &v));
    EXPECT_EQ(v, 12u);
    for (const char* bad : {"", " 1", "1 ", "+1", "-1", "1x", "18446744073709551616"})
        EXPECT_FALSE(WSNumber::parseDigitsIntoUInt64(bad, &v)) << bad;
}

TEST(WSData, HexBase64AndDigests) {
    EXPECT_EQ(WSData::hexStringValue(std::string("\x00\xAB", 2)), "00ab");
    struct Case {
        const char* in;
        const char* out;
    } decodes[] = {{"QUJD", "ABC"}, {"QUI=", "AB"},    {"QQ==", "A"},
                   {"QUI", ""},     {"QU\nJD", "ABC"}, {"QUJD=QUJD", "ABC"}};
    for (auto& c : decodes)
        EXPECT_EQ(WSData::base64Decoded(c.in), c.out) << c.in;
    for (std::string s : {"", "A", "AB", "ABC", "ABCD", "hello world!"})
        EXPECT_EQ(WSData::base64Decoded(WSData::base64Encoded(s)), s);
    EXPECT_EQ(WSData::base64Encoded("AB"), "QUI=");
    EXPECT_EQ(WSData::hexStringValue(WSData::md5Digest("")), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(WSData::hexStringValue(WSData::sha1Digest("abc")), "a9993e364706816aba3e25717850c26c9cd0d89d");
}

TEST(WSRange, IntersectsAndOrders) {
    EXPECT_EQ(WSIntersectionRange({0, 10}, {5, 10}), (WSRange{5, 5}));
    EXPECT_EQ(WSIntersectionRange({0, 5}, {5, 5}), (WSRange{5, 0}));
    EXPECT_EQ(WSIntersectionRange({0, 4}, {5, 5}), (WSRange{0, 0}));
    EXPECT_EQ((WSRange{1, 5}).wsrangeCompare({2, 1}), -1);
    EXPECT_EQ((WSRange{2, 5}).wsrangeCompare({2, 1}), 1);
    EXPECT_EQ((WSRange{2, 1}).wsrangeCompare({2, 1}), 0);
}

TEST(HTTPMessage, ParsesHeadsAndRefusesWhatIsNotOne) {
    auto m = HTTPMessage::emptyRequest();
    EXPECT_TRUE(m.appendData("GET /a?b=1 HTTP/1.1\r\n"));
    EXPECT_TRUE(m.appendData("Content-Length: 12\r\n"));
    EXPECT_FALSE(m.isHeaderComplete());
    EXPECT_TRUE(m.appendData("\r\n"));
    EXPECT_TRUE(m.isHeaderComplete());
    EXPECT_EQ(m.method(), "GET");
    EXPECT_EQ(m.url(), "/a?b=1");
    EXPECT_EQ(m.version(), "HTTP/1.1");
    EXPECT_EQ(m.headerField("content-length"), "12");
    EXPECT_FALSE(m.headerField("Host").has_value());
    for (const char* bad :
         {"GET\r\n", "GET /a\r\n", "GET /a HTTP/x\r\n", "G\x01T /a HTTP/1.1\r\n", "GET /a b HTTP/1.1\r\n"}) {
        auto r = HTTPMessage::emptyRequest();
        EXPECT_FALSE(r.appendData(bad)) << bad;
    }
    auto folded = HTTPMessage::emptyRequest();
    EXPECT_TRUE(folded.appendData("GET / HTTP/1.1\r\n"));
    EXPECT_FALSE(folded.appendData(" folded\r\n"));

    auto resp = HTTPMessage::response(404);
    resp.setHeaderField("Content-Length", "0");
    resp.setHeaderField("content-length", "1"); // replaces, whatever the case
    EXPECT_EQ(resp.messageData(), "HTTP/1.1 404 Not Found\r\nContent-Length: 1\r\n\r\n");
    EXPECT_EQ(HTTPMessage::response(206).messageData().substr(0, 28), "HTTP/1.1 206 Partial Content");
}

TEST(HTTPConnectionHelpers, QueryParametersDatesAndChunkLines) {
    auto params = HTTPConnection::parseParams("a=1&a=2&e=&&noeq&=x&sp=%E4%B8%AD+b&bad=%FF");
    EXPECT_EQ(params.size(), 4u);
    EXPECT_EQ(params["a"], "2");
    EXPECT_EQ(params["e"], "");
    EXPECT_EQ(params["sp"], "\xE4\xB8\xAD+b");
    EXPECT_FALSE(params["bad"].has_value()); // not UTF-8: stored as nothing
    EXPECT_EQ(HTTPConnection::dateAsString(1796800427), "Wed, 09 Dec 2026 07:13:47 GMT");
    EXPECT_EQ(HTTPConnection::chunkedTransferSizeLineForLength(40000), "9c40\r\n");
    EXPECT_EQ(HTTPConnection::chunkedTransferFooter(), "\r\n0\r\n\r\n");
    EXPECT_EQ(HTTPConfig::standardizePath("/a/./b/../c/"), "/a/c");
    EXPECT_EQ(HTTPConfig::standardizePath("/../a"), "/a");
    auto id = core::RandomId::uuidString();
    EXPECT_EQ(id.size(), 36u);
    EXPECT_EQ(id[8], '-');
    EXPECT_EQ(id.find_first_of("abcdef"), std::string::npos);
}

TEST(HTTPAuthentication, ParsesAuthorizationFieldsByExactParameterNames) {
    auto req = HTTPMessage::emptyRequest();
    req.appendData("GET / HTTP/1.1\r\nAuthorization: Digest username=\"a\", cnonce=\"C\", nonce=\"N\", uri=\"/\", "
                   "qop=auth, nc=00000001, response=\"R\"\r\n\r\n");
    HTTPAuthenticationRequest auth(req);
    EXPECT_TRUE(auth.isDigest());
    EXPECT_EQ(auth.nonce(), "N");
    EXPECT_EQ(auth.cnonce(), "C");
    EXPECT_EQ(auth.nc(), "00000001");
    EXPECT_EQ(auth.qop(), "auth");
    EXPECT_EQ(auth.response(), "R");
    EXPECT_FALSE(auth.realm().has_value());
    // Only cnonce present: no nonce is found inside it.
    EXPECT_FALSE(HTTPAuthenticationRequest::quotedSubHeaderFieldValue("nonce", "cnonce=\"C\"").has_value());
    EXPECT_EQ(HTTPAuthenticationRequest::nonquotedSubHeaderFieldValue("nc", "nc=1"), "1");
    EXPECT_FALSE(HTTPAuthenticationRequest::nonquotedSubHeaderFieldValue("nc", "nc=1 x").has_value());

    auto basic = HTTPMessage::emptyRequest();
    basic.appendData("GET / HTTP/1.1\r\nAuthorization: Basic\r\n\r\n");
    HTTPAuthenticationRequest none(basic);
    EXPECT_FALSE(none.isBasic());
    EXPECT_FALSE(none.isDigest());

    EXPECT_TRUE(HTTPConnection::isRecentNonce(HTTPConnection::generateNonce()));
    EXPECT_FALSE(HTTPConnection::isRecentNonce("never-issued"));
    auto taken = HTTPConnection::generateNonce();
    HTTPConnection::removeRecentNonce(taken);
    EXPECT_FALSE(HTTPConnection::isRecentNonce(taken));
}

TEST(HTTPResponses, DataFileAndRedirect) {
    HTTPDataResponse data("0123456789");
    EXPECT_EQ(data.readDataOfLength(4), "0123");
    EXPECT_EQ(data.readDataOfLength(4), "4567");
    EXPECT_EQ(data.readDataOfLength(4), "89");
    EXPECT_TRUE(data.isDone());

    char tmpl[] = "/tmp/pw-resp-XXXXXX";
    fs::path dir = ::mkdtemp(tmpl);
    std::string thousand(1000, 'x');
    for (size_t i = 0; i < thousand.size(); ++i)
        thousand[i] = static_cast<char>('a' + i % 26);
    std::ofstream(dir / "f.bin") << thousand;
    std::ofstream(dir / "empty").flush();
    auto file = HTTPFileResponse::create((dir / "f.bin").string(), {});
    ASSERT_TRUE(file);
    EXPECT_EQ(file->contentLength(), 1000u);
    file->setOffset(100);
    EXPECT_EQ(file->readDataOfLength(2000), thousand.substr(100));
    EXPECT_TRUE(file->isDone());
    auto empty = HTTPFileResponse::create((dir / "empty").string(), {});
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->contentLength(), 0u);
    EXPECT_TRUE(empty->isDone());
    EXPECT_FALSE(HTTPFileResponse::create((dir / "missing").string(), {}));
    EXPECT_FALSE(HTTPFileResponse::create(std::nullopt, {}));
    // A file deleted after the response was made: the read gives up.
    auto gone = HTTPFileResponse::create((dir / "f.bin").string(), {});
    fs::remove(dir / "f.bin");
    EXPECT_EQ(gone->readDataOfLength(10), "");
    EXPECT_FALSE(gone->isDone());
    fs::remove_all(dir);

    HTTPRedirectResponse redirect("/upload");
    EXPECT_EQ(redirect.status(), 302);
    EXPECT_EQ(redirect.httpHeaders(), (std::vector<std::pair<std::string, std::string>>{{"Location", "/upload"}}));
    EXPECT_TRUE(redirect.isDone());
}

TEST(WebSocket, RecognisesUpgradeRequestsAndProcessesKeys) {
    auto req = HTTPMessage::emptyRequest();
    req.appendData("GET /ws HTTP/1.1\r\nUpgrade: websocket\r\nConnection: upgrade\r\n\r\n");
    EXPECT_TRUE(WebSocket::isWebSocketRequest(req));
    EXPECT_FALSE(WebSocket::isVersion76Request(req));
    auto plain = HTTPMessage::emptyRequest();
    plain.appendData("GET / HTTP/1.1\r\nConnection: upgrade\r\n\r\n");
    EXPECT_FALSE(WebSocket::isWebSocketRequest(plain));
    EXPECT_EQ(WebSocket::processKey("1 2 3"), std::string("\x00\x00\x00\x3D", 4));
    EXPECT_EQ(WebSocket::processKey("12"), std::string(4, '\0'));
    EXPECT_FALSE(WebSocket::create(std::nullopt, nullptr));
}

namespace {
struct CollectingLogger : WSAbstractLogger {
    std::mutex mutex;
    std::vector<std::string> lines;
    void logMessage(const WSLogMessage& m) override {
        std::lock_guard lock(mutex);
        lines.push_back(m.logMsg());
    }
};
} // namespace

TEST(HTTPResponses, FileResponsesThatCannotBeMadeWarnWithTheirUnitsName) {
    auto logger = std::make_shared<CollectingLogger>();
    WSLog::addLogger(logger);
    const std::string missing = "/tmp/pw-no-such-file-here.bin";
    EXPECT_FALSE(HTTPFileResponse::create(std::nullopt, {}));
    EXPECT_FALSE(HTTPFileResponse::create(missing, {}));
    EXPECT_FALSE(HTTPAsyncFileResponse::create(std::nullopt, {}));
    EXPECT_FALSE(HTTPAsyncFileResponse::create(missing, {}));
    WSLog::flushLog();
    WSLog::loggingQueue()->sync([] {});
    WSLog::removeLogger(logger);
    WSLog::loggingQueue()->sync([] {});
    const std::vector<std::string> expected = {
        "HTTPFileResponse: Init failed - Nil filePath",
        "HTTPFileResponse: Init failed - Unable to get file attributes. filePath: " + missing,
        "HTTPAsyncFileResponse: Init failed - Nil filePath",
        "HTTPAsyncFileResponse: Init failed - Unable to get file attributes. filePath: " + missing,
    };
    std::lock_guard lock(logger->mutex);
    EXPECT_EQ(logger->lines, expected);
}

TEST(HTTPResponses, AsyncFileReadsThroughAReadSourceThatEndsWithTheConnection) {
    char tmpl[] = "/tmp/pw-async-XXXXXX";
    fs::path dir = ::mkdtemp(tmpl);
    std::string content(5000, 'q');
    content[4999] = 'z';
    std::ofstream(dir / "f.bin", std::ios::binary) << content;
    const int before = core::DispatchSource::liveSourceCount();
    auto response = HTTPAsyncFileResponse::create((dir / "f.bin").string(), {});
    ASSERT_TRUE(response);
    EXPECT_EQ(core::DispatchSource::liveSourceCount(), before); // not opened yet
    response->setOffset(1000);
    EXPECT_EQ(core::DispatchSource::liveSourceCount(), before + 1);
    std::string got;
    // The reads and the source's cancel run on dispatch queues, which a busy
    // machine may keep waiting for seconds: wait up to ten.
    for (int i = 0; i < 5000 && got.size() < 4000; ++i) {
        got += response->readDataOfLength(1500);
        if (got.size() < 4000)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_EQ(got, content.substr(1000));
    EXPECT_TRUE(response->isDone());
    response->connectionDidClose();
    for (int i = 0; i < 5000 && core::DispatchSource::liveSourceCount() > before; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_EQ(core::DispatchSource::liveSourceCount(), before);
    fs::remove_all(dir);
}

namespace {
// Lets a test deliver a read event late, as the read source may when a resume
// from the connection's queue races with a read that already ran.
struct LateEventFileResponse : HTTPAsyncFileResponse {
    LateEventFileResponse(std::string path, uint64_t length) : HTTPAsyncFileResponse(std::move(path), length, {}) {}
    bool dataWaiting() {
        std::lock_guard lock(m_mutex);
        return m_data && !m_data->empty();
    }
    void deliverLateEvent() {
        m_readQueue->sync([this] { readOnQueue(); });
    }
};
} // namespace

TEST(HTTPResponses, AReadEventArrivingBeforeTheLastReadIsTakenLosesNothing) {
    char tmpl[] = "/tmp/pw-async-XXXXXX";
    fs::path dir = ::mkdtemp(tmpl);
    std::string content;
    for (int i = 0; i < 4000; ++i)
        content += static_cast<char>('a' + i % 26);
    std::ofstream(dir / "f.bin", std::ios::binary) << content;
    auto response = std::make_shared<LateEventFileResponse>((dir / "f.bin").string(), content.size());
    response->setOffset(0);
    EXPECT_EQ(response->readDataOfLength(1500), "");
    for (int i = 0; i < 5000 && !response->dataWaiting(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ASSERT_TRUE(response->dataWaiting());
    response->deliverLateEvent();
    std::string got;
    for (int i = 0; i < 5000 && got.size() < content.size(); ++i) {
        got += response->readDataOfLength(1500);
        if (got.size() < content.size())
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_EQ(got, content);
    EXPECT_TRUE(response->isDone());
    response->connectionDidClose();
    fs::remove_all(dir);
}

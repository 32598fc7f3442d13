#include "NetTest.h"

#include "network/RQFormDataRequest.h"

#include <fstream>

using namespace pw;
using namespace pw::test;
using fakesite::RawRequest;
using fakesite::RawServer;

class FormTest : public NetTest {};

TEST_F(FormTest, UrlEncodedValuesByteForByte) {
    RawServer server([](const RawRequest&) { return ok("ok"); });
    auto r = RQFormDataRequest::requestWithURL(server.url("/api/buy"));
    r->addPostValue("1", "a");
    r->addPostValue("x y&z", "b");
    r->addPostValue("old", "c");
    r->addPostValue("older", "c");
    r->setPostValue(42, "c"); // replaces both, goes to the end
    r->startSynchronous();
    ASSERT_FALSE(r->error());
    auto req = server.requests().at(0);
    EXPECT_EQ(req.method, "POST");
    EXPECT_EQ(req.body, "a=1&b=x%20y%26z&c=42");
    EXPECT_EQ(req.header("Content-Type"), "application/x-www-form-urlencoded; charset=utf-8");
    EXPECT_EQ(req.header("Content-Length"), "20");
}

TEST_F(FormTest, AFormWithoutValuesIsAnEmptyPost) {
    RawServer server([](const RawRequest&) { return ok("ok"); });
    auto r = RQFormDataRequest::requestWithURL(server.url("/empty"));
    r->startSynchronous();
    auto req = server.requests().at(0);
    EXPECT_EQ(req.method, "POST");
    EXPECT_FALSE(req.header("Content-Type"));
    EXPECT_EQ(req.body, "");
}

TEST_F(FormTest, MultipartLayoutWithValuesFilesAndData) {
    RawServer server([](const RawRequest&) { return ok("ok"); });
    std::ofstream(path("book.txt"), std::ios::binary) << "chapter one";
    auto r = RQFormDataRequest::requestWithURL(server.url("/upload"));
    r->addPostValue("v", "k");
    r->addFile(path("book.txt"), "sfile");
    r->addData(std::string("\x00\x01\x02", 3), "blob");
    r->startSynchronous();
    ASSERT_FALSE(r->error()) << r->error()->localizedDescription;
    const std::string b = r->boundary();
    ASSERT_EQ(b.rfind("0xKhTmLbOuNdArY-", 0), 0u);
    auto req = server.requests().at(0);
    EXPECT_EQ(req.header("Content-Type"), "multipart/form-data; charset=utf-8; boundary=" + b);
    std::string expected = "--" + b +
                           "\r\n"
                           "Content-Disposition: form-data; name=\"k\"\r\n\r\n"
                           "v"
                           "\r\n--" +
                           b +
                           "\r\n"
                           "Content-Disposition: form-data; name=\"sfile\"; filename=\"book.txt\"\r\n"
                           "Content-Type: text/plain\r\n\r\n"
                           "chapter one"
                           "\r\n--" +
                           b +
                           "\r\n"
                           "Content-Disposition: form-data; name=\"blob\"; filename=\"file\"\r\n"
                           "Content-Type: application/octet-stream\r\n\r\n" +
                           std::string("\x00\x01\x02", 3) + "\r\n--" + b + "--\r\n";
    EXPECT_EQ(req.body, expected);
    EXPECT_EQ(req.header("Content-Length"), std::to_string(expected.size()));
    // The body went through a temporary file of the engine's, removed when done.
    EXPECT_TRUE(r->postBodyFilePath().empty());
}

TEST_F(FormTest, OneValueWithoutFilesHasNoSeparatorBeforeTheClose) {
    RawServer server([](const RawRequest&) { return ok("ok"); });
    auto r = RQFormDataRequest::requestWithURL(server.url("/m"));
    r->setPostFormat(RQFormDataRequest::MultipartFormDataPostFormat);
    r->addPostValue("v", "k");
    r->startSynchronous();
    const std::string b = r->boundary();
    EXPECT_EQ(server.requests().at(0).body,
              "--" + b + "\r\nContent-Disposition: form-data; name=\"k\"\r\n\r\nv\r\n--" + b + "--\r\n");
}

TEST_F(FormTest, AMissingFileFailsTheRequestBeforeItRuns) {
    RawServer server([](const RawRequest&) { return ok("ok"); });
    auto r = RQFormDataRequest::requestWithURL(server.url("/u"));
    r->addFile(path("nothing-here"), "f");
    ASSERT_TRUE(r->error());
    EXPECT_EQ(r->error()->code, RQInternalErrorWhileBuildingRequestType);
    EXPECT_EQ(r->error()->localizedDescription, "No file exists at " + path("nothing-here"));
    r->startSynchronous();
    EXPECT_EQ(server.requestCount(), 0u);
}

// A copy carries the caller's setup of the base request as well as the form,
// and sends the same form again even after the original sent it.
TEST_F(FormTest, ACopyCarriesTheBaseSetupAndSendsTheSameForm) {
    RawServer server([](const RawRequest&) { return ok("ok"); });
    auto delegate = std::make_shared<RecordingDelegate>();
    auto indicator = std::make_shared<RQProgressDelegate>();
    for (bool multipart : {false, true}) {
        auto r = RQFormDataRequest::requestWithURL(server.url("/form"));
        r->addPostValue("1", "a");
        if (multipart)
            r->addData("bytes", "b");
        r->addRequestHeader("X-Caller", "yes");
        r->setUsername("ann");
        r->setPassword("secret");
        r->setUserInfo({{"book", std::any(7)}});
        r->setTag(5);
        r->setDelegate(delegate);
        r->setDownloadProgressDelegate(indicator);
        r->setTimeOutSeconds(3);
        r->startSynchronous();
        ASSERT_FALSE(r->error());
        auto c = std::dynamic_pointer_cast<RQFormDataRequest>(r->copy());
        ASSERT_TRUE(c);
        r.reset(); // the original goes, with any temporary body file it made
        EXPECT_EQ(c->requestHeader("X-Caller"), "yes") << multipart;
        EXPECT_EQ(c->username(), "ann");
        EXPECT_EQ(c->password(), "secret");
        EXPECT_EQ(std::any_cast<int>(c->userInfo().at("book")), 7);
        EXPECT_EQ(c->tag(), 5);
        EXPECT_EQ(c->delegate(), delegate);
        EXPECT_EQ(c->downloadProgressDelegate(), indicator);
        EXPECT_EQ(c->timeOutSeconds(), 3);
        c->startSynchronous();
        ASSERT_FALSE(c->error()) << multipart << " " << c->error()->localizedDescription;
        auto sent = server.requests();
        ASSERT_GE(sent.size(), 2u);
        EXPECT_EQ(sent[sent.size() - 1].body.size(), sent[sent.size() - 2].body.size()) << multipart;
        EXPECT_EQ(sent.back().header("X-Caller"), "yes");
    }
}

#include "site/BookContentDownloader.h"
#include "site/CheckLoginWithInfo.h"
#include "site/IGetBookInfo.h"
#include "site/RZHTTPRequest.h"
#include "site/SiteAnswer.h"

#include "platform/core/Text.h"

#include <gtest/gtest.h>

namespace pw {
namespace {

TEST(SiteAnswer, CleaningTouchesControlCharactersInsideStringsOnly) {
    struct Case {
        std::string in, out;
    };
    const Case cases[] = {
        // A pretty-printed answer keeps its blanks between values.
        {"{\n\t\"a\": 1,\r\n  \"b\": [1, 2]\n}", "{\n\t\"a\": 1,\r\n  \"b\": [1, 2]\n}"},
        {"{\"n\":\"line\none\ttab\"}", "{\"n\":\"line\\uFFFDone\\uFFFDtab\"}"},
        // Escaped quotes and backslashes do not end the string early.
        {"{\"n\":\"a\\\"b\x01\\\\\",\n\"m\":\"\x1f\"}", "{\"n\":\"a\\\"b\\uFFFD\\\\\",\n\"m\":\"\\uFFFD\"}"},
        // A backslash directly before a control character.
        {"[\"a\\\x02\"]", "[\"a\\uFFFD\"]"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SiteAnswer::cleanControlCharacters(c.in), c.out) << c.in;

    auto v = SiteAnswer::parseCleaned("{\n  \"name\": \"第一\n章\",\n  \"ret\": 0\n}");
    ASSERT_TRUE(v);
    EXPECT_EQ((*v)["name"].asString(), "第一\xEF\xBF\xBD章");
    EXPECT_EQ((*v)["ret"].asInt(), 0);
    EXPECT_FALSE(SiteAnswer::parseCleaned("<html>error</html>"));
}

TEST(SiteAnswer, TokensAreUrlSafeBase64WithPlusWrittenEscaped) {
    EXPECT_EQ(BookContentDownloader::vipToken(100, 200, "X"), "MTAwfDIwMHxY");
    EXPECT_EQ(BookContentDownloader::vipToken(100, 200, "~~>"), "MTAwfDIwMHx%2bfj4=");
    EXPECT_EQ(BookContentDownloader::vipToken(100, 200, "dev?>"), "MTAwfDIwMHxkZXY_Pg==");
    // 64-bit ids go in whole.
    EXPECT_EQ(BookContentDownloader::vipToken(3000000005, 6000000001, ">>>"), "MzAwMDAwMDAwNXw2MDAwMDAwMDAxfD4%2bPg==");
    EXPECT_EQ(SiteAnswer::queryValue("a b&c=d/读"), "a%20b%26c%3Dd%2F%E8%AF%BB");
}

TEST(SiteAnswer, FreeChapterPathsAndTexts) {
    EXPECT_EQ(BookContentDownloader::freeChapterPath(17, 300), "/Author2/17/300.txt");
    EXPECT_EQ(BookContentDownloader::freeChapterPath(3000000005, 6000000001), "/Author6/3000000005/6000000001.txt");

    auto gb = [](const std::string& utf8) { return *core::text::encodeFromUtf8(utf8, "GB18030"); };
    struct Case {
        std::string file;
        std::optional<std::string> text;
    };
    const Case cases[] = {
        {gb("document.write('第一段<p>第二段<p><p>');"), "第一段\n第二段\n\n"},
        {gb("document.write('');"), ""},
        {gb("document.write('段落');\r\n"), "段落"},
        // Not a chapter file: an error page, a file cut off, the bare opening.
        {"<html><body>404 Not Found</body></html>", std::nullopt},
        {gb("document.write('第一段<p>第二"), std::nullopt},
        {"document.write('", std::nullopt},
        // Bytes that are not GB18030.
        {"document.write('\x81\x20');", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BookContentDownloader::freeChapterText(c.file), c.text) << c.file;
}

TEST(SiteAnswer, LoginCheckAnswerUserIds) {
    struct Case {
        std::string answer, userId;
    };
    const Case cases[] = {
        {"var loginInfo = {userId:'123456',isLogin:true};", "123456"},
        {"{userId:'0'}", "0"},
        {"{userId:''}", "0"}, // empty: nobody
        {"{userId:'000'}", "0"},
        {"{userId:'12a'} {userId:'77'}", "77"}, // the first complete match
        {"{userId:'5'} {userId:'6'}", "5"},
        {"<html>error</html>", "0"},
        {"", "0"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CheckLoginWithInfo::userIdFromAnswer(c.answer), c.userId) << c.answer;
}

TEST(SiteAnswer, ProgressTextInBytesOrKilobytes) {
    EXPECT_EQ(IGetBookInfo::progressText(500, 800), "500B/800B");
    EXPECT_EQ(IGetBookInfo::progressText(1500, 50000), "1kB/50kB");
    EXPECT_EQ(IGetBookInfo::progressText(1000, 50000), "1000B/50000B");
}

TEST(SiteAnswer, CallbackPairAnswersOnlyALiveReceiver) {
    auto request = RZHTTPRequest::requestWithURL("http://127.0.0.1:1/");
    int calls = 0;
    EXPECT_FALSE(request->answer(core::Value(1))); // nothing set
    request->setASelector([&](const core::Value&) { ++calls; });
    EXPECT_FALSE(request->answer(core::Value(1))); // no receiver
    {
        auto receiver = std::make_shared<int>(0);
        request->setTarget(receiver);
        EXPECT_TRUE(request->answer(core::Value(1)));
    }
    EXPECT_FALSE(request->answer(core::Value(1))); // the receiver is gone
    EXPECT_EQ(calls, 1);
    std::string id = "42";
    request->setUserId(id);
    id += "0";
    EXPECT_EQ(request->userId(), "42");
}

} // namespace
} // namespace pw

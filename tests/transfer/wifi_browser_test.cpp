// A real browser uploads a book through the pages: Debian's chromium, driven
// headless by puppeteer-core, against the server with the bundle's site.
#include "platform/core/Paths.h"
#include "transfer/http/HTTPServer.h"
#include "transfer/wifi/RZHTTPConnection.h"

#include "support/PoetryBooks.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>

using namespace pw;
namespace fs = std::filesystem;

namespace {

std::string readFile(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

std::string quoted(const std::string& s) {
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

TEST(WifiBrowser, ChromiumUploadsAGb18030BookThroughThePages) {
    test::TempDir made("pw-wifi-novel");
    std::string problem;
    ASSERT_TRUE(test::writeLongPoetryBook(made.path() / "long.txt", "GB18030", &problem)) << problem;
    const std::string novel = readFile(made.path() / "long.txt");
    ASSERT_GT(novel.size(), 1000000u);
    std::string book;
    while (book.size() < 5 * 1000 * 1000)
        book += novel;

    test::TempDir home("pw-wifi-browser");
    core::Paths::setHome(home.path());
    ASSERT_TRUE(core::Paths::ensureHome());
    const fs::path upload = home / "红楼梦.txt";
    test::TempDir outside("pw-wifi-book");
    const std::string source = outside.write("红楼梦.txt", book);

    auto server = HTTPServer::create();
    server->setInterface("127.0.0.1");
    server->setDocumentRoot(core::Paths::resource("RZHttpServerSite").string());
    server->setConnectionClass([](std::shared_ptr<AsyncTcpSocket> s, std::shared_ptr<HTTPConfig> c) {
        return std::make_shared<RZHTTPConnection>(std::move(s), std::move(c));
    });
    ASSERT_TRUE(server->start());
    const std::string base = "http://127.0.0.1:" + std::to_string(server->listeningPort());

    fs::create_directories(PW_ARTIFACTS_DIR);
    const std::string shot = std::string(PW_ARTIFACTS_DIR) + "/upload-page.png";
    const std::string log = (home / "node.log").string();
    const std::string cmd = "PUPPETEER_SKIP_DOWNLOAD=1 NODE_PATH=" + quoted(PW_NODE_MODULES) + " node " +
                            quoted(PW_BROWSER_SCRIPT) + " " + quoted(base) + " " + quoted(source) + " " + quoted(shot) +
                            " > " + quoted(log) + " 2>&1";
    const int status = std::system(cmd.c_str());
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    const std::string output = readFile(log);
    server->stop();
    core::Paths::setHome({});
    if (code == 77)
        GTEST_SKIP() << output;
    ASSERT_EQ(code, 0) << output;
    const fs::path stored = home / "Documents" / "红楼梦.txt";
    ASSERT_TRUE(fs::exists(stored)) << output;
    EXPECT_TRUE(readFile(stored) == book) << "the stored bytes differ from the chosen file";
    EXPECT_TRUE(fs::is_empty(home / "tmp"));
    EXPECT_TRUE(fs::exists(shot));
}

} // namespace

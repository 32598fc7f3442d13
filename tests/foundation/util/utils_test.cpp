#include "foundation/util/Utils.h"

#include "platform/core/Paths.h"
#include "platform/gfx/Image.h"
#include "platform/ui/TableView.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

class UtilsPaths : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(m_home.empty());
        pw::core::Paths::setHome(m_home);
    }
    void TearDown() override { pw::core::Paths::setHome({}); }
    std::string at(const char* rel) const { return (m_home / rel).string(); }

    pw::test::TempDir m_dir{"pw-utils"};
    fs::path m_home{m_dir.path()};
};

TEST(Utils, LittleEndianReadsAtAnyOffset) {
    const std::vector<std::uint8_t> b = {0xFF, 0xFF, 0x34, 0x12, 0x78, 0x56, 0x34, 0x12, 0x00};
    struct Row {
        std::size_t offset;
        int int16;
    };
    EXPECT_EQ(pw::ToInt16(b, 0), -1);
    EXPECT_EQ(pw::ToInt16(b, 2), 0x1234);
    EXPECT_EQ(pw::ToInt16(b, 1), static_cast<std::int16_t>(0x34FF));
    EXPECT_EQ(pw::ToInt32(b, 4), 0x12345678);
    const std::vector<std::uint8_t> odd = {0x00, 0x78, 0x56, 0x34, 0x12};
    EXPECT_EQ(pw::ToInt32(odd, 1), 0x12345678);
    EXPECT_EQ(pw::ToInt32(b, 0), static_cast<std::int32_t>(0x1234FFFF));
    const std::vector<std::uint8_t> negative = {0x00, 0x00, 0x00, 0x80};
    EXPECT_EQ(pw::ToInt32(negative, 0), std::numeric_limits<std::int32_t>::min());
    // Reading past the end is the caller's fault, not a silent overrun.
    EXPECT_THROW(pw::ToInt16(b, 8), std::out_of_range);
    EXPECT_THROW(pw::ToInt32(b, 6), std::out_of_range);
    EXPECT_THROW(pw::ToInt32(b, 100), std::out_of_range);
}

TEST(Utils, FileNames) {
    struct Row {
        std::string path, name, stem;
    };
    const Row rows[] = {
        {"c.txt", "c.txt", "c"},
        {"a/b/c.txt", "c.txt", "c"},
        {"/home/u/Documents/红楼梦.txt", "红楼梦.txt", "红楼梦"},
        {"x/book.tar.gz", "book.tar.gz", "book.tar"},
        {"x/noext", "noext", "noext"},
        {"x/.hidden", ".hidden", ".hidden"},
        {"a/b/", "b", "b"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(pw::getFileName(r.path), r.name) << r.path;
        EXPECT_EQ(pw::getFileNameWithoutExtension(r.path), r.stem) << r.path;
    }
}

TEST_F(UtilsPaths, BookAndCoverPathsByTypeAndFormat) {
    const std::string books = at("Documents/torvane/book");
    const std::string docs = at("Documents");
    struct Row {
        std::string type;
        std::optional<std::string> path;
    };
    const Row byType[] = {
        {"RZ", books + "/1001.rz"}, {"rz", books + "/1001.rz"}, {"TXT", docs + "/1001.rz"}, {"txt", docs + "/1001.rz"},
        {"TxT", docs + "/1001.rz"}, {"UMD", docs + "/1001.rz"}, {"EPUB", std::nullopt},     {"", std::nullopt},
    };
    for (const Row& r : byType)
        EXPECT_EQ(pw::getFilePathByType("some/where/1001.rz", r.type), r.path) << r.type;

    EXPECT_EQ(pw::getFilePathByBookFormat("a/b.umd", 1), books + "/b.umd");
    EXPECT_EQ(pw::getFilePathByBookFormat("a/b.umd", 2), docs + "/b.umd");
    EXPECT_EQ(pw::getFilePathByBookFormat("b.txt", 3), docs + "/b.txt");
    EXPECT_EQ(pw::getFilePathByBookFormat("b.txt", 0), std::nullopt);
    EXPECT_EQ(pw::getFilePathByBookFormat("b.txt", 4), std::nullopt);

    EXPECT_EQ(pw::getImagePathByType("x/book.umd", "UMD"), at("Documents/local/cover/umd") + "/book.jpg");
    EXPECT_EQ(pw::getImagePathByType("x/1001.rz", "RZ"), at("Documents/torvane/cover") + "/1001.jpg");
    EXPECT_EQ(pw::getImagePathByType("x/book.txt", "TXT"), std::nullopt);
}

TEST(Utils, QueryValueEscaping) {
    struct Row {
        std::string text, escaped;
    };
    const Row rows[] = {
        {"a b&c", "a%20b%26c"},
        {"第", "%E7%AC%AC"},
        {"AZaz09-_.", "AZaz09-_."},
        {":/?#[]@!$&'()*+,;=\"<>%{}|\\^~`", "%3A%2F%3F%23%5B%5D%40%21%24%26%27%28%29%2A%2B%2C%3B%3D%22%3C%3E%25%7B%7D"
                                            "%7C%5C%5E%7E%60"},
        {"", ""},
    };
    for (const Row& r : rows)
        EXPECT_EQ(pw::encodingStringParameter(r.text), r.escaped) << r.text;
}

std::string characterTableText() {
    std::ifstream in(pw::core::Paths::resource("GBKEncode.txt"), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(Utils, GeneratedCharacterTableHasTwoEqualHalves) {
    std::string text = characterTableText();
    ASSERT_FALSE(text.empty()) << "GBKEncode.txt missing from the bundle";
    std::size_t bar = text.find('|');
    ASSERT_NE(bar, std::string::npos);
    std::size_t bar2 = text.find('|', bar + 1);
    ASSERT_NE(bar2, std::string::npos);
    std::string first = text.substr(0, bar);
    std::string second = text.substr(bar + 1, bar2 - bar - 1);
    // Every character of both halves is three UTF-8 bytes (BMP Han).
    EXPECT_EQ(first.size(), second.size());
    EXPECT_GT(first.size() / 3, 2000u);
    EXPECT_NE(first.find("书"), std::string::npos);
}

TEST(Utils, TableBackgroundIsTiledFromTheBundlePicture) {
    auto tile = pw::gfx::Image::fromFile(pw::core::Paths::resource("iPhone_table_bg.png").string());
    ASSERT_TRUE(tile) << "iPhone_table_bg.png missing from the bundle";
    EXPECT_GT(tile->pixelWidth(), 0);

    auto table = pw::ui::TableView::create({0, 0, 768, 1024});
    auto old = pw::ui::View::create(pw::gfx::Rect{0, 0, 10, 10});
    table->setBackgroundView(old);
    pw::setPadUIViewTableBackgroundImage(*table);
    auto background = table->backgroundView();
    ASSERT_TRUE(background);
    EXPECT_NE(background, old);
    EXPECT_EQ(old->superview(), nullptr);
    EXPECT_EQ(background->frame(), table->bounds());
    const pw::gfx::Color colour = background->backgroundColor();
    ASSERT_TRUE(colour.isPattern());
    EXPECT_EQ(colour.pattern()->pixelWidth(), tile->pixelWidth());
    EXPECT_EQ(colour.pattern()->pixelAt(3, 3), tile->pixelAt(3, 3));
    // Again: one background, the new one.
    pw::setPadUIViewTableBackgroundImage(*table);
    EXPECT_EQ(background->superview(), nullptr);
    EXPECT_EQ(std::count(table->subviews().begin(), table->subviews().end(), table->backgroundView()), 1);

    // A view that takes no background view is left alone.
    auto plain = pw::ui::View::create(pw::gfx::Rect{0, 0, 100, 100});
    pw::setPadUIViewTableBackgroundImage(*plain);
    EXPECT_TRUE(plain->subviews().empty());
    EXPECT_FALSE(plain->backgroundColor().isPattern());
}

TEST(Utils, SimplifiedAndTraditionalConversion) {
    struct Row {
        std::string simplified, traditional;
    };
    const Row rows[] = {
        {"书", "書"},
        {"龙门", "龍門"},
        {"简体中文", "簡體中文"},
        {"第一回 甄士隐梦幻识通灵", "第一回 甄士隱夢幻識通靈"},
        {"abc 123", "abc 123"},
        {"", ""},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(pw::simplifiedToTraditional(r.simplified), r.traditional) << r.simplified;
        EXPECT_EQ(pw::traditionalToSimplified(r.traditional), r.simplified) << r.traditional;
    }
    // Bytes that are not UTF-8 are not converted, and not lost either.
    EXPECT_EQ(pw::simplifiedToTraditional("书\xFF"), "书\xFF");
    // UTF-16 positions are kept: page offsets stay valid across a conversion.
    std::u16string text = u"红楼梦😀x";
    std::u16string converted = pw::simplifiedToTraditional(text);
    EXPECT_EQ(converted.size(), text.size());
    EXPECT_EQ(converted, u"紅樓夢😀x");
}

TEST(Utils, CharacterTablesAreBuiltOnceAcrossThreads) {
    std::vector<std::thread> threads;
    std::vector<std::u16string> results(8);
    for (std::size_t i = 0; i < results.size(); ++i)
        threads.emplace_back([&results, i] { results[i] = pw::simplifiedToTraditional(u"书龙门"); });
    for (auto& t : threads)
        t.join();
    for (const auto& r : results)
        EXPECT_EQ(r, u"書龍門");
}

} // namespace

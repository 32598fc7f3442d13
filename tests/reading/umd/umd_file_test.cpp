#include "platform/core/Text.h"
#include "reading/umd/UmdException.h"
#include "reading/umd/UmdFile.h"
#include "UmdWriter.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <functional>

namespace pw {
namespace {

using test::UmdWriter;

std::u16string lines(const std::u16string& head, size_t units) {
    std::u16string text = head + u"\n";
    const std::u16string body = u"满纸荒唐言，一把辛酸泪。都云作者痴，谁解其中味？ab\n";
    while (text.size() < units)
        text += body;
    text.resize(units);
    return text;
}

class UmdFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(m_dir.path().empty());
        m_writer.chapters = {
            {u"第一回", lines(u"第一回 甄士隐梦幻识通灵", 2500)},
            {u"第二回", lines(u"第二回 贾夫人仙逝扬州城", 17500)},
            // The last chapter is far longer than one content block.
            {u"第三回", lines(u"第三回 托内兄如海荐西宾", 45000)},
        };
        m_writer.cover = {0xFF, 0xD8, 0xFF, 0xE0, '$', '#', 1, 2, 3, 0xFF, 0xD9};
    }
    std::string save(const UmdWriter::Bytes& bytes, const std::string& name = "book.umd") {
        const std::string path = (m_dir / name).string();
        UmdWriter::write(path, bytes);
        return path;
    }

    test::TempDir m_dir{"pw-umd"};
    UmdWriter m_writer;
};

TEST_F(UmdFileTest, OpensTextBooksAndTellsOtherKindsApart) {
    UmdFile book;
    book.loadUmdFile(save(m_writer.build()));
    EXPECT_TRUE(book.isUmdFile());
    EXPECT_EQ(book.umdType(), 1);
    EXPECT_EQ(book.fileNameWithoutExtension(), "book");

    m_writer.kind = 2;
    UmdFile picture;
    picture.loadUmdFile(save(m_writer.build(), "pictures.umd"));
    EXPECT_TRUE(picture.isUmdFile());
    EXPECT_EQ(picture.umdType(), 2);

    UmdFile notUmd;
    notUmd.loadUmdFile(save({'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!'}, "plain.umd"));
    EXPECT_FALSE(notUmd.isUmdFile());
    UmdFile tiny;
    tiny.loadUmdFile(save({0x89, 0x9B, 0x9A, 0xDE, '#'}, "tiny.umd"));
    EXPECT_FALSE(tiny.isUmdFile());
    UmdFile missing;
    missing.loadUmdFile((m_dir / "nothing.umd").string());
    EXPECT_FALSE(missing.isUmdFile());
}

TEST_F(UmdFileTest, ReadsMetadataWithMissingBlocks) {
    UmdFile book;
    book.loadUmdFile(save(m_writer.build()));
    book.getFileInfo();
    EXPECT_EQ(book.title(), "红楼梦");
    EXPECT_EQ(book.author(), "曹雪芹");
    EXPECT_EQ(book.date(), "2010-1-5");
    EXPECT_EQ(book.storyType(), "古典");
    EXPECT_EQ(book.publisher(), "出版社");
    EXPECT_EQ(book.retailer(), "书店");
    EXPECT_EQ(book.contentLength(), static_cast<int64_t>(m_writer.wholeText().size() * 2));

    m_writer.withAuthor = false;
    m_writer.withStoryType = false;
    UmdFile sparse;
    sparse.loadUmdFile(save(m_writer.build(), "sparse.umd"));
    sparse.getFileInfo();
    EXPECT_EQ(sparse.author(), "");
    EXPECT_EQ(sparse.storyType(), "");
    EXPECT_EQ(sparse.title(), "红楼梦");
    EXPECT_EQ(sparse.publisher(), "出版社");
    EXPECT_EQ(sparse.contentLength(), static_cast<int64_t>(m_writer.wholeText().size() * 2));
}

TEST_F(UmdFileTest, EveryChapterComesBackExactly) {
    const auto bytes = m_writer.build();
    UmdFile book;
    book.loadUmdFile(save(bytes));
    book.getFileInfo();
    EXPECT_EQ(book.getChapters(), static_cast<int64_t>(m_writer.contentBlocksAt.front()));
    ASSERT_NE(book.chapters(), nullptr);
    EXPECT_TRUE(book.chapters()->isValid());
    EXPECT_EQ(book.chapters()->listChapterOffset(), m_writer.chapterOffsets());
    EXPECT_EQ(book.getAllContentBlockAmount(), 4);

    const auto offsets = m_writer.chapterOffsets();
    const auto titles = book.chapters()->getAllChapterTitle();
    const char* expectedTitles[] = {"第一回", "第二回", "第三回"};
    for (size_t i = 0; i < offsets.size(); ++i) {
        std::u16string text;
        ASSERT_TRUE(book.getChapterContent(offsets[i], text)) << i;
        EXPECT_EQ(text, m_writer.chapters[i].text) << "chapter " << i;
        EXPECT_EQ(book.chapters()->getChapterTitle(offsets[i]), expectedTitles[i]);
        EXPECT_EQ(titles.at(offsets[i]), expectedTitles[i]);
    }

    std::u16string all;
    EXPECT_EQ(book.getAllContent(all), static_cast<int64_t>(m_writer.endPairAt));
    EXPECT_EQ(all, m_writer.wholeText());

    std::optional<core::Bytes> cover;
    EXPECT_EQ(book.getCoverImageData(cover), static_cast<int64_t>(bytes.size()));
    ASSERT_TRUE(cover);
    EXPECT_EQ(*cover, m_writer.cover);

    m_writer.cover.clear();
    UmdFile bare;
    bare.loadUmdFile(save(m_writer.build(), "bare.umd"));
    EXPECT_EQ(bare.getCoverImageData(cover), static_cast<int64_t>(m_writer.coverPairAt));
    EXPECT_FALSE(cover);
}

TEST_F(UmdFileTest, CoverDecodesIntoAPicture) {
    const auto jpeg = gfx::Image::filled(24, 32, {200, 40, 40, 255}).encodeJPEG(0.9);
    ASSERT_TRUE(jpeg);
    m_writer.cover = *jpeg;
    const auto bytes = m_writer.build();
    UmdFile book;
    book.loadUmdFile(save(bytes));
    std::optional<gfx::Image> cover;
    EXPECT_EQ(book.getCoverImage(cover), static_cast<int64_t>(bytes.size()));
    ASSERT_TRUE(cover);
    EXPECT_EQ(cover->pixelWidth(), 24);
    EXPECT_EQ(cover->pixelHeight(), 32);
    EXPECT_NEAR(cover->pixelAt(12, 16).r, 200, 8);

    // Bytes that are no picture, and no cover at all, give no image.
    for (const UmdWriter::Bytes& data : {UmdWriter::Bytes{'n', 'o', 't', ' ', 'j', 'p', 'g'}, UmdWriter::Bytes{}}) {
        m_writer.cover = data;
        UmdFile other;
        other.loadUmdFile(save(m_writer.build(), "other.umd"));
        cover = gfx::Image::filled(1, 1, {});
        other.getCoverImage(cover);
        EXPECT_FALSE(cover);
    }
}

TEST_F(UmdFileTest, OffsetsMapToChaptersAndWindows) {
    // Chapters at byte offsets 0, 5000 and 40000, 100000 bytes of text.
    m_writer.chapters = {{u"一", lines(u"一", 2500)}, {u"二", lines(u"二", 17500)}, {u"三", lines(u"三", 30000)}};
    const std::u16string whole = m_writer.wholeText();
    UmdFile book;
    book.loadUmdFile(save(m_writer.build()));
    book.getChapters();
    const UmdChapterBlock& list = *book.chapters();
    ASSERT_EQ(list.listChapterOffset(), (std::vector<int64_t>{0, 5000, 40000}));

    struct Neighbours {
        int64_t chapter, length, next, prev;
    };
    for (const Neighbours& n :
         {Neighbours{0, 5000, 5000, -1}, Neighbours{5000, 35000, 40000, 0}, Neighbours{40000, -1, -1, 5000}}) {
        EXPECT_EQ(list.getChapterContentLength(n.chapter), n.length) << n.chapter;
        EXPECT_EQ(list.nextChapterContentOffset(n.chapter), n.next) << n.chapter;
        EXPECT_EQ(list.prevChapterContentOffset(n.chapter), n.prev) << n.chapter;
    }
    EXPECT_THROW(list.getChapterContentLength(123), UmdException);
    EXPECT_EQ(list.nextChapterContentOffset(123), -1);
    EXPECT_EQ(list.prevChapterContentOffset(123), -1);
    std::u16string text;
    EXPECT_THROW(book.getChapterContent(123, text), UmdException);

    struct At {
        int64_t offset, chapter;
    };
    for (const At& at : {At{5010, 5000}, At{5000, 5000}, At{4998, 0}, At{0, 0}, At{40000, 40000}, At{99998, 40000}}) {
        int64_t chapter = -2;
        ASSERT_TRUE(book.getContent(at.offset, text, chapter)) << at.offset;
        EXPECT_EQ(chapter, at.chapter) << at.offset;
        const int64_t end =
            chapter == 40000 ? static_cast<int64_t>(whole.size()) * 2 : list.nextChapterContentOffset(chapter);
        EXPECT_EQ(text, whole.substr(static_cast<size_t>(at.offset / 2), static_cast<size_t>((end - at.offset) / 2)))
            << at.offset;
    }

    int64_t start = 0;
    ASSERT_TRUE(book.getEnoughContent(40000, 32768, start, text));
    EXPECT_EQ(start, 7232);
    EXPECT_EQ(text, whole.substr(16384, 32768));
    EXPECT_FALSE(book.getEnoughContent(4 * 32768, 10, start, text));
    EXPECT_EQ(start, 0);
}

TEST_F(UmdFileTest, ExceptionReasonsNameClassAndOperation) {
    auto reasonOf = [](const std::function<void()>& f) {
        try {
            f();
        } catch (const UmdException& e) {
            EXPECT_STREQ(e.name(), "umd exception");
            return e.reason();
        }
        return std::string("no exception");
    };
    UmdFile book;
    book.loadUmdFile(save(m_writer.build()));
    book.getChapters();
    EXPECT_EQ(reasonOf([&] { book.chapters()->getChapterContentLength(123); }),
              "UmdChapterBlock getChapterContentLength:  - error chapter offset");

    UmdWriter::Bytes bytes = m_writer.build();
    bytes[12] = 'x';
    UmdFile broken;
    broken.loadUmdFile(save(bytes, "broken.umd"));
    EXPECT_EQ(reasonOf([&] { broken.getFileInfo(); }), "UMDBlock getBlock:Offset:");
}

// Opens a book the way the shelf and the reader do and reads everything.
// A malformed file must end in false or UmdException, never in a crash.
bool readEverything(const std::string& path) {
    try {
        UmdFile book;
        book.loadUmdFile(path);
        if (!book.isUmdFile())
            return false;
        book.getFileInfo();
        book.getChapters();
        if (!book.chapters())
            return false;
        bool ok = true;
        for (int64_t chapter : book.chapters()->listChapterOffset()) {
            std::u16string text;
            ok = book.getChapterContent(chapter, text) && ok;
            book.chapters()->getChapterTitle(chapter);
        }
        book.chapters()->getAllChapterTitle();
        std::u16string text;
        int64_t chapter = 0;
        ok = book.getContent(7, text, chapter) && ok;
        std::optional<core::Bytes> cover;
        book.getCoverImageData(cover);
        std::u16string all;
        book.getAllContent(all);
        return ok;
    } catch (const UmdException& e) {
        EXPECT_STREQ(e.name(), "umd exception");
        return false;
    }
}

TEST_F(UmdFileTest, MalformedFilesFailCleanly) {
    const UmdWriter::Bytes good = m_writer.build();
    ASSERT_TRUE(readEverything(save(good)));

    auto patch32 = [](UmdWriter::Bytes b, size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
        return b;
    };
    auto patch8 = [](UmdWriter::Bytes b, size_t at, uint8_t v) {
        b[at] = v;
        return b;
    };
    const size_t offsetsData = m_writer.offsetsPairAt + 18;
    const size_t firstBlock = m_writer.contentBlocksAt[0];
    const size_t secondBlock = m_writer.contentBlocksAt[1];
    struct Case {
        const char* what;
        UmdWriter::Bytes bytes;
    };
    const Case cases[] = {
        {"offsets check value differs", patch8(good, m_writer.offsetsPairAt + 11, 0x77)},
        {"titles check value differs", patch8(good, m_writer.titlesPairAt + 11, 0x77)},
        {"end block check differs and count is gone", patch8(good, m_writer.endPairAt + 1, 0x7F)},
        {"negative offsets length", patch32(good, m_writer.offsetsPairAt + 14, 0xFFFFFFFF)},
        {"huge offsets length", patch32(good, m_writer.offsetsPairAt + 14, 0x7FFFFFF0)},
        {"offsets length below its header", patch32(good, m_writer.offsetsPairAt + 14, 3)},
        {"huge titles length", patch32(good, m_writer.titlesPairAt + 14, 0x7FFFFFF0)},
        {"title longer than the titles", patch8(good, m_writer.titlesPairAt + 18, 0xFF)},
        {"negative chapter offset", patch32(good, offsetsData + 4, 0x80000000)},
        {"chapter offset that goes back", patch32(good, offsetsData + 8, 4000)},
        {"chapter offset past the content", patch32(good, offsetsData + 8, 0x7FFFFFF0)},
        {"negative content block length", patch32(good, firstBlock + 5, 0xFFFFFFF0)},
        {"huge content block length", patch32(good, secondBlock + 5, 0x7FFFFFFF)},
        {"content block length below its header", patch32(good, firstBlock + 5, 4)},
        {"content that does not inflate", patch8(good, firstBlock + 12, 0x00)},
        {"huge block count", patch32(good, m_writer.endPairAt + 14, 0x7FFFFFF0)},
        {"information block length below its header", patch8(good, 16, 2)},
        {"no block where the metadata should be", patch8(good, 12, 'x')},
    };
    for (const auto& c : cases)
        EXPECT_FALSE(readEverything(save(c.bytes, "bad.umd"))) << c.what;

    // A damaged cover is no cover; the text still reads.
    const std::string badCover = save(patch32(good, m_writer.coverPairAt + 15, 0x7FFFFFF0), "cover.umd");
    EXPECT_TRUE(readEverything(badCover));
    UmdFile book;
    book.loadUmdFile(badCover);
    std::optional<core::Bytes> cover;
    book.getCoverImageData(cover);
    EXPECT_FALSE(cover);

    // A stray "$" between two content blocks is taken for a block and fails
    // its checks instead of being read as text.
    UmdWriter::Bytes stray(good.begin(), good.begin() + static_cast<long>(secondBlock));
    stray.insert(stray.end(), {'$', 1, 2, 3, 4, 0xFF, 0xFF, 0x00, 0x00, 0x78});
    stray.insert(stray.end(), good.begin() + static_cast<long>(secondBlock), good.end());
    EXPECT_FALSE(readEverything(save(stray, "stray.umd")));

    // More than a scan window of unknown bytes between two blocks ends the
    // content there: the end block is not found and nothing reads.
    UmdWriter::Bytes gap(good.begin(), good.begin() + static_cast<long>(secondBlock));
    gap.insert(gap.end(), 40, 0x55);
    gap.insert(gap.end(), good.begin() + static_cast<long>(secondBlock), good.end());
    {
        UmdFile book;
        book.loadUmdFile(save(gap, "gap.umd"));
        EXPECT_EQ(book.getAllContentBlockAmount(), -1);
        std::u16string text;
        EXPECT_FALSE(book.getChapterContent(0, text));
    }

    // Cut at many places: no cut may crash or loop.
    for (size_t cut = 0; cut < good.size(); cut += 1 + cut / 8)
        readEverything(save(UmdWriter::Bytes(good.begin(), good.begin() + static_cast<long>(cut)), "cut.umd"));
}

TEST_F(UmdFileTest, LastChapterEndsWithTheContentNotAfterOneBlock) {
    // Chapter text well past 32768 bytes beyond the last chapter's start.
    m_writer.chapters = {{u"短", lines(u"短", 10)}, {u"长", lines(u"长", 70000)}};
    UmdFile book;
    book.loadUmdFile(save(m_writer.build()));
    std::u16string text;
    ASSERT_TRUE(book.getChapterContent(20, text));
    EXPECT_EQ(text.size(), 70000u);
    EXPECT_EQ(text, m_writer.chapters[1].text);
}

// Empty chapters share their offset with the next chapter: each chapter
// still keeps its own title and text, and the empty ones read as empty.
TEST_F(UmdFileTest, EmptyChaptersShareAnOffsetAndKeepTheirTitles) {
    struct Case {
        const char* what;
        std::vector<size_t> lengths; // code units per chapter; 0 is an empty chapter
    };
    const Case cases[] = {
        {"empty in the middle", {2500, 0, 17500}},
        {"empty first", {0, 2500, 17500}},
        {"two empty in a row", {2500, 0, 0, 17500}},
        {"empty on a block boundary", {16384, 0, 9000}},
        {"empty last", {2500, 17500, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        m_writer.chapters.clear();
        for (size_t i = 0; i < c.lengths.size(); ++i) {
            const std::u16string title = u"第" + std::u16string(1, static_cast<char16_t>(u'一' + i)) + u"回";
            m_writer.chapters.push_back(
                {title, c.lengths[i] ? lines(title + u" 正文", c.lengths[i]) : std::u16string()});
        }
        UmdFile book;
        book.loadUmdFile(save(m_writer.build()));
        ASSERT_NO_THROW(book.getChapters());
        ASSERT_NE(book.chapters(), nullptr);
        const UmdChapterBlock& list = *book.chapters();
        ASSERT_EQ(list.listChapterOffset(), m_writer.chapterOffsets());
        const auto titles = list.getAllChapterTitleInOrder();
        ASSERT_EQ(titles.size(), c.lengths.size());
        for (size_t i = 0; i < c.lengths.size(); ++i) {
            const std::string title = core::text::toUtf8Lenient(m_writer.chapters[i].title);
            EXPECT_EQ(titles[i], title) << i;
            EXPECT_EQ(list.getChapterTitleAt(static_cast<int64_t>(i)), title) << i;
            std::u16string text = u"stale";
            ASSERT_TRUE(book.getChapterContentAt(static_cast<int64_t>(i), text)) << i;
            EXPECT_EQ(text, m_writer.chapters[i].text) << i;
        }
        // An offset names the chapter that holds the text from there on.
        for (size_t i = 0; i < c.lengths.size(); ++i) {
            if (!c.lengths[i])
                continue;
            const int64_t offset = m_writer.chapterOffsets()[i];
            std::u16string text;
            ASSERT_TRUE(book.getChapterContent(offset, text)) << i;
            EXPECT_EQ(text, m_writer.chapters[i].text) << i;
            EXPECT_EQ(list.getChapterTitle(offset), titles[i]) << i;
            int64_t chapter = -2;
            ASSERT_TRUE(book.getContent(offset + 2, text, chapter)) << i;
            EXPECT_EQ(chapter, offset);
            EXPECT_EQ(text, m_writer.chapters[i].text.substr(1));
        }
    }

    // Offsets 0, 5000, 5000, 40000: moving by offset passes over the empty one.
    m_writer.chapters = {
        {u"一", lines(u"一", 2500)}, {u"空", u""}, {u"二", lines(u"二", 17500)}, {u"三", lines(u"三", 500)}};
    UmdFile book;
    book.loadUmdFile(save(m_writer.build()));
    book.getChapters();
    const UmdChapterBlock& list = *book.chapters();
    EXPECT_EQ(list.chapterIndexOf(5000), 2);
    EXPECT_EQ(list.chapterIndexOf(123), -1);
    EXPECT_EQ(list.nextChapterContentOffset(0), 5000);
    EXPECT_EQ(list.nextChapterContentOffset(5000), 40000);
    EXPECT_EQ(list.prevChapterContentOffset(40000), 5000);
    EXPECT_EQ(list.prevChapterContentOffset(5000), 0);
    EXPECT_EQ(list.getChapterContentLength(5000), 35000);
    EXPECT_EQ(list.getChapterContentLengthAt(1), 0);
    EXPECT_EQ(list.getAllChapterTitle().at(5000), "二");
    std::u16string text;
    EXPECT_THROW(book.getChapterContentAt(4, text), UmdException);
    EXPECT_THROW(book.getChapterContentAt(-1, text), UmdException);
}

// The last chapter is empty and starts exactly where the content ends, on a
// 32 KB block boundary: it reads as empty, not as a failure.
TEST_F(UmdFileTest, EmptyLastChapterOnABlockBoundaryReadsEmpty) {
    for (size_t units : {size_t{16384}, size_t{32768}}) {
        SCOPED_TRACE(units);
        m_writer.chapters = {{u"一", lines(u"一", units)}, {u"后记", u""}};
        UmdFile book;
        book.loadUmdFile(save(m_writer.build()));
        book.getChapters();
        const int64_t end = static_cast<int64_t>(units) * 2;
        ASSERT_EQ(book.chapters()->listChapterOffset(), (std::vector<int64_t>{0, end}));
        std::u16string text = u"stale";
        EXPECT_TRUE(book.getChapterContent(end, text));
        EXPECT_TRUE(text.empty());
        EXPECT_TRUE(book.getChapterContentAt(1, text));
        int64_t chapter = -2;
        EXPECT_TRUE(book.getContent(end, text, chapter));
        EXPECT_EQ(chapter, end);
        EXPECT_TRUE(text.empty());
        ASSERT_TRUE(book.getChapterContent(0, text));
        EXPECT_EQ(text, m_writer.chapters[0].text);
    }

    // Past the end of the content, or on a boundary the content never
    // reaches, is damage.
    m_writer.chapters = {{u"一", lines(u"一", 16000)}, {u"后记", u""}};
    UmdWriter::Bytes bytes = m_writer.build();
    const size_t second = m_writer.offsetsPairAt + 18 + 4;
    for (uint32_t bad : {32768u, 65536u, 40000u}) {
        for (int i = 0; i < 4; ++i)
            bytes[second + static_cast<size_t>(i)] = static_cast<uint8_t>(bad >> (8 * i));
        UmdFile book;
        book.loadUmdFile(save(bytes, "short.umd"));
        std::u16string text;
        EXPECT_FALSE(book.getChapterContent(bad, text)) << bad;
    }
}

} // namespace
} // namespace pw

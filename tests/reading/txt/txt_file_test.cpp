#include "platform/core/FileHandle.h"
#include "platform/core/Text.h"
#include "platform/device/Device.h"
#include "reading/txt/TxtFile.h"
#include "TxtTestFiles.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace pw {
namespace {

using Encoding = TxtFile::Encoding;
using test::TempDir;

const char* nameOf(Encoding e) {
    return TxtFile::charsetName(e);
}

std::u16string decodeOrFail(const std::string& bytes, Encoding e) {
    auto text = core::text::decode(bytes, TxtFile::charsetName(e));
    EXPECT_TRUE(text) << nameOf(e);
    return text.value_or(u"");
}

struct Chunk {
    int64_t start;
    int64_t end; // last byte
    std::u16string text;
};

struct BookCase {
    Encoding encoding;
    size_t size;
    bool crlf;
    bool finalLineEnd;
};

std::string describe(const BookCase& c) {
    std::ostringstream out;
    out << nameOf(c.encoding) << " " << c.size << (c.crlf ? " CRLF" : " LF")
        << (c.finalLineEnd ? "" : " no final line end");
    return out.str();
}

std::vector<BookCase> bookCases() {
    std::vector<BookCase> cases;
    for (Encoding e : {Encoding::Utf8, Encoding::Gb18030, Encoding::Utf16Le})
        for (size_t size : {size_t{20480}, size_t{20481}, size_t{70001}})
            for (bool crlf : {false, true})
                for (bool finalLineEnd : {true, false}) {
                    // UTF-16 files hold whole units: one unit more instead of one byte.
                    const size_t fitted = e == Encoding::Utf16Le && size % 2 ? size + 1 : size;
                    cases.push_back({e, fitted, crlf, finalLineEnd});
                }
    return cases;
}

TEST(TxtFile, ForwardAndBackwardChunksJoinIntoTheWholeBook) {
    TempDir folder;
    for (const BookCase& c : bookCases()) {
        SCOPED_TRACE(describe(c));
        const std::string bytes = test::bookOfSize(c.encoding, c.size, c.crlf, c.finalLineEnd);
        const std::string path = folder.write("book.txt", bytes);
        const std::u16string whole = decodeOrFail(bytes, c.encoding);
        const int64_t total = static_cast<int64_t>(bytes.size());

        TxtFile book;
        book.loadTxtFile(path);
        ASSERT_TRUE(book.canDecode());
        ASSERT_EQ(book.encoding(), c.encoding);
        ASSERT_EQ(book.totalLength(), total);
        EXPECT_EQ(TxtFile::isLoadAllContent(path), total <= 20480);

        // Forward: each chunk from a fresh reader, as the reader screen does.
        std::vector<Chunk> forward;
        for (int64_t start = 0; start < total;) {
            std::optional<std::u16string> text;
            TxtFile reader;
            const int64_t next = reader.getNextBlockContentWithStart(start, total, path, text);
            ASSERT_GT(next, start);
            ASSERT_TRUE(text);
            EXPECT_EQ(TxtFile::getChunkStartOffset(path), start);
            forward.push_back({start, next - 1, *text});
            start = next;
        }
        std::u16string joined;
        for (const auto& chunk : forward) {
            joined += chunk.text;
            // A chunk ends at a line end, or at the end of the book.
            if (chunk.end != total - 1) {
                EXPECT_EQ(chunk.text.back(), u'\n');
            }
        }
        EXPECT_EQ(joined, whole);

        // Backward from the last byte.
        std::vector<Chunk> backward;
        for (int64_t end = total - 1; end > 0;) {
            std::optional<std::u16string> text;
            TxtFile reader;
            const int64_t next = reader.getPrevBlockContentWithStart(end, total, path, text);
            ASSERT_TRUE(text);
            const int64_t start = TxtFile::getChunkStartOffset(path);
            backward.insert(backward.begin(), {start, end, *text});
            if (next >= total)
                break; // the whole book in one read
            ASSERT_LT(next, end);
            end = next;
        }
        joined.clear();
        for (const auto& chunk : backward)
            joined += chunk.text;
        EXPECT_EQ(joined, whole);
        if (total > 20580) {
            EXPECT_EQ(backward.front().start, 0);
            EXPECT_GE(backward.size(), 2u);
        }
    }
}

TEST(TxtFile, PageByteRangesDecodeBackToTheirText) {
    TempDir folder;
    for (const BookCase& c : bookCases()) {
        SCOPED_TRACE(describe(c));
        const std::string bytes = test::bookOfSize(c.encoding, c.size, c.crlf, c.finalLineEnd);
        const std::string path = folder.write("book.txt", bytes);
        const int64_t total = static_cast<int64_t>(bytes.size());
        TxtFile book;
        book.loadTxtFile(path);
        for (int64_t start = 0; start < total;) {
            std::optional<std::u16string> chunk;
            TxtFile reader;
            const int64_t next = reader.getNextBlockContentWithStart(start, total, path, chunk);
            ASSERT_TRUE(chunk);
            // Pages at several places, among them ones that start or end right
            // at a line end and next to multi-byte characters.
            const size_t n = chunk->size();
            const std::pair<size_t, size_t> pages[] = {
                {0, n}, {0, 1}, {1, 40}, {n / 3, n / 5}, {n - 1, 1}, {chunk->find(u'\n'), 7}, {n / 2, n - n / 2}};
            for (auto [position, length] : pages) {
                if (position >= n)
                    continue;
                const std::u16string page = chunk->substr(position, length);
                int64_t bStart = -1, bEnd = -1;
                ASSERT_TRUE(TxtFile::computebStartAndbEndOffsetInFile(
                    path, *chunk, page, static_cast<int64_t>(position), total, bStart, bEnd));
                ASSERT_GE(bStart, start);
                ASSERT_LT(bEnd, next);
                const std::string range =
                    bytes.substr(static_cast<size_t>(bStart), static_cast<size_t>(bEnd - bStart + 1));
                EXPECT_EQ(decodeOrFail(range, c.encoding), page) << position << "+" << length;
            }
            start = next;
        }
    }
}

TEST(TxtFile, ChunkSizesAtTheLoadAllLimit) {
    TempDir folder;
    struct Case {
        const char* device;
        device::ScreenMetrics screen;
        int blockLength;
    };
    // The tablet idiom (a screen of 600 points or more on its short side,
    // the default window) reads larger chunks.
    for (const Case& d : {Case{"phone", {320, 480, 2}, 20480}, Case{"tablet", {768, 1024, 1}, 30720}}) {
        SCOPED_TRACE(d.device);
        device::Device::current().setScreen(d.screen);
        EXPECT_EQ(TxtFile().getBlockLength(), d.blockLength);
        const size_t limit = static_cast<size_t>(d.blockLength);
        for (const size_t size : {limit, limit + 1}) {
            const std::string path = folder.write("edge.txt", test::bookOfSize(Encoding::Utf8, size, false, true));
            TxtFile book;
            book.loadTxtFile(path);
            EXPECT_EQ(TxtFile::isLoadAllContent(path), size == limit) << size;
            std::optional<std::u16string> text;
            const int64_t next = book.getContent(0, text);
            ASSERT_TRUE(text);
            // Both fit in the first read: the rest of a book that ends within
            // one line end of the chunk size is read with the chunk.
            EXPECT_EQ(next, static_cast<int64_t>(size));
        }
        const std::string longer =
            folder.write("longer.txt", test::bookOfSize(Encoding::Utf8, limit + 120, false, true));
        TxtFile chunked;
        chunked.loadTxtFile(longer);
        std::optional<std::u16string> text;
        const int64_t next = chunked.getContent(0, text);
        EXPECT_GE(next, d.blockLength);
        EXPECT_LT(next, static_cast<int64_t>(limit + 120));
    }
    device::Device::current().setScreen(test::kPhoneScreen);

    // A backward read that ends within the first chunk size + 100 bytes is
    // the whole beginning of the book.
    const std::string bytes = test::bookOfSize(Encoding::Utf8, 60000, false, true);
    const std::string path = folder.write("long.txt", bytes);
    TxtFile book;
    book.loadTxtFile(path);
    auto file = core::FileHandle::forReading(path);
    EXPECT_EQ(book.computeSafeOffsetTo(20580, 20480, *file), 20581);
    EXPECT_LT(book.computeSafeOffsetTo(20581, 20480, *file), 20581);
    EXPECT_EQ(book.computeSafeOffsetTo(0, 20480, *file), 0);
    EXPECT_EQ(book.computeSafeOffsetTo(-1, 20480, *file), -1);
    EXPECT_EQ(book.computeSafeOffsetFrom(-1, 20480, *file), -1);
    EXPECT_EQ(book.computeSafeOffsetFrom(60000, 20480, *file), 0);
    EXPECT_EQ(book.computeSafeOffsetFrom(59999, 20480, *file), 1);
}

TEST(TxtFile, SingleByteAfterTheLastLineEndIsRead) {
    TempDir folder;
    // Short lines, then one long line whose line end is the byte before the
    // last: the first chunk ends there and one byte is left.
    std::string bytes;
    while (bytes.size() < 20000)
        bytes += "abc\n";
    while (bytes.size() < 20498)
        bytes += 'q';
    bytes += "\nZ";
    const std::string path = folder.write("tail.txt", bytes);
    const int64_t total = static_cast<int64_t>(bytes.size());
    TxtFile book;
    book.loadTxtFile(path);
    std::optional<std::u16string> text;
    const int64_t next = book.getContent(0, text);
    ASSERT_EQ(next, total - 1);
    const int64_t last = book.getContent(next, text);
    EXPECT_EQ(last, total);
    EXPECT_EQ(text, u"Z");
    EXPECT_EQ(TxtFile::getChunkStartOffset(path), total - 1);
    EXPECT_EQ(book.getContent(total, text), total);
    EXPECT_FALSE(text);
}

TEST(TxtFile, LineLongerThanAChunkIsReadWholeBothWays) {
    TempDir folder;
    std::u16string text;
    for (int i = 0; i < 300; ++i)
        text += u"短行，好\n";
    text += std::u16string(15000, u'长') + u"\n";
    for (int i = 0; i < 300; ++i)
        text += u"短行，好\n";
    const std::string bytes = test::encodeAs(text, Encoding::Utf8);
    const std::string path = folder.write("longline.txt", bytes);
    const int64_t total = static_cast<int64_t>(bytes.size());
    TxtFile book;
    book.loadTxtFile(path);

    std::u16string forward;
    for (int64_t start = 0; start < total;) {
        std::optional<std::u16string> chunk;
        const int64_t next = book.getContent(start, chunk);
        ASSERT_GT(next, start);
        ASSERT_TRUE(chunk);
        forward += *chunk;
        start = next;
    }
    EXPECT_EQ(forward, text);

    std::u16string backward;
    for (int64_t end = total - 1; end > 0;) {
        std::optional<std::u16string> chunk;
        const int64_t next = book.getPrevBlockContentWithStart(end, total, path, chunk);
        ASSERT_TRUE(chunk);
        ASSERT_LT(next, end);
        // No chunk is a lone line end: the long line comes back in one piece.
        EXPECT_GT(chunk->size(), 1u);
        backward.insert(0, *chunk);
        end = next;
    }
    EXPECT_EQ(backward, text);
}

TEST(TxtFile, UnicodeLineEndsAreWholeUnitsAtEvenOffsets) {
    TempDir folder;
    // U+0A0A and U+0D0A hold a 0x0A byte without being a line end; U+4E0A is
    // a character whose high byte follows a 0x0A low byte.
    std::u16string text;
    while (text.size() < 15000)
        text += u"\u0A0A\u0D0A\u4E0A上\u000A";
    const std::string bytes = "\xFF\xFE" + test::encodeAs(text, Encoding::Utf16Le);
    const std::string path = folder.write("utf16.txt", bytes);
    TxtFile book;
    book.loadTxtFile(path);
    ASSERT_EQ(book.encoding(), Encoding::Utf16Le);
    const int64_t total = static_cast<int64_t>(bytes.size());
    std::u16string joined;
    for (int64_t start = 0; start < total;) {
        std::optional<std::u16string> chunk;
        const int64_t next = book.getContent(start, chunk);
        ASSERT_TRUE(chunk) << start;
        EXPECT_EQ(next % 2, 0);
        if (next < total) {
            EXPECT_EQ(chunk->back(), u'\n');
        }
        joined += *chunk;
        start = next;
    }
    EXPECT_EQ(joined, u"\uFEFF" + text);
}

TEST(TxtFile, EncodingComesFromASample) {
    TempDir folder;
    const std::u16string chinese = u"第一章 满纸荒唐言，一把辛酸泪。\n";
    std::u16string longChinese;
    while (longChinese.size() < 3000)
        longChinese += chinese;
    std::string asciiHead(3000, 'a');
    asciiHead += "\n";
    // Bytes that no encoding takes, far beyond the sample.
    std::string tailGarbage = test::encodeAs(longChinese, Encoding::Utf8);
    while (tailGarbage.size() < 100000)
        tailGarbage += tailGarbage;
    tailGarbage += "\xFF\xFF\xFF\n";

    struct Case {
        const char* what;
        std::string bytes;
        Encoding encoding;
        bool canDecode;
    };
    const Case cases[] = {
        {"UTF-8", test::encodeAs(longChinese, Encoding::Utf8), Encoding::Utf8, true},
        {"GB18030", test::encodeAs(longChinese, Encoding::Gb18030), Encoding::Gb18030, true},
        {"UTF-16LE with mark", "\xFF\xFE" + test::encodeAs(longChinese, Encoding::Utf16Le), Encoding::Utf16Le, true},
        {"UTF-16LE without mark", test::encodeAs(u"abc\n" + longChinese, Encoding::Utf16Le), Encoding::Utf16Le, true},
        {"ASCII", std::string(5000, 'b') + "\n", Encoding::Utf8, true},
        {"empty", "", Encoding::Utf8, true},
        {"short GB18030", test::encodeAs(u"短文", Encoding::Gb18030), Encoding::Gb18030, true},
        {"ASCII head then GB18030", asciiHead + test::encodeAs(longChinese, Encoding::Gb18030), Encoding::Gb18030,
         true},
        {"undecodable", std::string(3000, '\x81') + "\xFF\n", Encoding::Gb18030, false},
        // Not UTF-8 once any byte is not: the book is taken for GB18030.
        {"damage past the sample", tailGarbage, Encoding::Gb18030, false},
    };
    for (const Case& c : cases) {
        const std::string path = folder.write("sample.txt", c.bytes);
        TxtFile book;
        book.loadTxtFile(path);
        EXPECT_EQ(book.encoding(), c.encoding) << c.what;
        EXPECT_EQ(book.canDecode(), c.canDecode) << c.what;
    }
}

// A long English preface (a licence) ahead of the book fills the head that
// the encoding is first guessed from: the book after it must still be read
// in its own encoding, every chapter of it.
TEST(TxtFile, LongAsciiPrefaceDoesNotHideTheEncoding) {
    TempDir folder;
    std::string preface;
    for (int line = 0; preface.size() < 70 * 1024; ++line)
        preface += "Section " + std::to_string(line) +
                   ". Permission is granted to copy, distribute and modify this text, provided this notice stays.\n";
    for (Encoding e : {Encoding::Gb18030, Encoding::Utf8}) {
        SCOPED_TRACE(nameOf(e));
        const std::string bytes = preface + test::bookOfSize(e, 60000, false, true);
        const std::string path = folder.write("licensed.txt", bytes);
        const int64_t total = static_cast<int64_t>(bytes.size());
        TxtFile book;
        book.loadTxtFile(path);
        EXPECT_EQ(book.encoding(), e);
        ASSERT_TRUE(book.canDecode());

        std::u16string joined;
        for (int64_t start = 0; start < total;) {
            std::optional<std::u16string> text;
            TxtFile reader;
            const int64_t next = reader.getNextBlockContentWithStart(start, total, path, text);
            ASSERT_GT(next, start);
            ASSERT_TRUE(text) << "chunk at " << start;
            joined += *text;
            start = next;
        }
        EXPECT_EQ(joined, decodeOrFail(bytes, e));
        const auto chapters = book.parseChaptersWithTxtFilePath(path, total, {});
        ASSERT_FALSE(chapters.empty());
        EXPECT_EQ(chapters.front().title, "第一章 开端");
    }
}

TEST(TxtFile, EachBookKeepsItsOwnEncodingModeAndChunkStart) {
    TempDir folder;
    const std::string gbBytes = test::bookOfSize(Encoding::Gb18030, 50000, false, true);
    const std::string gb = folder.write("gb.txt", gbBytes);
    const std::string u16 = folder.write("u16.txt", test::bookOfSize(Encoding::Utf16Le, 10000, false, true));

    TxtFile first;
    first.loadTxtFile(gb);
    std::optional<std::u16string> text;
    const int64_t second = first.getContent(0, text);
    first.getContent(second, text);

    // Another book opened and read meanwhile.
    TxtFile other;
    other.loadTxtFile(u16);
    other.getContent(0, text);

    EXPECT_FALSE(TxtFile::isLoadAllContent(gb));
    EXPECT_TRUE(TxtFile::isLoadAllContent(u16));
    EXPECT_EQ(TxtFile::getChunkStartOffset(gb), second);
    EXPECT_EQ(TxtFile::getChunkStartOffset(u16), 0);

    TxtFile fresh;
    const int64_t next = fresh.getNextBlockContentWithStart(0, static_cast<int64_t>(gbBytes.size()), gb, text);
    ASSERT_TRUE(text);
    EXPECT_EQ(fresh.encoding(), Encoding::Gb18030);
    EXPECT_EQ(*text, decodeOrFail(gbBytes.substr(0, static_cast<size_t>(next)), Encoding::Gb18030));
}

TEST(TxtFile, PercentJumps) {
    TempDir folder;
    const std::string bytes = test::bookOfSize(Encoding::Utf8, 100000, false, true);
    const std::string path = folder.write("jump.txt", bytes);
    const int64_t total = static_cast<int64_t>(bytes.size());
    TxtFile book;
    book.loadTxtFile(path);

    // Into the last chunk's region: the last chunk, shown near its end.
    std::optional<std::u16string> text;
    int64_t pos = -1;
    TxtFile reader;
    reader.goToContent(total - 20480, path, total, text, pos);
    ASSERT_TRUE(text);
    EXPECT_EQ(text->back(), u'\n');
    EXPECT_LE(pos, static_cast<int64_t>(text->size()) - 15);
    EXPECT_GT(pos, 0);
    const int64_t lastStart = TxtFile::getChunkStartOffset(path);
    EXPECT_EQ(decodeOrFail(bytes.substr(static_cast<size_t>(lastStart)), Encoding::Utf8), *text);

    // In the middle: the chunk starts at the line end before the offset.
    pos = -1;
    const int64_t next = reader.goToContent(50000, path, total, text, pos);
    ASSERT_TRUE(text);
    EXPECT_EQ(pos, 0);
    const int64_t start = TxtFile::getChunkStartOffset(path);
    EXPECT_EQ(bytes[static_cast<size_t>(start)], '\n');
    EXPECT_GE(start, 50000 - 30);
    EXPECT_LT(start, 50000 + 60);
    EXPECT_EQ(decodeOrFail(bytes.substr(static_cast<size_t>(start), static_cast<size_t>(next - start)), Encoding::Utf8),
              *text);

    reader.goToContent(0, path, total, text, pos);
    EXPECT_EQ(TxtFile::getChunkStartOffset(path), 0);
    EXPECT_EQ(pos, 0);
}

} // namespace
} // namespace pw

#pragma once

// Builds UMD book files for the tests, with the offsets of every structure
// kept so that a test can damage exactly one of them.

#include <zlib.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace pw::test {

struct UmdChapter {
    std::u16string title;
    std::u16string text;
};

struct UmdWriter {
    using Bytes = std::vector<uint8_t>;

    int kind = 1;
    std::u16string title = u"红楼梦";
    std::u16string author = u"曹雪芹";
    bool withAuthor = true;
    std::u16string year = u"2010", month = u"1", day = u"5";
    std::u16string storyType = u"古典";
    bool withStoryType = true;
    std::u16string publisher = u"出版社";
    std::u16string retailer = u"书店";
    std::vector<UmdChapter> chapters;
    // Bytes of a cover image; none when empty.
    Bytes cover;
    // A function block between content blocks whose payload holds a "$".
    bool fillerBetweenBlocks = true;

    // Where things landed in the last build.
    size_t offsetsPairAt = 0;
    size_t titlesPairAt = 0;
    std::vector<size_t> contentBlocksAt;
    size_t endPairAt = 0;
    size_t coverPairAt = 0;

    static void put16(Bytes& b, uint16_t v) {
        b.push_back(static_cast<uint8_t>(v));
        b.push_back(static_cast<uint8_t>(v >> 8));
    }
    static void put32(Bytes& b, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
    static void putText(Bytes& b, const std::u16string& s) {
        for (char16_t c : s)
            put16(b, static_cast<uint16_t>(c));
    }
    static void infoBlock(Bytes& b, uint16_t type, const Bytes& payload) {
        b.push_back('#');
        put16(b, type);
        b.push_back(0);
        b.push_back(static_cast<uint8_t>(5 + payload.size()));
        b.insert(b.end(), payload.begin(), payload.end());
    }
    static Bytes utf16(const std::u16string& s) {
        Bytes b;
        putText(b, s);
        return b;
    }
    static void dataBlock(Bytes& b, uint32_t check, const Bytes& data) {
        b.push_back('$');
        put32(b, check);
        put32(b, static_cast<uint32_t>(9 + data.size()));
        b.insert(b.end(), data.begin(), data.end());
    }
    static void pair(Bytes& b, uint8_t type, uint32_t check, const Bytes& data) {
        b.push_back('#');
        put16(b, type);
        b.push_back(0x01);
        b.push_back(9);
        put32(b, check);
        dataBlock(b, check, data);
    }

    std::u16string wholeText() const {
        std::u16string all;
        for (const auto& c : chapters)
            all += c.text;
        return all;
    }
    std::vector<int64_t> chapterOffsets() const {
        std::vector<int64_t> offsets;
        int64_t at = 0;
        for (const auto& c : chapters) {
            offsets.push_back(at);
            at += static_cast<int64_t>(c.text.size()) * 2;
        }
        return offsets;
    }

    Bytes build() {
        Bytes b{0x89, 0x9B, 0x9A, 0xDE, '#', 0x01, 0x00, 0x00, 0x08, static_cast<uint8_t>(kind), 0x11, 0x22};
        infoBlock(b, 2, utf16(title));
        if (withAuthor)
            infoBlock(b, 3, utf16(author));
        infoBlock(b, 4, utf16(year));
        infoBlock(b, 5, utf16(month));
        infoBlock(b, 6, utf16(day));
        if (withStoryType)
            infoBlock(b, 7, utf16(storyType));
        infoBlock(b, 8, utf16(publisher));
        infoBlock(b, 9, utf16(retailer));
        const std::u16string all = wholeText();
        Bytes length;
        put32(length, static_cast<uint32_t>(all.size() * 2));
        infoBlock(b, 11, length);

        offsetsPairAt = b.size();
        Bytes offsets;
        for (int64_t o : chapterOffsets())
            put32(offsets, static_cast<uint32_t>(o));
        pair(b, 0x83, 0x01020304, offsets);
        titlesPairAt = b.size();
        Bytes titles;
        for (const auto& c : chapters) {
            titles.push_back(static_cast<uint8_t>(c.title.size() * 2));
            putText(titles, c.title);
        }
        pair(b, 0x84, 0x05060708, titles);

        const Bytes raw = utf16(all);
        contentBlocksAt.clear();
        for (size_t at = 0; at < raw.size(); at += 32768) {
            const size_t n = std::min<size_t>(32768, raw.size() - at);
            uLongf size = compressBound(n);
            Bytes packed(size);
            compress(packed.data(), &size, raw.data() + at, n);
            packed.resize(size);
            contentBlocksAt.push_back(b.size());
            dataBlock(b, 0x0A0B0C0D + static_cast<uint32_t>(at), packed);
            if (fillerBetweenBlocks) {
                // 21 bytes: header and 16 payload bytes, a "$" among them.
                b.insert(b.end(), {'#', 0xF1, 0x00, 0x00, 21});
                for (int i = 0; i < 16; ++i)
                    b.push_back(i == 3 ? '$' : static_cast<uint8_t>(0x40 + i));
            }
        }
        endPairAt = b.size();
        Bytes ends;
        for (size_t i = 0; i < contentBlocksAt.size(); ++i)
            put32(ends, static_cast<uint32_t>(i));
        pair(b, 0x81, 0x11111111, ends);
        coverPairAt = b.size();
        if (!cover.empty()) {
            b.insert(b.end(), {'#', 0x82, 0x00, 0x01, 10, 0x01});
            put32(b, 0x22222222);
            dataBlock(b, 0x22222222, cover);
        }
        return b;
    }

    static void write(const std::string& path, const Bytes& bytes) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
};

} // namespace pw::test

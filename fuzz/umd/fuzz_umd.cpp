// Feeds arbitrary bytes to the UMD reader as a book file: every read must end
// in a result or UmdException, never a crash, a hang or a bad memory access.

#include "reading/umd/UmdException.h"
#include "reading/umd/UmdFile.h"
#include "../../tests/reading/umd/UmdWriter.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace {

std::string bookPath() {
    return "/tmp/pw-fuzz-umd-" + std::to_string(getpid()) + ".umd";
}

// A well-formed book with a cover: random bytes seldom get past the magic, so
// half of the inputs are read as damage done to this book instead.
const std::vector<uint8_t>& wellFormedBook() {
    static const std::vector<uint8_t> book = [] {
        pw::test::UmdWriter writer;
        std::u16string text;
        while (text.size() < 40000)
            text += u"满纸荒唐言，一把辛酸泪。\n";
        writer.chapters = {{u"一", text.substr(0, 100)}, {u"二", text.substr(100, 20000)}, {u"三", text.substr(20100)}};
        writer.cover = {0xFF, 0xD8, 0xFF, 0xD9};
        return writer.build();
    }();
    return book;
}

// Each 5 input bytes: a 32-bit position and a byte that replaces the one
// there; a position past the end cuts the book there.
std::vector<uint8_t> damaged(const uint8_t* data, size_t size) {
    std::vector<uint8_t> book = wellFormedBook();
    for (size_t i = 0; i + 5 <= size; i += 5) {
        const uint32_t at =
            data[i] | (data[i + 1] << 8) | (data[i + 2] << 16) | (static_cast<uint32_t>(data[i + 3]) << 24);
        if (at < book.size())
            book[at] = data[i + 4];
        else if (at % 7 == 0 && !book.empty()) // an earlier cut may have emptied it
            book.resize(at % book.size());
    }
    return book;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = bookPath();
    std::vector<uint8_t> bytes;
    if (size > 0 && data[0] % 2) {
        bytes = damaged(data + 1, size - 1);
    } else {
        bytes.assign(data, data + size);
    }
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    } else {
        return 0;
    }
    try {
        pw::UmdFile book;
        book.loadUmdFile(path);
        book.getFileInfo();
        book.getChapters();
        if (auto* chapters = book.chapters()) {
            chapters->getAllChapterTitle();
            chapters->getAllChapterTitleInOrder();
            const int64_t count = static_cast<int64_t>(chapters->listChapterOffset().size());
            for (int64_t i = 0; i < count && i < 16; ++i) {
                std::u16string text;
                book.getChapterContentAt(i, text);
                chapters->getChapterTitleAt(i);
            }
            int reads = 0;
            for (int64_t chapter : chapters->listChapterOffset()) {
                if (++reads > 16)
                    break;
                std::u16string text;
                book.getChapterContent(chapter, text);
                chapters->getChapterTitle(chapter);
                chapters->nextChapterContentOffset(chapter);
                chapters->prevChapterContentOffset(chapter);
            }
            std::u16string text;
            int64_t chapter = 0;
            book.getContent(3, text, chapter);
        }
        std::u16string all;
        book.getAllContent(all);
        std::optional<pw::core::Bytes> cover;
        book.getCoverImageData(cover);
        std::optional<pw::gfx::Image> picture;
        book.getCoverImage(picture);
    } catch (const pw::UmdException&) {}
    std::remove(path.c_str());
    return 0;
}

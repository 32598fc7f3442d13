// Feeds arbitrary bytes to the UMD reader as a book file: every read must end
// in a result or UmdException, never a crash, a hang or a bad memory access.

#include "reading/umd/UmdException.h"
#include "reading/umd/UmdFile.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace {

std::string bookPath()
{
    return "/tmp/pw-fuzz-umd-" + std::to_string(getpid()) + ".umd";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = bookPath();
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
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
    } catch (const pw::UmdException&) {
    }
    std::remove(path.c_str());
    return 0;
}

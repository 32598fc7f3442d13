// Feeds arbitrary bytes to the TXT chunker as a book file. Forward chunks must
// tile the file exactly, backward reads must move towards its start, and page
// byte ranges must stay inside the chunk they came from.

#include "reading/txt/TxtFile.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void check(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Inputs are short and a book under one chunk is read whole: inputs whose
    // first byte is even are repeated past a few chunks, so that line ends
    // fall anywhere around the chunk limits.
    std::string bytes(reinterpret_cast<const char*>(data), size);
    if (size > 1 && data[0] % 2 == 0) {
        const std::string unit = bytes.substr(1);
        bytes.clear();
        while (bytes.size() < 3 * 20480 + 7)
            bytes += unit;
    }
    size = bytes.size();
    const std::string path = "/tmp/pw-fuzz-txt-" + std::to_string(getpid()) + ".txt";
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    } else {
        return 0;
    }
    pw::TxtFile book;
    book.loadTxtFile(path);
    const int64_t total = book.totalLength();
    check(total == static_cast<int64_t>(size));

    int64_t start = 0;
    int steps = 0;
    while (start < total) {
        std::optional<std::u16string> text;
        pw::TxtFile reader;
        const int64_t next = reader.getNextBlockContentWithStart(start, total, path, text);
        check(next > start && next <= total);
        if (text) {
            std::vector<pw::TxtChapterEntry> found;
            pw::TxtFile::searchChaptersInBlock(*text, start, pw::TxtFile::kChapterTitlePattern, found);
            int64_t bStart = 0, bEnd = 0;
            const size_t half = text->size() / 2;
            if (pw::TxtFile::computebStartAndbEndOffsetInFile(path, *text, std::u16string_view(*text).substr(half),
                                                              static_cast<int64_t>(half), total, bStart, bEnd))
                check(bStart >= start && bEnd < next);
        }
        start = next;
        check(++steps < 1000000);
    }

    for (int64_t end = total - 1; end > 0;) {
        std::optional<std::u16string> text;
        pw::TxtFile reader;
        const int64_t next = reader.getPrevBlockContentWithStart(end, total, path, text);
        if (next >= total || next < 0)
            break;
        check(next < end);
        end = next;
    }

    std::optional<std::u16string> text;
    int64_t pos = 0;
    pw::TxtFile reader;
    reader.goToContent(total / 2, path, total, text, pos);
    check(pos >= 0);
    std::remove(path.c_str());
    return 0;
}

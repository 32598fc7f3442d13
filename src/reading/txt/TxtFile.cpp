#include "reading/txt/TxtFile.h"

#include "platform/core/FileHandle.h"
#include "platform/core/Text.h"
#include "platform/device/Device.h"
#include "reading/regex/RegexAdditions.h"

#include <unicode/ucnv.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace pw {

const std::u16string_view TxtFile::kChapterTitlePattern =
    u"[\\[【［]*[第][\\s]?[\\d〇零一二三四五六七八九十百千万０１２３４５６７８９]{1,10}[\\s]?[章节卷回篇集]";

namespace {

constexpr int64_t kSampleLength = 2048;
// Detection never reads more than this, however long the first line is.
constexpr int64_t kSampleLimit = 65536;
constexpr int64_t kScanStep = 4096;
constexpr size_t kMaxTitleLength = 29;

// What belongs to one book: found when it is opened, shared by every reader
// of that book.
struct BookState {
    TxtFile::Encoding encoding = TxtFile::Encoding::Utf8;
    bool canDecode = false;
    bool loadAll = false;
    int64_t chunkStart = 0;
};

std::mutex s_booksLock;
std::unordered_map<std::string, BookState> s_books;

std::string bookKey(const std::string& path) {
    return std::filesystem::path(path).lexically_normal().string();
}

std::optional<BookState> findBook(const std::string& path) {
    std::lock_guard guard(s_booksLock);
    auto it = s_books.find(bookKey(path));
    if (it == s_books.end())
        return std::nullopt;
    return it->second;
}

struct ConverterCloser {
    void operator()(UConverter* c) const { ucnv_close(c); }
};

// True when `bytes` are valid in the charset; an incomplete sequence at the
// end is allowed when the bytes are only the start of a longer text.
bool decodes(std::string_view bytes, const char* charset, bool complete) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UConverter, ConverterCloser> conv(ucnv_open(charset, &status));
    if (U_FAILURE(status))
        return false;
    ucnv_setToUCallBack(conv.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    if (U_FAILURE(status))
        return false;
    UChar buffer[4096];
    const char* source = bytes.data();
    const char* sourceLimit = bytes.data() + bytes.size();
    for (;;) {
        UChar* target = buffer;
        status = U_ZERO_ERROR;
        ucnv_toUnicode(conv.get(), &target, buffer + 4096, &source, sourceLimit, nullptr, complete, &status);
        if (status == U_BUFFER_OVERFLOW_ERROR)
            continue;
        return U_SUCCESS(status);
    }
}

// Strict decoding of one chunk: any byte sequence that is not valid in the
// encoding fails the whole chunk. One converter per thread and encoding, as
// a scan decodes hundreds of chunks.
std::optional<std::u16string> decodeStrict(std::string_view bytes, TxtFile::Encoding encoding) {
    thread_local std::unique_ptr<UConverter, ConverterCloser> converters[3];
    auto& conv = converters[static_cast<int>(encoding)];
    UErrorCode status = U_ZERO_ERROR;
    if (!conv) {
        conv.reset(ucnv_open(TxtFile::charsetName(encoding), &status));
        if (U_FAILURE(status))
            return std::nullopt;
        ucnv_setToUCallBack(conv.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
        if (U_FAILURE(status))
            return std::nullopt;
    }
    ucnv_resetToUnicode(conv.get());
    // Every encoding here makes at most one unit per byte.
    std::u16string out(bytes.size(), u'\0');
    UChar* target = reinterpret_cast<UChar*>(out.data());
    const char* source = bytes.data();
    ucnv_toUnicode(conv.get(), &target, target + out.size(), &source, bytes.data() + bytes.size(), nullptr, true,
                   &status);
    if (U_FAILURE(status))
        return std::nullopt;
    out.resize(static_cast<size_t>(target - reinterpret_cast<UChar*>(out.data())));
    return out;
}

std::optional<int64_t> encodedLength(std::u16string_view text, TxtFile::Encoding encoding) {
    switch (encoding) {
    case TxtFile::Encoding::Utf16Le:
        return static_cast<int64_t>(text.size()) * 2;
    case TxtFile::Encoding::Utf8: {
        int64_t n = 0;
        for (size_t i = 0; i < text.size(); ++i) {
            const char16_t c = text[i];
            if (c < 0x80) {
                n += 1;
            } else if (c < 0x800) {
                n += 2;
            } else if (c >= 0xD800 && c <= 0xDBFF) {
                if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF)
                    return std::nullopt;
                n += 4;
                ++i;
            } else if (c >= 0xDC00 && c <= 0xDFFF) {
                return std::nullopt;
            } else {
                n += 3;
            }
        }
        return n;
    }
    case TxtFile::Encoding::Gb18030: {
        auto bytes = core::text::encode(text, "GB18030");
        if (!bytes)
            return std::nullopt;
        return static_cast<int64_t>(bytes->size());
    }
    }
    return std::nullopt;
}

// The first line end at or after `from` inside `bytes` (whose first byte is
// file offset `base`), as a file offset of its first byte, or -1.
int64_t lineEndIn(const core::Bytes& bytes, int64_t base, int64_t from, TxtFile::Encoding encoding) {
    if (encoding == TxtFile::Encoding::Utf16Le) {
        int64_t i = std::max<int64_t>(from, base);
        if (i % 2)
            ++i;
        for (; i + 1 < base + static_cast<int64_t>(bytes.size()); i += 2)
            if (bytes[static_cast<size_t>(i - base)] == 0x0A && bytes[static_cast<size_t>(i - base + 1)] == 0x00)
                return i;
        return -1;
    }
    for (int64_t i = std::max<int64_t>(from, base); i < base + static_cast<int64_t>(bytes.size()); ++i)
        if (bytes[static_cast<size_t>(i - base)] == 0x0A)
            return i;
    return -1;
}

core::Bytes readBytes(core::FileHandle& file, int64_t offset, int64_t length) {
    if (offset < 0 || length <= 0 || !file.seek(static_cast<uint64_t>(offset)))
        return {};
    auto bytes = file.read(static_cast<size_t>(length));
    return bytes ? std::move(*bytes) : core::Bytes{};
}

std::optional<int64_t> sizeOf(core::FileHandle& file) {
    auto size = file.size();
    if (!size)
        return std::nullopt;
    return static_cast<int64_t>(*size);
}

// Checks UTF-8 without decoding, a read at a time: a sequence may be cut
// between two reads. Overlong forms, surrogates and code points past U+10FFFF
// are invalid, as they are to the decoder.
struct Utf8Check {
    int need = 0; // continuation bytes still due
    uint8_t lo = 0x80, hi = 0xBF;
    bool valid = true;

    void feed(const uint8_t* p, size_t n) {
        size_t i = 0;
        while (valid && i < n) {
            if (need == 0) {
                // Runs of ASCII, eight bytes at a time.
                while (i + 8 <= n) {
                    uint64_t word;
                    std::memcpy(&word, p + i, 8);
                    if (word & 0x8080808080808080ull)
                        break;
                    i += 8;
                }
                if (i == n)
                    return;
                const uint8_t b = p[i++];
                if (b < 0x80)
                    continue;
                lo = 0x80;
                hi = 0xBF;
                if (b >= 0xC2 && b <= 0xDF) {
                    need = 1;
                } else if (b >= 0xE0 && b <= 0xEF) {
                    need = 2;
                    if (b == 0xE0)
                        lo = 0xA0;
                    else if (b == 0xED)
                        hi = 0x9F;
                } else if (b >= 0xF0 && b <= 0xF4) {
                    need = 3;
                    if (b == 0xF0)
                        lo = 0x90;
                    else if (b == 0xF4)
                        hi = 0x8F;
                } else {
                    valid = false;
                }
            } else {
                const uint8_t b = p[i++];
                if (b < lo || b > hi) {
                    valid = false;
                    return;
                }
                lo = 0x80;
                hi = 0xBF;
                --need;
            }
        }
    }
    bool complete() const { return valid && need == 0; }
};

// Valid UTF-8 from the first byte to the last. Reads the file once, in large
// pieces, and stops at the first invalid sequence.
bool wholeFileIsUtf8(core::FileHandle& file, int64_t totalLength) {
    constexpr int64_t kPiece = 1 << 18;
    Utf8Check check;
    for (int64_t at = 0; at < totalLength && check.valid; at += kPiece) {
        const core::Bytes piece = readBytes(file, at, std::min(kPiece, totalLength - at));
        if (piece.empty())
            return false;
        check.feed(piece.data(), piece.size());
    }
    return check.complete();
}

// The encoding of a book: the candidate from its head (at most 64 KB), a
// UTF-8 candidate confirmed over the whole file, and the decoding checked on
// a sample, its first line end at or after byte 2048.
BookState detect(core::FileHandle& file, int64_t totalLength) {
    BookState state;
    const int64_t headLength = std::min(totalLength, kSampleLimit);
    const core::Bytes head = readBytes(file, 0, headLength);
    const bool headIsWhole = static_cast<int64_t>(head.size()) >= totalLength;
    const std::string_view headText(reinterpret_cast<const char*>(head.data()), head.size());
    // The candidate comes from the whole head: a UTF-16 mark, or zero bytes
    // (which text in a byte encoding does not hold) in valid UTF-16LE, or
    // valid UTF-8. Nothing recognised means GB18030.
    std::optional<TxtFile::Encoding> candidate;
    const bool hasZero = std::find(head.begin(), head.end(), 0) != head.end();
    if ((head.size() >= 2 && head[0] == 0xFF && head[1] == 0xFE) ||
        (hasZero && decodes(headText.substr(0, head.size() & ~size_t{1}), "UTF-16LE", false)))
        candidate = TxtFile::Encoding::Utf16Le;
    else if (decodes(headText, "UTF-8", headIsWhole) && (headIsWhole || wholeFileIsUtf8(file, totalLength)))
        // A long ASCII preface or licence says nothing: a book in GB18030
        // after it must not be read as UTF-8.
        candidate = TxtFile::Encoding::Utf8;

    // The sample: up to the first line end at or after byte 2048.
    const TxtFile::Encoding sampleEncoding = candidate.value_or(TxtFile::Encoding::Gb18030);
    std::string_view sample = headText;
    bool complete = headIsWhole;
    if (totalLength >= kSampleLength) {
        const int64_t end = lineEndIn(head, 0, kSampleLength, sampleEncoding);
        if (end >= 0) {
            const int64_t width = sampleEncoding == TxtFile::Encoding::Utf16Le ? 2 : 1;
            sample = sample.substr(0, static_cast<size_t>(end + width));
            complete = true;
        }
    }
    if (candidate && decodes(sample, TxtFile::charsetName(*candidate), complete)) {
        state.encoding = *candidate;
        state.canDecode = true;
    } else {
        state.encoding = TxtFile::Encoding::Gb18030;
        state.canDecode = decodes(sample, "GB18030", complete);
    }
    return state;
}

} // namespace

const char* TxtFile::charsetName(Encoding encoding) {
    switch (encoding) {
    case Encoding::Utf8:
        return "UTF-8";
    case Encoding::Gb18030:
        return "GB18030";
    case Encoding::Utf16Le:
        return "UTF-16LE";
    }
    return "UTF-8";
}

int TxtFile::getBlockLength() const {
    return device::Device::current().idiom() == device::Idiom::Pad ? kTabletBlockLength : kPhoneBlockLength;
}

void TxtFile::loadTxtFile(const std::string& path) {
    m_filePath = path;
    m_fileNameWithoutExtension = std::filesystem::path(path).stem().string();
    m_totalLength = 0;
    m_canDecode = false;
    auto file = core::FileHandle::forReading(path);
    if (!file)
        return;
    m_totalLength = sizeOf(*file).value_or(0);
    m_loadAll = getBlockLength() >= m_totalLength;
    BookState state = detect(*file, m_totalLength);
    state.loadAll = m_loadAll;
    m_encoding = state.encoding;
    m_canDecode = state.canDecode;
    std::lock_guard guard(s_booksLock);
    auto& book = s_books[bookKey(path)];
    state.chunkStart = book.chunkStart;
    book = state;
}

bool TxtFile::isLoadAllContent(const std::string& path) {
    auto book = findBook(path);
    return book && book->loadAll;
}

int64_t TxtFile::getChunkStartOffset(const std::string& path) {
    auto book = findBook(path);
    return book ? book->chunkStart : 0;
}

void TxtFile::adoptBook(const std::string& path, int64_t totalLength) {
    m_filePath = path;
    m_totalLength = totalLength;
    m_canDecode = true;
    if (auto book = findBook(path)) {
        m_encoding = book->encoding;
        m_loadAll = book->loadAll;
        return;
    }
    // A book read before it was opened: find its state now.
    TxtFile opened;
    opened.loadTxtFile(path);
    m_encoding = opened.m_encoding;
    m_loadAll = opened.m_loadAll;
}

void TxtFile::recordChunkStart(int64_t offset) const {
    std::lock_guard guard(s_booksLock);
    s_books[bookKey(m_filePath)].chunkStart = offset;
}

bool TxtFile::loadAll() const {
    return m_loadAll;
}

int64_t TxtFile::lineEndWidth() const {
    return m_encoding == Encoding::Utf16Le ? 2 : 1;
}

int64_t TxtFile::findLineEnd(core::FileHandle& file, int64_t from) const {
    int64_t at = from;
    if (m_encoding == Encoding::Utf16Le && at % 2)
        ++at;
    while (at < m_totalLength) {
        const core::Bytes bytes = readBytes(file, at, kScanStep);
        if (bytes.empty())
            return -1;
        const int64_t found = lineEndIn(bytes, at, at, m_encoding);
        if (found >= 0)
            return found;
        // UTF-16 units are read whole: an odd last byte starts no unit.
        const int64_t step = m_encoding == Encoding::Utf16Le ? static_cast<int64_t>(bytes.size() & ~size_t{1})
                                                             : static_cast<int64_t>(bytes.size());
        if (step == 0)
            return -1;
        at += step;
    }
    return -1;
}

int64_t TxtFile::findLineEndBefore(core::FileHandle& file, int64_t before) const {
    int64_t end = before;
    while (end > 0) {
        int64_t start = std::max<int64_t>(0, end - kScanStep);
        if (m_encoding == Encoding::Utf16Le && start % 2)
            --start;
        const core::Bytes bytes = readBytes(file, start, end + 1 - start);
        int64_t last = -1;
        for (int64_t at = start;;) {
            const int64_t found = lineEndIn(bytes, start, at, m_encoding);
            if (found < 0 || found >= before)
                break;
            last = found;
            at = found + lineEndWidth();
        }
        if (last >= 0)
            return last;
        end = start;
    }
    return -1;
}

bool TxtFile::getBackwardNextLineWithOffset(int64_t offset, core::FileHandle& file, int64_t& beginOffset,
                                            int64_t& endOffset) {
    if (offset < 0 || offset >= m_totalLength - 1)
        return false;
    const int64_t width = lineEndWidth();
    if (offset == 0) {
        beginOffset = 0;
    } else {
        const int64_t found = findLineEnd(file, offset);
        beginOffset = found < 0 ? m_totalLength - 1 : found + width - 1;
    }
    const int64_t next = beginOffset + 1 < m_totalLength ? findLineEnd(file, beginOffset + 1) : -1;
    endOffset = next < 0 ? m_totalLength - 1 : next + width - 1;
    return true;
}

int64_t TxtFile::computeSafeOffsetFrom(int64_t start, int64_t chunkSize, core::FileHandle& file) {
    if (start < 0)
        return -1;
    if (start >= m_totalLength)
        return 0;
    if (start == m_totalLength - 1)
        return 1;
    if (start + chunkSize >= m_totalLength - 1)
        return m_totalLength - start;
    int64_t begin = 0, end = 0;
    if (!getBackwardNextLineWithOffset(start + chunkSize, file, begin, end))
        return -1;
    return begin - start + 1;
}

int64_t TxtFile::computeSafeOffsetTo(int64_t end, int64_t chunkSize, core::FileHandle& file) {
    if (end < 0)
        return -1;
    if (end == 0)
        return 0;
    if (end <= chunkSize + 100)
        return end + 1;
    const int64_t from = end - chunkSize - 100;
    int64_t begin = findLineEnd(file, from);
    // No line end starts the chunk before `end` (one very long line): go back
    // to the line end before the search point, or to the start of the file.
    if (begin < 0 || begin + lineEndWidth() - 1 >= end) {
        begin = findLineEndBefore(file, from);
        if (begin < 0)
            return end + 1;
    }
    return end - begin + 1;
}

std::optional<std::u16string> TxtFile::readDecoded(core::FileHandle& file, int64_t offset, int64_t length) const {
    const core::Bytes bytes = readBytes(file, offset, length);
    if (static_cast<int64_t>(bytes.size()) != length)
        return std::nullopt;
    return decodeStrict(core::asStringView(bytes), m_encoding);
}

std::optional<std::u16string> TxtFile::readWhole() const {
    auto file = core::FileHandle::forReading(m_filePath);
    if (!file)
        return std::nullopt;
    return readDecoded(*file, 0, m_totalLength);
}

int64_t TxtFile::getContent(int64_t startOffset, std::optional<std::u16string>& content) {
    return getContent(startOffset, true, content);
}

int64_t TxtFile::getContent(int64_t startOffset, bool computeStartOffset, std::optional<std::u16string>& content) {
    content.reset();
    // The last byte of the file is a chunk of its own when it follows the
    // last line end; only past the end is there nothing to read.
    if (startOffset >= m_totalLength) {
        if (computeStartOffset)
            recordChunkStart(std::max<int64_t>(0, m_totalLength - 1));
        return m_totalLength;
    }
    if (loadAll()) {
        content = readWhole();
        if (computeStartOffset)
            recordChunkStart(0);
        return m_totalLength;
    }
    auto file = core::FileHandle::forReading(m_filePath);
    if (!file)
        return -1;
    const int64_t length = computeSafeOffsetFrom(startOffset, getBlockLength(), *file);
    if (length == 0) {
        if (computeStartOffset)
            recordChunkStart(0);
        return 0;
    }
    if (length < 0)
        return -1;
    content = readDecoded(*file, startOffset, length);
    if (computeStartOffset)
        recordChunkStart(startOffset);
    return startOffset + length;
}

int64_t TxtFile::getNextBlockContentWithStart(int64_t startOffset, int64_t totalLength, const std::string& path,
                                              std::optional<std::u16string>& content) {
    adoptBook(path, totalLength);
    return getContent(startOffset, true, content);
}

int64_t TxtFile::getPrevBlockContentWithStart(int64_t endOffset, int64_t totalLength, const std::string& path,
                                              std::optional<std::u16string>& content) {
    adoptBook(path, totalLength);
    if (endOffset <= 0) {
        recordChunkStart(0);
        return 0;
    }
    if (loadAll()) {
        content.reset();
        content = readWhole();
        recordChunkStart(0);
        return m_totalLength;
    }
    auto file = core::FileHandle::forReading(m_filePath);
    if (!file)
        return -1;
    const int64_t end = std::min(endOffset, m_totalLength - 1);
    const int64_t length = computeSafeOffsetTo(end, getBlockLength(), *file);
    if (length < 0)
        return -1;
    if (length == 0) {
        recordChunkStart(0);
        return 0;
    }
    const int64_t start = end + 1 - length;
    recordChunkStart(start);
    content = readDecoded(*file, start, length);
    return start - 1;
}

int64_t TxtFile::goToContent(int64_t offset, const std::string& path, int64_t totalLength,
                             std::optional<std::u16string>& content, int64_t& pos) {
    adoptBook(path, totalLength);
    auto proportional = [&](const std::u16string& text) {
        const int64_t length = static_cast<int64_t>(text.size());
        const float fraction = totalLength > 0 ? static_cast<float>(offset) / static_cast<float>(totalLength) : 0.f;
        int64_t index = static_cast<int64_t>(std::trunc(fraction * static_cast<float>(length)));
        if (index >= length - 15)
            index = length - 15;
        return std::max<int64_t>(0, index);
    };
    if (loadAll()) {
        content = readWhole();
        if (content)
            pos = proportional(*content);
        recordChunkStart(0);
        return m_totalLength;
    }
    if (offset > 0 && offset >= totalLength - getBlockLength()) {
        const int64_t answer = getPrevBlockContentWithStart(totalLength - 1, totalLength, path, content);
        if (content)
            pos = proportional(*content);
        return answer;
    }
    pos = 0;
    if (offset > 0) {
        int64_t begin = 0, end = 0;
        auto file = core::FileHandle::forReading(m_filePath);
        if (file && getBackwardNextLineWithOffset(offset - 30, *file, begin, end) && begin > 0)
            begin -= lineEndWidth() - 1; // start at the line end's first byte
        else
            begin = 0;
        return getNextBlockContentWithStart(begin, totalLength, path, content);
    }
    return getNextBlockContentWithStart(0, totalLength, path, content);
}

bool TxtFile::computebStartAndbEndOffsetInFile(const std::string& path, std::u16string_view chunk,
                                               std::u16string_view page, int64_t position, int64_t totalLen,
                                               int64_t& bStart, int64_t& bEnd) {
    bStart = 0;
    bEnd = 0;
    const auto book = findBook(path);
    const Encoding encoding = book ? book->encoding : Encoding::Utf8;
    if (book && book->loadAll && chunk == page) {
        bEnd = totalLen - 1;
        return true;
    }
    if (position < 0 || position > static_cast<int64_t>(chunk.size()))
        return false;
    const auto before = encodedLength(chunk.substr(0, static_cast<size_t>(position)), encoding);
    const auto pageBytes = encodedLength(page, encoding);
    if (!before || !pageBytes)
        return false;
    bStart = *before + (book ? book->chunkStart : 0);
    bEnd = *pageBytes > 0 ? bStart + *pageBytes - 1 : bStart;
    return true;
}

std::vector<TxtChapterEntry> TxtFile::parseChaptersWithTxtFilePath(const std::string& path, int64_t totalLength,
                                                                   const std::function<void(float)>& report) {
    adoptBook(path, totalLength);
    std::vector<TxtChapterEntry> chapters;
    int64_t offset = 0;
    while (offset < totalLength) {
        std::optional<std::u16string> chunk;
        const int64_t answer = getContent(offset, false, chunk);
        if (chunk)
            searchChaptersInBlock(*chunk, offset, kChapterTitlePattern, chapters);
        if (answer >= totalLength || answer <= offset)
            break;
        if (report)
            report(static_cast<float>(answer) / static_cast<float>(totalLength));
        offset = answer;
    }
    return chapters;
}

void TxtFile::searchChaptersInBlock(std::u16string_view block, int64_t offset, std::u16string_view regex,
                                    std::vector<TxtChapterEntry>& chaptersInfo) {
    std::vector<uint64_t> matches;
    if (regex == kChapterTitlePattern) {
        // Every title holds 第 after its opening brackets, and at most 23
        // units follow it (ten digits may be supplementary characters): the
        // pattern runs only where a title can start, over the few units it
        // can cover, which finds the same matches as one search after
        // another over the rest of the chunk.
        auto isBracket = [](char16_t c) { return c == u'[' || c == u'【' || c == u'［'; };
        uint64_t next = 0;
        for (size_t at = block.find(u'第'); at != std::u16string_view::npos; at = block.find(u'第', at + 1)) {
            if (at < next)
                continue;
            uint64_t start = at;
            while (start > next && isBracket(block[start - 1]))
                --start;
            const uint64_t end = std::min<uint64_t>(block.size(), at + 24);
            const TextRange found = RegexAdditions::rangeOfRegex(block, regex, 0, {start, end - start});
            if (!found.found())
                continue;
            matches.push_back(found.location);
            next = found.end();
        }
    } else {
        TextRange range{0, block.size()};
        for (;;) {
            const TextRange found = RegexAdditions::rangeOfRegex(block, regex, 0, range);
            if (!found.found())
                break;
            matches.push_back(found.location);
            const uint64_t next = found.end() + (found.length == 0 ? 1 : 0);
            if (next > block.size())
                break;
            range = {next, block.size() - next};
        }
    }
    if (matches.empty())
        return;

    std::u16string text(block);
    std::replace(text.begin(), text.end(), u'\r', u' ');
    auto nearLineStart = [&](uint64_t at) { return text[at] == u' ' || text[at] == u'\n'; };
    size_t last = 0;
    for (uint64_t m : matches) {
        if (m > 1 && !nearLineStart(m - 1) && m > 2 && !nearLineStart(m - 2))
            continue;
        const size_t newline = text.find(u'\n', m);
        if (newline == std::u16string::npos)
            continue;
        if (newline - m > kMaxTitleLength || newline == last)
            continue;
        chaptersInfo.push_back({core::text::toUtf8Lenient(std::u16string_view(text).substr(m, newline - m)), offset,
                                static_cast<int64_t>(m)});
        last = newline;
    }
}

} // namespace pw

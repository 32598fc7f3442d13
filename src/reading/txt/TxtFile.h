#pragma once

#include "reading/txt/TxtChapterEntry.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pw::core {
class FileHandle;
}

namespace pw {

// A plain-text book of any size, read in chunks of about 20 KB that always end
// at a line end, so a chunk never splits a line or a character.
//
// A book's encoding, load-all mode and the start of the chunk shown last
// belong to that book (by path): a TxtFile object is a short-lived reader,
// made anew for every chunk, that picks them up from the book it reads; a
// chapter scan of one book is never confused by another book opened
// meanwhile. Chunk texts are UTF-16; byte offsets are 64-bit.
class TxtFile {
public:
    enum class Encoding { Utf8, Gb18030, Utf16Le };

    static constexpr int kPhoneBlockLength = 20480;
    static constexpr int kTabletBlockLength = 30720;
    // The chapter-title pattern of the scan.
    static const std::u16string_view kChapterTitlePattern;
    static constexpr const char* kIndexExtension = ".index";

    TxtFile() = default;

    // Finds the encoding from a sample of the file and whether it fits one
    // chunk; the bookshelf refuses a book that is empty or cannot decode.
    void loadTxtFile(const std::string& path);
    static bool isLoadAllContent(const std::string& path);
    static int64_t getChunkStartOffset(const std::string& path);
    // The chunk size: the tablet size when the device's interface idiom is
    // the tablet's.
    int getBlockLength() const;

    // Each answers the start of the next chunk (or -1 on failure, 0 past the
    // end); `content` is nullopt when nothing was read or it did not decode.
    int64_t getContent(int64_t startOffset, std::optional<std::u16string>& content);
    int64_t getContent(int64_t startOffset, bool computeStartOffset, std::optional<std::u16string>& content);
    int64_t getNextBlockContentWithStart(int64_t startOffset, int64_t totalLength, const std::string& path,
                                         std::optional<std::u16string>& content);
    // The chunk that ends at byte `endOffset`; answers the end offset for the
    // next backward read (0 at the start of the file).
    int64_t getPrevBlockContentWithStart(int64_t endOffset, int64_t totalLength, const std::string& path,
                                         std::optional<std::u16string>& content);
    // The chunk for a jump to byte `offset` and the position to show in it.
    int64_t goToContent(int64_t offset, const std::string& path, int64_t totalLength,
                        std::optional<std::u16string>& content, int64_t& pos);

    // The file bytes of a page: `chunk` is the text of the chunk last read for
    // display, `page` the page's text starting at UTF-16 index `position`.
    static bool computebStartAndbEndOffsetInFile(const std::string& path, std::u16string_view chunk,
                                                 std::u16string_view page, int64_t position, int64_t totalLen,
                                                 int64_t& bStart, int64_t& bEnd);

    // The chapter scan over the whole file, chunk by chunk; `report` hears the
    // fraction done after each chunk.
    std::vector<TxtChapterEntry> parseChaptersWithTxtFilePath(const std::string& path, int64_t totalLength,
                                                              const std::function<void(float)>& report);
    static void searchChaptersInBlock(std::u16string_view block, int64_t offset, std::u16string_view regex,
                                      std::vector<TxtChapterEntry>& chaptersInfo);

    // Line ends. `begin` is the last byte of the first line end at or after
    // `offset` (0 for offset 0), `end` the last byte of the line end after it.
    bool getBackwardNextLineWithOffset(int64_t offset, core::FileHandle& file, int64_t& beginOffset,
                                       int64_t& endOffset);
    int64_t computeSafeOffsetFrom(int64_t start, int64_t chunkSize, core::FileHandle& file);
    int64_t computeSafeOffsetTo(int64_t end, int64_t chunkSize, core::FileHandle& file);

    const std::string& filePath() const { return m_filePath; }
    const std::string& fileNameWithoutExtension() const { return m_fileNameWithoutExtension; }
    Encoding encoding() const { return m_encoding; }
    bool canDecode() const { return m_canDecode; }
    int64_t totalLength() const { return m_totalLength; }

    static const char* charsetName(Encoding encoding);
    static std::string indexPathFor(const std::string& path) { return path + kIndexExtension; }

private:
    // Takes over the book's state for a fresh reader.
    void adoptBook(const std::string& path, int64_t totalLength);
    void recordChunkStart(int64_t offset) const;
    bool loadAll() const;
    // Bytes of one line end in this encoding (2 for UTF-16LE).
    int64_t lineEndWidth() const;
    // First byte of the first line end at or after `from`, or -1 at the end.
    int64_t findLineEnd(core::FileHandle& file, int64_t from) const;
    // First byte of the last line end that starts before `before`, or -1.
    int64_t findLineEndBefore(core::FileHandle& file, int64_t before) const;
    std::optional<std::u16string> readDecoded(core::FileHandle& file, int64_t offset, int64_t length) const;
    std::optional<std::u16string> readWhole() const;

    std::string m_filePath;
    std::string m_fileNameWithoutExtension;
    Encoding m_encoding = Encoding::Utf8;
    bool m_canDecode = false;
    int64_t m_totalLength = 0;
    bool m_loadAll = false;
};

} // namespace pw

#pragma once

#include "platform/core/Bytes.h"
#include "platform/gfx/Image.h"
#include "reading/umd/UmdChapterBlock.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace pw {

// A UMD book read straight from its file, on demand. Positions are byte
// offsets into the book's whole uncompressed UTF-16LE content (content blocks
// of 32768 bytes); a chapter is named by the offset of its first character.
//
// A malformed file throws UmdException from the metadata and chapter-list
// reads and from a chapter offset that is not in the list; content requests
// answer false. Every length, count and offset read from the file is checked
// against the file before it is used.
class UmdFile {
public:
    static constexpr int64_t kContentBlockSize = 32768;
    static constexpr int kTextType = 1;

    UmdFile() = default;
    ~UmdFile();
    UmdFile(const UmdFile&) = delete;
    UmdFile& operator=(const UmdFile&) = delete;

    void loadUmdFile(const std::string& path);

    // Metadata: title, author, date, story type, publisher, retailer and
    // content length, each empty (0) when its block is missing.
    void getFileInfo();
    int64_t getFileTitle(int64_t offset, std::string& title);
    int64_t getFileAuthor(int64_t offset, std::string& author);
    int64_t getFileDate(int64_t offset, std::string& date);
    int64_t getFileStoryType(int64_t offset, std::string& storyType);
    int64_t getFilePublisher(int64_t offset, std::string& publisher);
    int64_t getFileRetailer(int64_t offset, std::string& retailer);
    int64_t getFileContentLength(int64_t offset, int64_t& contentLength);
    int64_t getFileInfo(int64_t offset, int type, std::string& result);
    int64_t getBlockLength(int64_t offset, int type);
    int64_t getFileInfoBlockLength();

    // Reads the chapter list; the offset after it (or after the metadata
    // when there is none, leaving chapters() null).
    int64_t getChapters();
    int64_t getChaptersBlockLength();

    // The text of the chapter an offset names (the last chapter that starts
    // there); throws UmdException for an offset that is not a chapter.
    bool getChapterContent(int64_t chapterOffset, std::u16string& chapterContent);
    // The text of the chapter at a position in the list: an empty chapter
    // succeeds with empty text. Throws UmdException for a position outside
    // the list.
    bool getChapterContentAt(int64_t index, std::u16string& chapterContent);
    // The text from byte offset `offset` to the end of its chapter, and the
    // chapter it lies in.
    bool getContent(int64_t offset, std::u16string& content, int64_t& inChapter);
    // The text of the content blocks covering [offset, offset + length); `start`
    // is the byte offset of `offset` inside the first of them.
    bool getEnoughContent(int64_t offset, int64_t length, int64_t& startOffset, std::u16string& content);
    int64_t getAllContent(std::u16string& content);

    int64_t getNextBlockOffset(int64_t offset, int64_t& endBlock);
    int64_t getContentBlock(int64_t offset, std::u16string& content);
    int64_t getContentBlockLength(int64_t offset);
    int64_t getContentEndBlockLength(int64_t offset, int64_t& blockAmount);
    int64_t getContentEndBlockLength(int64_t offset);
    int64_t getAllContentBlockAmount();
    int64_t getAllContentBlockLength();

    // The cover image's bytes (nullopt when there is none); the offset after
    // the cover, or where it would start.
    int64_t getCoverImageData(std::optional<core::Bytes>& data);
    // The same, decoded: nullopt when there is no cover or its bytes are not
    // a picture.
    int64_t getCoverImage(std::optional<gfx::Image>& image);

    int umdType() const { return m_umdType; }
    bool isUmdFile() const { return m_isUmdFile; }
    const std::string& fileNameWithoutExtension() const { return m_fileNameWithoutExtension; }
    const std::string& filePath() const { return m_filePath; }
    const std::string& title() const { return m_title; }
    const std::string& author() const { return m_author; }
    const std::string& date() const { return m_date; }
    const std::string& storyType() const { return m_storyType; }
    const std::string& publisher() const { return m_publisher; }
    const std::string& retailer() const { return m_retailer; }
    int64_t contentLength() const { return m_contentLength; }
    UmdChapterBlock* chapters() const { return m_chapters.get(); }

private:
    // Where each content block lies, found by one scan and kept with the
    // chapter list so that chapter reads do not rescan the file.
    struct ContentIndex {
        std::vector<std::pair<int64_t, int64_t>> blocks; // offset, length
        int64_t endBlock = -1;
        int64_t blockAmount = -1;
        int64_t afterEnd = -1;
    };
    const ContentIndex& contentIndex();
    bool lastBlockIsFull(int64_t blockAmount);
    bool haveChapters();
    std::optional<std::u16string> inflateBlock(int64_t offset, int64_t length);

    int m_umdType = 0;
    bool m_isUmdFile = false;
    std::string m_fileNameWithoutExtension;
    std::string m_filePath;
    std::string m_title;
    std::string m_author;
    std::string m_date;
    std::string m_storyType;
    std::string m_publisher;
    std::string m_retailer;
    int64_t m_contentLength = 0;
    std::unique_ptr<UmdChapterBlock> m_chapters;
    std::optional<ContentIndex> m_contentIndex;
    // The block inflated last: neighbouring chapters share the block between
    // them, so reading on through a book inflates each block about once.
    int64_t m_lastBlockIndex = -1;
    std::u16string m_lastBlockText;
};

} // namespace pw

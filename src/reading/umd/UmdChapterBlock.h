#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace pw {

// The chapter list of a UMD book: the chapter offsets (byte offsets into the
// whole uncompressed content, in chapter order) and where each title lies in
// the file. A chapter is named by its offset.
class UmdChapterBlock {
public:
    // (file offset of the title's first byte, title length in bytes)
    using TitleRange = std::pair<int64_t, int64_t>;

    // The list at `offset` (the offsets pair, then the titles pair), or null
    // when no offsets block starts there. A list whose lengths, counts or
    // offsets do not fit the file throws UmdException.
    static std::unique_ptr<UmdChapterBlock> getBlock(const std::string& path, int64_t offset);
    // The offset after the offsets pair and the titles pair that follow
    // `offset` (each only when present with matching check values).
    static int64_t getBlockLength(const std::string& path, int64_t offset);

    // The next chapter's offset minus this one, -1 for the last chapter;
    // throws UmdException for an offset that is not a chapter.
    int64_t getChapterContentLength(int64_t chapterOffset) const;
    int64_t nextChapterContentOffset(int64_t chapterOffset) const;
    int64_t prevChapterContentOffset(int64_t chapterOffset) const;
    // UTF-8; empty for a chapter without a title.
    std::string getChapterTitle(int64_t chapterOffset) const;
    // Every chapter's title with one read of the file.
    std::map<int64_t, std::string> getAllChapterTitle() const;

    const std::string& filePath() const { return m_filePath; }
    bool isValid() const { return m_isValid; }
    int chapterAmount() const { return m_chapterAmount; }
    const std::vector<int64_t>& listChapterOffset() const { return m_listChapterOffset; }
    const std::map<int64_t, TitleRange>& dictChapterTitlesRange() const { return m_dictChapterTitlesRange; }
    int64_t offset() const { return m_offset; }

private:
    explicit UmdChapterBlock(std::string path) : m_filePath(std::move(path)) {}
    // Index of the chapter, or -1.
    int64_t indexOf(int64_t chapterOffset) const;

    std::string m_filePath;
    bool m_isValid = false;
    int m_chapterAmount = 0;
    std::vector<int64_t> m_listChapterOffset;
    std::map<int64_t, TitleRange> m_dictChapterTitlesRange;
    int64_t m_offset = 0;
};

} // namespace pw

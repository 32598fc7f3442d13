#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace pw {

// The chapter list of a UMD book: the chapter offsets (byte offsets into the
// whole uncompressed content, in chapter order) and where each title lies in
// the file. An empty chapter starts where the next one does, so several
// chapters may share an offset: each chapter is its position in the list, and
// an offset names the last chapter that starts there (the one that holds the
// text from that offset on).
class UmdChapterBlock {
public:
    // (file offset of the title's first byte, title length in bytes)
    using TitleRange = std::pair<int64_t, int64_t>;

    // The list at `offset` (the offsets pair, then the titles pair), or null
    // when no offsets block starts there. A list whose lengths, counts or
    // offsets do not fit the file, or whose offsets go back, throws
    // UmdException.
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
    // Every chapter's title with one read of the file, by offset.
    std::map<int64_t, std::string> getAllChapterTitle() const;

    // By position in the list. The position of the chapter an offset names,
    // or -1 when no chapter starts there.
    int64_t chapterIndexOf(int64_t chapterOffset) const;
    // 0 for an empty chapter, -1 for the last one; throws UmdException for a
    // position outside the list.
    int64_t getChapterContentLengthAt(int64_t index) const;
    std::string getChapterTitleAt(int64_t index) const;
    // Every chapter's title in list order, with one read of the file.
    std::vector<std::string> getAllChapterTitleInOrder() const;

    const std::string& filePath() const { return m_filePath; }
    bool isValid() const { return m_isValid; }
    int chapterAmount() const { return m_chapterAmount; }
    const std::vector<int64_t>& listChapterOffset() const { return m_listChapterOffset; }
    // One entry per chapter, in list order; none for a chapter without a title.
    const std::vector<std::optional<TitleRange>>& listChapterTitlesRange() const { return m_listChapterTitlesRange; }
    int64_t offset() const { return m_offset; }

private:
    explicit UmdChapterBlock(std::string path) : m_filePath(std::move(path)) {}

    std::string m_filePath;
    bool m_isValid = false;
    int m_chapterAmount = 0;
    std::vector<int64_t> m_listChapterOffset;
    std::vector<std::optional<TitleRange>> m_listChapterTitlesRange;
    int64_t m_offset = 0;
};

} // namespace pw

#include "reading/umd/UmdChapterBlock.h"

#include "platform/core/Text.h"
#include "reading/umd/UmdBytes.h"
#include "reading/umd/UmdException.h"

#include <algorithm>

namespace pw {

namespace {

constexpr uint8_t kOffsetsType = 0x83;
constexpr uint8_t kTitlesType = 0x84;

// A function block of 9 bytes followed by its "$" data block, as read in one
// 18-byte look: the data block's length, or -1 when it is not such a pair
// with matching check values.
struct Pair {
    bool present = false;   // "#" and the type are there
    bool checked = false;   // the check values agree
    int64_t dataLength = 0; // data block length, 9-byte header included
};

Pair readPair(core::FileHandle& file, int64_t offset, uint8_t type, const char* where) {
    Pair pair;
    const core::Bytes head = umd::readAt(file, offset, 18);
    if (head.size() < 2 || head[0] != '#' || head[1] != type)
        return pair;
    pair.present = true;
    if (head.size() < 18)
        throw UmdException(std::string("UmdChapterBlock ") + where + " - truncated block");
    pair.checked = std::equal(head.begin() + 5, head.begin() + 9, head.begin() + 10) && head[9] == '$';
    if (!pair.checked)
        return pair;
    pair.dataLength = umd::le32(head, 14);
    // The data must hold at least its header and end inside the file.
    if (pair.dataLength < 9 || offset + 9 + pair.dataLength > umd::fileSize(file))
        throw UmdException(std::string("UmdChapterBlock ") + where + " - bad block length");
    return pair;
}

} // namespace

std::unique_ptr<UmdChapterBlock> UmdChapterBlock::getBlock(const std::string& path, int64_t offset) {
    auto file = core::FileHandle::forReading(path);
    if (!file)
        return nullptr;
    const Pair offsets = readPair(*file, offset, kOffsetsType, "getBlock:Offset:");
    if (!offsets.present)
        return nullptr;
    std::unique_ptr<UmdChapterBlock> block(new UmdChapterBlock(path));
    block->m_isValid = offsets.checked;
    int64_t at = offset;
    if (block->m_isValid) {
        const int64_t count = (offsets.dataLength - 9) / 4;
        const core::Bytes data = umd::readAt(*file, offset + 18, count * 4);
        if (static_cast<int64_t>(data.size()) < count * 4)
            throw UmdException("UmdChapterBlock getBlock:Offset: - truncated chapter offsets");
        block->m_chapterAmount = static_cast<int>(count);
        block->m_listChapterOffset.reserve(static_cast<size_t>(count));
        block->m_listChapterTitlesRange.resize(static_cast<size_t>(count));
        for (int64_t i = 0; i < count; ++i) {
            const int64_t chapter = umd::le32(data, static_cast<size_t>(4 * i));
            // Chapters are walked in order: an offset never goes back. An
            // empty chapter shares its offset with the next one.
            if (chapter < 0 || (!block->m_listChapterOffset.empty() && chapter < block->m_listChapterOffset.back()))
                throw UmdException("UmdChapterBlock getBlock:Offset: - bad chapter offset");
            block->m_listChapterOffset.push_back(chapter);
        }
        at = offset + 9 + offsets.dataLength;
    }

    const Pair titles = readPair(*file, at, kTitlesType, "getBlock:Offset:");
    if (titles.present && titles.checked && block->m_isValid) {
        const int64_t size = titles.dataLength - 9;
        const int64_t dataStart = at + 18;
        const core::Bytes data = umd::readAt(*file, dataStart, size);
        if (static_cast<int64_t>(data.size()) < size)
            throw UmdException("UmdChapterBlock getBlock:Offset: - truncated chapter titles");
        size_t i = 0;
        for (int64_t q = 0; q < size;) {
            const int64_t n = data[static_cast<size_t>(q)];
            if (q + 1 + n > size)
                throw UmdException("UmdChapterBlock getBlock:Offset: - bad chapter title length");
            if (i < block->m_listChapterTitlesRange.size())
                block->m_listChapterTitlesRange[i] = TitleRange{dataStart + q + 1, n};
            q += n + 1;
            ++i;
        }
        at += 9 + titles.dataLength;
    }
    block->m_offset = at;
    return block;
}

int64_t UmdChapterBlock::getBlockLength(const std::string& path, int64_t offset) {
    auto file = core::FileHandle::forReading(path);
    if (!file)
        return offset;
    const Pair offsets = readPair(*file, offset, kOffsetsType, "getBlockLength:Offset:");
    if (offsets.present && offsets.checked)
        offset += offsets.dataLength + 9;
    const Pair titles = readPair(*file, offset, kTitlesType, "getBlockLength:Offset:");
    if (titles.present && titles.checked)
        offset += titles.dataLength + 9;
    return offset;
}

int64_t UmdChapterBlock::chapterIndexOf(int64_t chapterOffset) const {
    auto it = std::upper_bound(m_listChapterOffset.begin(), m_listChapterOffset.end(), chapterOffset);
    if (it == m_listChapterOffset.begin() || *(it - 1) != chapterOffset)
        return -1;
    return (it - m_listChapterOffset.begin()) - 1;
}

int64_t UmdChapterBlock::getChapterContentLength(int64_t chapterOffset) const {
    const int64_t i = chapterIndexOf(chapterOffset);
    if (i < 0)
        throw UmdException("UmdChapterBlock getChapterContentLength:  - error chapter offset");
    return getChapterContentLengthAt(i);
}

int64_t UmdChapterBlock::getChapterContentLengthAt(int64_t index) const {
    const int64_t count = static_cast<int64_t>(m_listChapterOffset.size());
    if (index < 0 || index >= count)
        throw UmdException("UmdChapterBlock getChapterContentLengthAt:  - error chapter index");
    if (index + 1 == count)
        return -1;
    return m_listChapterOffset[static_cast<size_t>(index + 1)] - m_listChapterOffset[static_cast<size_t>(index)];
}

int64_t UmdChapterBlock::nextChapterContentOffset(int64_t chapterOffset) const {
    const int64_t i = chapterIndexOf(chapterOffset);
    if (i < 0 || i + 1 >= static_cast<int64_t>(m_listChapterOffset.size()))
        return -1;
    return m_listChapterOffset[static_cast<size_t>(i + 1)];
}

int64_t UmdChapterBlock::prevChapterContentOffset(int64_t chapterOffset) const {
    if (chapterIndexOf(chapterOffset) < 0)
        return -1;
    // Before the first chapter at this offset: the empty chapters that share
    // it have no text to go back into.
    auto first = std::lower_bound(m_listChapterOffset.begin(), m_listChapterOffset.end(), chapterOffset);
    if (first == m_listChapterOffset.begin())
        return -1;
    return *(first - 1);
}

std::string UmdChapterBlock::getChapterTitle(int64_t chapterOffset) const {
    const int64_t i = chapterIndexOf(chapterOffset);
    return i < 0 ? std::string() : getChapterTitleAt(i);
}

std::string UmdChapterBlock::getChapterTitleAt(int64_t index) const {
    if (index < 0 || index >= static_cast<int64_t>(m_listChapterTitlesRange.size()))
        return {};
    const auto& range = m_listChapterTitlesRange[static_cast<size_t>(index)];
    if (!range)
        return {};
    const core::Bytes bytes = umd::readAt(m_filePath, range->first, range->second);
    return core::text::toUtf8Lenient(umd::utf16le(bytes.data(), bytes.size()));
}

std::vector<std::string> UmdChapterBlock::getAllChapterTitleInOrder() const {
    int64_t first = INT64_MAX;
    int64_t last = 0;
    for (const auto& range : m_listChapterTitlesRange) {
        if (!range)
            continue;
        first = std::min(first, range->first);
        last = std::max(last, range->first + range->second);
    }
    core::Bytes buffer;
    if (first < last)
        buffer = umd::readAt(m_filePath, first, last - first);
    std::vector<std::string> titles;
    titles.reserve(m_listChapterOffset.size());
    for (size_t i = 0; i < m_listChapterOffset.size(); ++i) {
        const auto& range = m_listChapterTitlesRange[i];
        std::string title;
        if (range) {
            const int64_t from = range->first - first;
            const int64_t to = std::min<int64_t>(from + range->second, static_cast<int64_t>(buffer.size()));
            if (from >= 0 && from < to)
                title = core::text::toUtf8Lenient(umd::utf16le(buffer.data() + from, static_cast<size_t>(to - from)));
        }
        titles.push_back(std::move(title));
    }
    return titles;
}

std::map<int64_t, std::string> UmdChapterBlock::getAllChapterTitle() const {
    // Chapters that share an offset: the offset keeps the title of the
    // chapter it names, the last of them.
    std::vector<std::string> inOrder = getAllChapterTitleInOrder();
    std::map<int64_t, std::string> titles;
    for (size_t i = 0; i < inOrder.size(); ++i)
        titles[m_listChapterOffset[i]] = std::move(inOrder[i]);
    return titles;
}

} // namespace pw

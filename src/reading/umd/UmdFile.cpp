#include "reading/umd/UmdFile.h"

#include "platform/core/Text.h"
#include "reading/umd/UMDBlock.h"
#include "reading/umd/UmdBytes.h"
#include "reading/umd/UmdException.h"

#include <zlib.h>

#include <algorithm>
#include <filesystem>

namespace pw {

namespace {

constexpr uint8_t kMagic[4] = {0x89, 0x9B, 0x9A, 0xDE};
constexpr int64_t kInfoStart = 12;
constexpr uint8_t kContentEndType = 0x81;
constexpr uint8_t kCoverType = 0x82;
constexpr int64_t kScanWindow = 32;

// Inflates one zlib stream that must not produce more than `cap` bytes: a
// damaged or hostile block cannot make the reader allocate without bound.
std::optional<core::Bytes> inflateCapped(const uint8_t* data, size_t size, size_t cap) {
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        return std::nullopt;
    core::Bytes out(cap + 1);
    stream.next_in = const_cast<Bytef*>(data);
    stream.avail_in = static_cast<uInt>(size);
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    int status = Z_OK;
    while (status == Z_OK && stream.avail_out > 0)
        status = inflate(&stream, Z_SYNC_FLUSH);
    const size_t produced = out.size() - stream.avail_out;
    inflateEnd(&stream);
    if (status != Z_STREAM_END || produced > cap)
        return std::nullopt;
    out.resize(produced);
    return out;
}

std::string utf8Of(const core::Bytes& bytes, size_t from = 0) {
    if (from >= bytes.size())
        return {};
    return core::text::toUtf8Lenient(umd::utf16le(bytes.data() + from, bytes.size() - from));
}

} // namespace

UmdFile::~UmdFile() = default;

void UmdFile::loadUmdFile(const std::string& path) {
    m_filePath = path;
    m_chapters.reset();
    m_contentIndex.reset();
    m_lastBlockIndex = -1;
    m_lastBlockText.clear();
    auto file = core::FileHandle::forReading(path);
    if (!file)
        return;
    const core::Bytes head = umd::readAt(*file, 0, 10);
    m_fileNameWithoutExtension = std::filesystem::path(path).stem().string();
    m_isUmdFile = head.size() >= 10 && std::equal(std::begin(kMagic), std::end(kMagic), head.begin());
    m_umdType = head.size() >= 10 ? head[9] : 0;
}

void UmdFile::getFileInfo() {
    int64_t offset = kInfoStart;
    offset = getFileTitle(offset, m_title);
    offset = getFileAuthor(offset, m_author);
    offset = getFileDate(offset, m_date);
    offset = getFileStoryType(offset, m_storyType);
    offset = getFilePublisher(offset, m_publisher);
    offset = getFileRetailer(offset, m_retailer);
    getFileContentLength(offset, m_contentLength);
}

int64_t UmdFile::getFileTitle(int64_t offset, std::string& title) {
    return getFileInfo(offset, 2, title);
}
int64_t UmdFile::getFileAuthor(int64_t offset, std::string& author) {
    return getFileInfo(offset, 3, author);
}
int64_t UmdFile::getFileStoryType(int64_t offset, std::string& storyType) {
    return getFileInfo(offset, 7, storyType);
}
int64_t UmdFile::getFilePublisher(int64_t offset, std::string& publisher) {
    return getFileInfo(offset, 8, publisher);
}
int64_t UmdFile::getFileRetailer(int64_t offset, std::string& retailer) {
    return getFileInfo(offset, 9, retailer);
}

int64_t UmdFile::getFileInfo(int64_t offset, int type, std::string& result) {
    result.clear();
    const UMDBlock block = UMDBlock::getBlock(m_filePath, offset);
    if (block.blockType() != type)
        return offset;
    if (block.blockLength() < 5)
        throw UmdException("UmdFile getFileInfo:BlockType:Result: - bad block length");
    const int64_t size = block.blockLength() - 5;
    const core::Bytes payload = umd::readAt(m_filePath, offset + 5, size);
    if (static_cast<int64_t>(payload.size()) < size)
        throw UmdException("UmdFile getFileInfo:BlockType:Result: - truncated block");
    result = utf8Of(payload);
    return offset + block.blockLength();
}

int64_t UmdFile::getFileDate(int64_t offset, std::string& date) {
    std::string year, month, day;
    offset = getFileInfo(offset, 4, year);
    offset = getFileInfo(offset, 5, month);
    offset = getFileInfo(offset, 6, day);
    m_date = year + "-" + month + "-" + day;
    date = m_date;
    return offset;
}

int64_t UmdFile::getFileContentLength(int64_t offset, int64_t& contentLength) {
    contentLength = 0;
    const UMDBlock block = UMDBlock::getBlock(m_filePath, offset);
    if (block.blockType() != 11)
        return offset;
    if (block.blockLength() < 9)
        throw UmdException("UmdFile getFileContentLength:ContentLength: - bad block length");
    const core::Bytes payload = umd::readAt(m_filePath, offset + 5, 4);
    if (payload.size() < 4)
        throw UmdException("UmdFile getFileContentLength:ContentLength: - truncated block");
    contentLength = umd::le32(payload, 0);
    return offset + block.blockLength();
}

int64_t UmdFile::getBlockLength(int64_t offset, int type) {
    const UMDBlock block = UMDBlock::getBlock(m_filePath, offset);
    if (block.blockType() != type)
        return offset;
    if (block.blockLength() < 5)
        throw UmdException("UmdFile getBlockLength:BlockType: - bad block length");
    return offset + block.blockLength();
}

int64_t UmdFile::getFileInfoBlockLength() {
    int64_t offset = kInfoStart;
    for (int type : {2, 3, 4, 5, 6, 7, 8, 9, 11})
        offset = getBlockLength(offset, type);
    return offset;
}

int64_t UmdFile::getChapters() {
    const int64_t infoEnd = getFileInfoBlockLength();
    m_chapters = UmdChapterBlock::getBlock(m_filePath, infoEnd);
    m_contentIndex.reset();
    m_lastBlockIndex = -1;
    m_lastBlockText.clear();
    return m_chapters ? m_chapters->offset() : infoEnd;
}

int64_t UmdFile::getChaptersBlockLength() {
    return UmdChapterBlock::getBlockLength(m_filePath, getFileInfoBlockLength());
}

int64_t UmdFile::getNextBlockOffset(int64_t offset, int64_t& endBlock) {
    endBlock = -1;
    auto file = core::FileHandle::forReading(m_filePath);
    if (!file) {
        endBlock = offset;
        return -1;
    }
    const int64_t size = umd::fileSize(*file);
    for (;;) {
        const core::Bytes window = umd::readAt(*file, offset, kScanWindow);
        bool skipped = false;
        for (size_t p = 0; p < window.size(); ++p) {
            const int64_t at = offset + static_cast<int64_t>(p);
            if (window[p] == '$')
                return at;
            if (window[p] != '#')
                continue;
            const core::Bytes head = umd::readAt(*file, at, 5);
            if (head.size() >= 2 && head[1] == kContentEndType) {
                endBlock = at;
                return -1;
            }
            // Other function blocks between content blocks are passed over
            // by their length, so bytes inside them are never taken for a
            // content block.
            if (head.size() == 5 && head[4] >= 5 && at + head[4] <= size) {
                offset = at + head[4];
                skipped = true;
                break;
            }
        }
        if (!skipped) {
            endBlock = offset + static_cast<int64_t>(window.size());
            return -1;
        }
    }
}

int64_t UmdFile::getContentBlockLength(int64_t offset) {
    auto file = core::FileHandle::forReading(m_filePath);
    if (!file)
        return -1;
    const core::Bytes head = umd::readAt(*file, offset, 9);
    if (head.size() < 9 || head[0] != '$')
        return offset + 9;
    const int64_t length = umd::le32(head, 5);
    if (length < 9 || offset + length > umd::fileSize(*file))
        return -1;
    return offset + length;
}

std::optional<std::u16string> UmdFile::inflateBlock(int64_t offset, int64_t length) {
    const core::Bytes data = umd::readAt(m_filePath, offset + 9, length - 9);
    if (static_cast<int64_t>(data.size()) != length - 9)
        return std::nullopt;
    auto bytes = inflateCapped(data.data(), data.size(), static_cast<size_t>(kContentBlockSize));
    if (!bytes)
        return std::nullopt;
    return umd::utf16le(bytes->data(), bytes->size());
}

int64_t UmdFile::getContentBlock(int64_t offset, std::u16string& content) {
    content.clear();
    const core::Bytes head = umd::readAt(m_filePath, offset, 9);
    if (head.size() < 9 || head[0] != '$')
        return offset + 9;
    const int64_t end = getContentBlockLength(offset);
    if (end < 0)
        return -1;
    if (auto text = inflateBlock(offset, end - offset))
        content = std::move(*text);
    return end;
}

int64_t UmdFile::getContentEndBlockLength(int64_t offset, int64_t& blockAmount) {
    blockAmount = -1;
    auto file = core::FileHandle::forReading(m_filePath);
    if (!file)
        return offset;
    const core::Bytes head = umd::readAt(*file, offset, 18);
    if (head.size() < 18 || head[0] != '#' || head[1] != kContentEndType)
        return offset;
    const int64_t length = umd::le32(head, 14);
    if (length < 9 || offset + 9 + length > umd::fileSize(*file))
        return offset;
    blockAmount = (length - 9) / 4;
    return offset + length + 9;
}

int64_t UmdFile::getContentEndBlockLength(int64_t offset) {
    int64_t ignored = 0;
    return getContentEndBlockLength(offset, ignored);
}

const UmdFile::ContentIndex& UmdFile::contentIndex() {
    if (m_contentIndex)
        return *m_contentIndex;
    ContentIndex index;
    int64_t offset = getChaptersBlockLength();
    int64_t end = -1;
    bool damaged = false;
    for (;;) {
        const int64_t block = getNextBlockOffset(offset, end);
        if (block < 0)
            break;
        const int64_t next = getContentBlockLength(block);
        if (next < 0) {
            damaged = true;
            break;
        }
        index.blocks.emplace_back(block, next - block);
        offset = next;
    }
    if (!damaged) {
        index.endBlock = end;
        index.afterEnd = getContentEndBlockLength(end, index.blockAmount);
    }
    m_contentIndex = std::move(index);
    return *m_contentIndex;
}

int64_t UmdFile::getAllContentBlockAmount() {
    return contentIndex().blockAmount;
}

int64_t UmdFile::getAllContentBlockLength() {
    const ContentIndex& index = contentIndex();
    return index.blockAmount < 0 ? index.endBlock : index.afterEnd;
}

bool UmdFile::getEnoughContent(int64_t offset, int64_t length, int64_t& startOffset, std::u16string& content) {
    startOffset = -1;
    content.clear();
    const ContentIndex& index = contentIndex();
    const int64_t n = index.blockAmount;
    if (n < 0 || offset < 0 || length < 0)
        return false;
    const int64_t i = offset / kContentBlockSize;
    startOffset = offset - kContentBlockSize * i;
    if (i >= n)
        return false;
    const int64_t end = offset + length;
    int64_t j = (end + kContentBlockSize - 1) / kContentBlockSize - 1;
    j = std::clamp<int64_t>(j, i, n - 1);
    // The end block counts the blocks; a file that holds fewer is damaged.
    if (j >= static_cast<int64_t>(index.blocks.size()))
        return false;
    for (int64_t k = i; k <= j; ++k) {
        if (k != m_lastBlockIndex) {
            const auto& [at, size] = index.blocks[static_cast<size_t>(k)];
            auto text = inflateBlock(at, size);
            if (!text)
                return false;
            m_lastBlockIndex = k;
            m_lastBlockText = std::move(*text);
        }
        // Positions assume full blocks everywhere but at the end.
        if (k < j && static_cast<int64_t>(m_lastBlockText.size()) * 2 != kContentBlockSize)
            return false;
        content += m_lastBlockText;
    }
    return true;
}

bool UmdFile::haveChapters() {
    // The chapter list is read on the first content request.
    if (!m_chapters)
        getChapters();
    return m_chapters != nullptr;
}

bool UmdFile::getChapterContent(int64_t chapterOffset, std::u16string& chapterContent) {
    chapterContent.clear();
    if (!haveChapters())
        return false;
    const int64_t index = m_chapters->chapterIndexOf(chapterOffset);
    if (index < 0)
        m_chapters->getChapterContentLength(chapterOffset); // throws: not a chapter
    return getChapterContentAt(index, chapterContent);
}

bool UmdFile::getChapterContentAt(int64_t index, std::u16string& chapterContent) {
    chapterContent.clear();
    if (!haveChapters())
        return false;
    const int64_t length = m_chapters->getChapterContentLengthAt(index);
    // A chapter that starts where the next one does holds no text.
    if (length == 0)
        return true;
    const int64_t chapterOffset = m_chapters->listChapterOffset()[static_cast<size_t>(index)];
    int64_t window = length;
    if (length == -1) {
        // The last chapter runs to the end of the content, however long.
        const int64_t n = getAllContentBlockAmount();
        if (n < 0)
            return false;
        if (chapterOffset >= n * kContentBlockSize)
            return n > 0 && chapterOffset == n * kContentBlockSize && lastBlockIsFull(n);
        window = n * kContentBlockSize - chapterOffset;
    }
    int64_t start = 0;
    std::u16string text;
    if (!getEnoughContent(chapterOffset, window, start, text))
        return false;
    const size_t from = static_cast<size_t>(start / 2);
    if (from > text.size())
        return true;
    chapterContent = length == -1 ? text.substr(from) : text.substr(from, static_cast<size_t>(length / 2));
    return true;
}

bool UmdFile::lastBlockIsFull(int64_t blockAmount) {
    // An empty last chapter may start exactly where the content ends, on a
    // block boundary: that is the end only when the last block is whole.
    int64_t start = 0;
    std::u16string text;
    return getEnoughContent((blockAmount - 1) * kContentBlockSize, kContentBlockSize, start, text) &&
           static_cast<int64_t>(text.size()) * 2 == kContentBlockSize;
}

bool UmdFile::getContent(int64_t offset, std::u16string& content, int64_t& inChapter) {
    content.clear();
    inChapter = -1;
    if (!haveChapters() || m_chapters->listChapterOffset().empty())
        return false;
    const auto& list = m_chapters->listChapterOffset();
    // The last chapter that starts at or before the offset; one before the
    // first chapter opens the first chapter at its start.
    auto it = std::upper_bound(list.begin(), list.end(), offset);
    const int64_t index = it == list.begin() ? 0 : (it - list.begin()) - 1;
    const int64_t chapter = list[static_cast<size_t>(index)];
    std::u16string text;
    if (!getChapterContentAt(index, text))
        return false;
    const size_t from = offset <= chapter ? 0 : static_cast<size_t>((offset - chapter) / 2);
    if (from > text.size())
        return false;
    inChapter = chapter;
    content = text.substr(from);
    return true;
}

int64_t UmdFile::getAllContent(std::u16string& content) {
    content.clear();
    int64_t offset = getChaptersBlockLength();
    int64_t end = -1;
    for (;;) {
        const int64_t block = getNextBlockOffset(offset, end);
        if (block < 0)
            return end;
        std::u16string text;
        const int64_t next = getContentBlock(block, text);
        if (next < 0)
            return block;
        content += text;
        offset = next;
    }
}

int64_t UmdFile::getCoverImageData(std::optional<core::Bytes>& data) {
    data.reset();
    const int64_t start = getAllContentBlockLength();
    if (start < 0)
        return start;
    auto file = core::FileHandle::forReading(m_filePath);
    if (!file)
        return start;
    const core::Bytes head = umd::readAt(*file, start, 19);
    if (head.size() < 19 || head[0] != '#' || head[1] != kCoverType ||
        !std::equal(head.begin() + 6, head.begin() + 10, head.begin() + 11))
        return start;
    const int64_t length = umd::le32(head, 15);
    if (length < 9 || start + 10 + length > umd::fileSize(*file))
        return start;
    core::Bytes bytes = umd::readAt(*file, start + 19, length - 9);
    if (static_cast<int64_t>(bytes.size()) != length - 9)
        return start;
    data = std::move(bytes);
    return start + 19 + length - 9;
}

int64_t UmdFile::getCoverImage(std::optional<gfx::Image>& image) {
    image.reset();
    std::optional<core::Bytes> data;
    const int64_t end = getCoverImageData(data);
    if (data)
        image = gfx::Image::fromBytes(*data);
    return end;
}

} // namespace pw

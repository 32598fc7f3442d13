#include "network/RQDataDecompressor.h"

#include "network/RQZlibFile.h"
#include "platform/core/HeapPolicy.h"

#include <algorithm>
#include <memory>

namespace pw {

RQDataDecompressor::RQDataDecompressor() = default;

RQDataDecompressor::~RQDataDecompressor() {
    closeStream();
}

std::unique_ptr<RQDataDecompressor> RQDataDecompressor::decompressor() {
    auto d = std::make_unique<RQDataDecompressor>();
    d->setupStream();
    return d;
}

RQErrorPtr RQDataDecompressor::inflateErrorWithCode(int code) {
    return zlibfile::errorWithCode("Decompression", code);
}

RQErrorPtr RQDataDecompressor::setupStream() {
    if (m_streamReady)
        return nullptr;
    m_zStream = z_stream{};
    int status = inflateInit2(&m_zStream, 15 + 32);
    if (status != Z_OK)
        return inflateErrorWithCode(status);
    m_streamReady = true;
    m_streamEnded = false;
    return nullptr;
}

RQErrorPtr RQDataDecompressor::closeStream() {
    if (!m_streamReady)
        return nullptr;
    m_streamReady = false;
    int status = inflateEnd(&m_zStream);
    if (status != Z_OK)
        return inflateErrorWithCode(status);
    return nullptr;
}

std::optional<std::string> RQDataDecompressor::uncompressBytes(const char* bytes, size_t length, RQErrorPtr* err) {
    return inflatePiece(bytes, length, err, 0);
}

std::optional<std::string> RQDataDecompressor::inflatePiece(const char* bytes, size_t length, RQErrorPtr* err,
                                                            size_t expected) {
    if (length == 0)
        return std::nullopt;
    if (!m_streamReady) {
        if (auto e = setupStream()) {
            if (err)
                *err = e;
            return std::nullopt;
        }
    }
    std::string out;
    if (m_streamEnded)
        return out; // trailing bytes after the end of the stream carry nothing
    size_t half = length / 2;
    // The buffer grows by half the input at a time; setting the expected room
    // (and the one step that may overshoot it) aside first spares a large body
    // a copy of itself at every step.
    core::HeapPolicy::reserveWithHugePages(out, expected > 0 ? std::max(expected + half + 1, length + half)
                                                             : length + half);
    out.resize(length + half);
    size_t written = 0;
    m_zStream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes));
    m_zStream.avail_in = static_cast<uInt>(length);
    // Keep inflating while there is input, and also while the last call filled
    // the whole output: zlib may hold output back even when all input is taken.
    for (;;) {
        if (written >= out.size())
            out.resize(out.size() + half + 1);
        m_zStream.next_out = reinterpret_cast<Bytef*>(out.data() + written);
        m_zStream.avail_out = static_cast<uInt>(out.size() - written);
        int status = inflate(&m_zStream, Z_NO_FLUSH);
        written = out.size() - m_zStream.avail_out;
        if (status == Z_STREAM_END) {
            m_streamEnded = true;
            break;
        }
        if (status == Z_BUF_ERROR && m_zStream.avail_in == 0 && m_zStream.avail_out != 0)
            break; // nothing more to do with the input given
        if (status != Z_OK) {
            if (err)
                *err = inflateErrorWithCode(status);
            return std::nullopt;
        }
        if (m_zStream.avail_in == 0 && m_zStream.avail_out != 0)
            break;
    }
    out.resize(written);
    return out;
}

size_t RQDataDecompressor::expectedInflatedSize(const std::string& data) {
    // A gzip member ends with its inflated size modulo 2^32; deflate shrinks
    // nothing by more than 1032 to 1, so a claim beyond that is not believed,
    // nor one beyond what is worth setting aside at once.
    constexpr size_t kMaxRatio = 1032;
    constexpr size_t kMaxRoom = size_t(1) << 30;
    if (data.size() < 18 || static_cast<unsigned char>(data[0]) != 0x1f || static_cast<unsigned char>(data[1]) != 0x8b)
        return 0;
    const auto* tail = reinterpret_cast<const unsigned char*>(data.data() + data.size() - 4);
    size_t size = size_t(tail[0]) | size_t(tail[1]) << 8 | size_t(tail[2]) << 16 | size_t(tail[3]) << 24;
    if (size > kMaxRoom || size / kMaxRatio > data.size())
        return 0;
    return size;
}

std::optional<std::string> RQDataDecompressor::uncompressData(const std::string& data, RQErrorPtr* err) {
    auto d = decompressor();
    auto out = d->inflatePiece(data.data(), data.size(), err, expectedInflatedSize(data));
    if (out && !d->streamEnded()) {
        // Whole data that stops before the end of its stream is damaged, not short.
        if (err)
            *err = truncatedStreamError();
        return std::nullopt;
    }
    return out;
}

RQErrorPtr RQDataDecompressor::truncatedStreamError() {
    return RQError::make(RQCompressionError, "Decompression of data failed: the compressed data ends before its end");
}

bool RQDataDecompressor::uncompressDataFromFile(const std::string& source, const std::string& destination,
                                                RQErrorPtr* err) {
    auto d = decompressor();
    bool fed = false;
    // Runs to the end of the source; bytes after the end of the gzip stream
    // are read and dropped. A stream that failed to set up takes nothing.
    auto feed = [&](const char* bytes, size_t n, bool& more, RQErrorPtr& e) -> std::optional<std::string> {
        if (n == 0 || !d->streamReady()) {
            more = false;
            return std::string();
        }
        fed = true;
        return d->uncompressBytes(bytes, n, &e);
    };
    return zlibfile::transcodeFile("Decompression", source, destination, err, feed, [&]() -> RQErrorPtr {
        bool ended = d->streamEnded();
        if (auto e = d->closeStream())
            return e;
        // An empty source holds nothing to inflate; one cut short is damaged.
        return ended || !fed ? nullptr : truncatedStreamError();
    });
}

} // namespace pw

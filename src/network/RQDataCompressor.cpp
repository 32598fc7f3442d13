#include "network/RQDataCompressor.h"

#include "network/RQZlibFile.h"

#include <memory>

namespace pw {

RQDataCompressor::RQDataCompressor() = default;

RQDataCompressor::~RQDataCompressor() {
    closeStream();
}

std::unique_ptr<RQDataCompressor> RQDataCompressor::compressor() {
    auto c = std::make_unique<RQDataCompressor>();
    c->setupStream();
    return c;
}

RQErrorPtr RQDataCompressor::deflateErrorWithCode(int code) {
    return zlibfile::errorWithCode("Compression", code);
}

RQErrorPtr RQDataCompressor::setupStream() {
    if (m_streamReady)
        return nullptr;
    m_zStream = z_stream{};
    int status = deflateInit2(&m_zStream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    if (status != Z_OK)
        return deflateErrorWithCode(status);
    m_streamReady = true;
    return nullptr;
}

RQErrorPtr RQDataCompressor::closeStream() {
    if (!m_streamReady)
        return nullptr;
    m_streamReady = false;
    int status = deflateEnd(&m_zStream);
    if (status != Z_OK && status != Z_DATA_ERROR)
        return deflateErrorWithCode(status);
    return nullptr;
}

std::optional<std::string> RQDataCompressor::compressBytes(const char* bytes, size_t length, RQErrorPtr* err,
                                                           bool shouldFinish) {
    if (length == 0 && !shouldFinish)
        return std::nullopt;
    if (!m_streamReady) {
        if (auto e = setupStream()) {
            if (err)
                *err = e;
            return std::nullopt;
        }
    }
    size_t step = length / 2 + 64;
    std::string out(step, '\0');
    size_t written = 0;
    m_zStream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes));
    m_zStream.avail_in = static_cast<uInt>(length);
    for (;;) {
        if (written >= out.size())
            out.resize(out.size() + step);
        m_zStream.next_out = reinterpret_cast<Bytef*>(out.data() + written);
        m_zStream.avail_out = static_cast<uInt>(out.size() - written);
        int status = deflate(&m_zStream, shouldFinish ? Z_FINISH : Z_NO_FLUSH);
        written = out.size() - m_zStream.avail_out;
        if (status == Z_STREAM_END)
            break;
        if (status != Z_OK && status != Z_BUF_ERROR) {
            if (err)
                *err = deflateErrorWithCode(status);
            return std::nullopt;
        }
        if (m_zStream.avail_out != 0 && m_zStream.avail_in == 0 && !shouldFinish)
            break;
    }
    out.resize(written);
    return out;
}

std::optional<std::string> RQDataCompressor::compressData(const std::string& data, RQErrorPtr* err) {
    if (data.empty())
        return std::nullopt; // nothing to compress is no data, not an empty gzip stream
    auto c = compressor();
    return c->compressBytes(data.data(), data.size(), err, true);
}

bool RQDataCompressor::compressDataFromFile(const std::string& source, const std::string& destination,
                                            RQErrorPtr* err) {
    auto c = compressor();
    // A short read is the end; a source whose length is a whole number of
    // chunks ends with an empty read, which finishes the stream too.
    auto feed = [&](const char* bytes, size_t n, bool& more, RQErrorPtr& e) {
        more = n == zlibfile::kChunk;
        return c->compressBytes(bytes, n, &e, !more);
    };
    return zlibfile::transcodeFile("Compression", source, destination, err, feed, [&] { return c->closeStream(); });
}

} // namespace pw

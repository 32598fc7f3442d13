#include "net/RQDataDecompressor.h"

#include <cstdio>
#include <memory>

namespace pw {
namespace {
constexpr size_t kChunk = 262144;

struct FileCloser {
    void operator()(FILE* f) const
    {
        if (f)
            std::fclose(f);
    }
};
using File = std::unique_ptr<FILE, FileCloser>;
} // namespace

RQDataDecompressor::RQDataDecompressor() = default;

RQDataDecompressor::~RQDataDecompressor()
{
    closeStream();
}

std::unique_ptr<RQDataDecompressor> RQDataDecompressor::decompressor()
{
    auto d = std::make_unique<RQDataDecompressor>();
    d->setupStream();
    return d;
}

RQErrorPtr RQDataDecompressor::inflateErrorWithCode(int code)
{
    char msg[96];
    std::snprintf(msg, sizeof msg, "Decompression of data failed with code %hi", static_cast<short>(code));
    return RQError::make(RQCompressionError, msg);
}

RQErrorPtr RQDataDecompressor::setupStream()
{
    if (m_streamReady)
        return nullptr;
    m_zStream = z_stream {};
    int status = inflateInit2(&m_zStream, 15 + 32);
    if (status != Z_OK)
        return inflateErrorWithCode(status);
    m_streamReady = true;
    m_streamEnded = false;
    return nullptr;
}

RQErrorPtr RQDataDecompressor::closeStream()
{
    if (!m_streamReady)
        return nullptr;
    m_streamReady = false;
    int status = inflateEnd(&m_zStream);
    if (status != Z_OK)
        return inflateErrorWithCode(status);
    return nullptr;
}

std::optional<std::string> RQDataDecompressor::uncompressBytes(const char* bytes, size_t length, RQErrorPtr* err)
{
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

std::optional<std::string> RQDataDecompressor::uncompressData(const std::string& data, RQErrorPtr* err)
{
    auto d = decompressor();
    return d->uncompressBytes(data.data(), data.size(), err);
}

bool RQDataDecompressor::uncompressDataFromFile(const std::string& source, const std::string& destination, RQErrorPtr* err)
{
    auto fail = [&](RQErrorPtr e) {
        if (err)
            *err = e;
        return false;
    };
    File out(std::fopen(destination.c_str(), "wb"));
    if (!out)
        return fail(RQError::make(RQCompressionError,
            "Decompression of " + source + " failed because we were to create a file at " + destination));
    File in(std::fopen(source.c_str(), "rb"));
    if (!in)
        return fail(RQError::make(RQCompressionError, "Decompression of " + source + " failed the file does not exist"));
    auto d = decompressor();
    std::string buffer(kChunk, '\0');
    while (d->streamReady()) {
        size_t n = std::fread(buffer.data(), 1, kChunk, in.get());
        if (std::ferror(in.get())) {
            d->closeStream();
            return fail(RQError::make(RQCompressionError,
                "Decompression of " + source + " failed because we were unable to read from the source data file"));
        }
        if (n == 0)
            break;
        RQErrorPtr e;
        auto piece = d->uncompressBytes(buffer.data(), n, &e);
        if (!piece) {
            d->closeStream();
            return fail(e);
        }
        if (!piece->empty() && std::fwrite(piece->data(), 1, piece->size(), out.get()) != piece->size()) {
            d->closeStream();
            return fail(RQError::make(RQCompressionError, "Decompression of " + source
                    + " failed because we were unable to write to the destination data file at " + destination));
        }
    }
    if (std::fflush(out.get()) != 0)
        return fail(RQError::make(RQCompressionError, "Decompression of " + source
                + " failed because we were unable to write to the destination data file at " + destination));
    if (auto e = d->closeStream())
        return fail(e);
    return true;
}

} // namespace pw

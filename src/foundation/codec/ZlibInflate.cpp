#include "foundation/codec/ZlibInflate.h"

#include <zlib.h>

#include <algorithm>
#include <limits>

namespace pw {

namespace {

constexpr int kAutoDetectHeaderWindowBits = 15 + 32;

std::optional<std::vector<std::uint8_t>> inflateAll(std::span<const std::uint8_t> data, bool detectHeader) {
    if (data.empty())
        return std::vector<std::uint8_t>{};
    // zlib counts input in 32-bit units; a larger buffer is not one stream we make.
    if (data.size() > std::numeric_limits<uInt>::max())
        return std::nullopt;

    std::size_t half = data.size() / 2;
    std::vector<std::uint8_t> out(data.size() + half);

    z_stream strm{};
    strm.next_in = const_cast<Bytef*>(data.data());
    strm.avail_in = static_cast<uInt>(data.size());
    strm.total_out = 0;

    int rc = detectHeader ? inflateInit2(&strm, kAutoDetectHeaderWindowBits) : inflateInit(&strm);
    if (rc != Z_OK)
        return std::nullopt;

    bool done = false;
    std::size_t produced = 0;
    for (;;) {
        if (produced >= out.size()) {
            if (half == 0)
                break;
            out.resize(inflateGrownLength(out.size(), data.size()));
        }
        std::size_t room = out.size() - produced;
        if (room > std::numeric_limits<uInt>::max())
            room = std::numeric_limits<uInt>::max();
        strm.next_out = out.data() + produced;
        strm.avail_out = static_cast<uInt>(room);
        rc = inflate(&strm, Z_SYNC_FLUSH);
        produced += room - strm.avail_out;
        if (rc == Z_STREAM_END) {
            done = true;
            break;
        }
        if (rc != Z_OK)
            break;
    }
    bool ended = inflateEnd(&strm) == Z_OK;
    if (!done || !ended)
        return std::nullopt;
    out.resize(produced);
    out.shrink_to_fit();
    return out;
}

} // namespace

std::size_t inflateGrownLength(std::size_t length, std::size_t inputLength) {
    return length + inputLength / 2;
}

std::optional<std::vector<std::uint8_t>> zlibInflate(std::span<const std::uint8_t> data) {
    return inflateAll(data, false);
}

std::optional<std::vector<std::uint8_t>> gzipInflate(std::span<const std::uint8_t> data) {
    return inflateAll(data, true);
}

} // namespace pw

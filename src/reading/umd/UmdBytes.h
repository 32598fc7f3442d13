#pragma once

// Small helpers shared by the UMD readers: bounded reads at an offset and
// little-endian fields. Every read says how many bytes it really got, so a
// caller can refuse a structure that runs past the end of the file.

#include "platform/core/Bytes.h"
#include "platform/core/FileHandle.h"

#include <cstdint>
#include <optional>
#include <string>

namespace pw::umd {

// At most n bytes at `offset` (fewer at the end of the file, none past it or
// on a read error). A negative offset or length reads nothing.
inline core::Bytes readAt(core::FileHandle& file, int64_t offset, int64_t n) {
    if (offset < 0 || n <= 0 || !file.isOpen() || !file.seek(static_cast<uint64_t>(offset)))
        return {};
    auto bytes = file.read(static_cast<size_t>(n));
    return bytes ? std::move(*bytes) : core::Bytes{};
}

inline core::Bytes readAt(const std::string& path, int64_t offset, int64_t n) {
    auto file = core::FileHandle::forReading(path);
    if (!file)
        return {};
    return readAt(*file, offset, n);
}

inline int64_t fileSize(core::FileHandle& file) {
    auto size = file.size();
    return size ? static_cast<int64_t>(*size) : 0;
}

inline int16_t le16(const core::Bytes& b, size_t at) {
    return static_cast<int16_t>(static_cast<uint16_t>(b[at] | (b[at + 1] << 8)));
}

inline int32_t le32(const core::Bytes& b, size_t at) {
    return static_cast<int32_t>(static_cast<uint32_t>(b[at]) | (static_cast<uint32_t>(b[at + 1]) << 8) |
                                (static_cast<uint32_t>(b[at + 2]) << 16) | (static_cast<uint32_t>(b[at + 3]) << 24));
}

// UTF-16LE bytes as text; an odd last byte is dropped.
inline std::u16string utf16le(const uint8_t* data, size_t size) {
    std::u16string out(size / 2, u'\0');
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    return out;
}

} // namespace pw::umd

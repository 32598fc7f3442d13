#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace pw {

// Whole-buffer decompression. Empty input comes back empty; a bad header,
// corrupt data or a stream cut short is std::nullopt.

// A zlib stream (2-byte header, deflate data, Adler-32 trailer).
std::optional<std::vector<std::uint8_t>> zlibInflate(std::span<const std::uint8_t> data);

// A gzip or a zlib stream; zlib tells the two apart by the header.
std::optional<std::vector<std::uint8_t>> gzipInflate(std::span<const std::uint8_t> data);

} // namespace pw

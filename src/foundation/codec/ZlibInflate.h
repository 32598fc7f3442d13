#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace pw {

// Whole-buffer decompression. Empty input comes back empty; a bad header,
// corrupt data or a stream cut short is std::nullopt.

// A zlib stream (2-byte header, deflate data, Adler-32 trailer).
std::optional<std::vector<std::uint8_t>> zlibInflate(std::span<const std::uint8_t> data);

// The output buffer starts at one and a half times the input and, whenever it
// is full, grows by half the input's length: the same step every time (a
// one-byte input cannot grow, and fails once its buffer is full).
std::size_t inflateGrownLength(std::size_t length, std::size_t inputLength);
// A gzip or a zlib stream; zlib tells the two apart by the header.
std::optional<std::vector<std::uint8_t>> gzipInflate(std::span<const std::uint8_t> data);

} // namespace pw

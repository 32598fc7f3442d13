#pragma once

#include "platform/core/Bytes.h"
#include "platform/core/Value.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace pw::core {

// Reads the binary property-list format ("bplist00") into a Value. Written
// here rather than taken from the property-list library because that
// library aborts the process on some damaged files; this reader checks every
// offset, count and reference and answers std::nullopt instead. Shared and
// cyclic references are bounded, so a small hostile file cannot make a huge
// tree or recurse forever.
class BinaryPropertyListReader {
public:
    static bool looksBinary(ByteView bytes);
    static std::optional<Value> read(ByteView bytes);

private:
    explicit BinaryPropertyListReader(ByteView bytes) : m_bytes(bytes) {}

    std::optional<Value> object(std::uint64_t ref, int depth);
    std::optional<std::uint64_t> objectOffset(std::uint64_t ref) const;
    std::optional<std::uint64_t> readRef(std::uint64_t at) const;
    std::optional<std::uint64_t> countAfterMarker(std::uint8_t low, std::uint64_t& pos) const;
    bool has(std::uint64_t at, std::uint64_t n) const;
    std::uint64_t bigEndian(std::uint64_t at, unsigned n) const;

    ByteView m_bytes{};
    unsigned m_offsetSize{0};
    unsigned m_refSize{0};
    std::uint64_t m_objectCount{0};
    std::uint64_t m_offsetTable{0};
    std::uint64_t m_budget{0};
    std::vector<std::uint64_t> m_path{}; // references being read, to refuse cycles
};

} // namespace pw::core

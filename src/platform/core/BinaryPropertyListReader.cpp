#include "platform/core/BinaryPropertyListReader.h"

#include "platform/core/Text.h"

#include <algorithm>
#include <cstring>

namespace pw::core {

namespace {

constexpr std::uint64_t kHeaderSize = 8;
constexpr std::uint64_t kTrailerSize = 32;
constexpr int kMaxDepth = 512;
// Values a file may expand to, counting each use of a shared object.
constexpr std::uint64_t kMinBudget = 1u << 16;
constexpr double kReferenceDateOffset = 978307200.0; // 2001-01-01 in seconds since 1970

double bitsToDouble(std::uint64_t bits) {
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

float bitsToFloat(std::uint32_t bits) {
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

} // namespace

bool BinaryPropertyListReader::looksBinary(ByteView bytes) {
    return bytes.size() >= 8 && std::memcmp(bytes.data(), "bplist00", 8) == 0;
}

std::optional<Value> BinaryPropertyListReader::read(ByteView bytes) {
    if (!looksBinary(bytes) || bytes.size() < kHeaderSize + kTrailerSize + 1)
        return std::nullopt;
    BinaryPropertyListReader r(bytes);
    std::uint64_t t = bytes.size() - kTrailerSize;
    r.m_offsetSize = bytes[t + 6];
    r.m_refSize = bytes[t + 7];
    r.m_objectCount = r.bigEndian(t + 8, 8);
    std::uint64_t top = r.bigEndian(t + 16, 8);
    r.m_offsetTable = r.bigEndian(t + 24, 8);
    if (r.m_offsetSize < 1 || r.m_offsetSize > 8 || r.m_refSize < 1 || r.m_refSize > 8)
        return std::nullopt;
    if (r.m_objectCount == 0 || top >= r.m_objectCount)
        return std::nullopt;
    if (r.m_offsetTable < kHeaderSize || r.m_offsetTable > t ||
        r.m_objectCount > (t - r.m_offsetTable) / r.m_offsetSize)
        return std::nullopt;
    r.m_budget = std::max<std::uint64_t>(kMinBudget, r.m_objectCount * 64);
    return r.object(top, 0);
}

bool BinaryPropertyListReader::has(std::uint64_t at, std::uint64_t n) const {
    // Objects live between the header and the offset table.
    return at >= kHeaderSize && at <= m_offsetTable && n <= m_offsetTable - at;
}

std::uint64_t BinaryPropertyListReader::bigEndian(std::uint64_t at, unsigned n) const {
    std::uint64_t v = 0;
    for (unsigned i = 0; i < n; ++i)
        v = (v << 8) | m_bytes[at + i];
    return v;
}

std::optional<std::uint64_t> BinaryPropertyListReader::objectOffset(std::uint64_t ref) const {
    if (ref >= m_objectCount)
        return std::nullopt;
    std::uint64_t off = bigEndian(m_offsetTable + ref * m_offsetSize, m_offsetSize);
    if (!has(off, 1))
        return std::nullopt;
    return off;
}

std::optional<std::uint64_t> BinaryPropertyListReader::readRef(std::uint64_t at) const {
    if (!has(at, m_refSize))
        return std::nullopt;
    return bigEndian(at, m_refSize);
}

// The count of a data, string or container: the marker's low nibble, or an
// integer object after the marker when the nibble is 0xF.
std::optional<std::uint64_t> BinaryPropertyListReader::countAfterMarker(std::uint8_t low, std::uint64_t& pos) const {
    if (low != 0xF)
        return low;
    if (!has(pos, 1))
        return std::nullopt;
    std::uint8_t marker = m_bytes[pos];
    if ((marker & 0xF0) != 0x10 || (marker & 0x0F) > 3)
        return std::nullopt;
    unsigned n = 1u << (marker & 0x0F);
    if (!has(pos + 1, n))
        return std::nullopt;
    std::uint64_t count = bigEndian(pos + 1, n);
    pos += 1 + n;
    return count;
}

std::optional<Value> BinaryPropertyListReader::object(std::uint64_t ref, int depth) {
    if (depth > kMaxDepth || m_budget == 0)
        return std::nullopt;
    --m_budget;
    if (std::find(m_path.begin(), m_path.end(), ref) != m_path.end())
        return std::nullopt; // a container that holds itself
    auto start = objectOffset(ref);
    if (!start)
        return std::nullopt;
    std::uint64_t pos = *start;
    const std::uint8_t marker = m_bytes[pos++];
    const std::uint8_t high = marker >> 4;
    const std::uint8_t low = marker & 0x0F;

    switch (high) {
    case 0x0:
        if (marker == 0x08)
            return Value(false);
        if (marker == 0x09)
            return Value(true);
        return std::nullopt; // null and fill have no place in a stored value
    case 0x1: {
        if (low > 4)
            return std::nullopt;
        unsigned n = 1u << low;
        if (!has(pos, n))
            return std::nullopt;
        // Sixteen-byte integers carry the value in their low eight bytes.
        std::uint64_t v = n == 16 ? bigEndian(pos + 8, 8) : bigEndian(pos, n);
        return Value(static_cast<std::int64_t>(v));
    }
    case 0x2: {
        if (low == 2 && has(pos, 4))
            return Value(static_cast<double>(bitsToFloat(static_cast<std::uint32_t>(bigEndian(pos, 4)))));
        if (low == 3 && has(pos, 8))
            return Value(bitsToDouble(bigEndian(pos, 8)));
        return std::nullopt;
    }
    case 0x3:
        if (marker != 0x33 || !has(pos, 8))
            return std::nullopt;
        return Value(bitsToDouble(bigEndian(pos, 8)) + kReferenceDateOffset);
    case 0x4: {
        auto n = countAfterMarker(low, pos);
        if (!n || !has(pos, *n))
            return std::nullopt;
        return Value(Bytes(m_bytes.begin() + static_cast<std::ptrdiff_t>(pos),
                           m_bytes.begin() + static_cast<std::ptrdiff_t>(pos + *n)));
    }
    case 0x5: {
        auto n = countAfterMarker(low, pos);
        if (!n || !has(pos, *n))
            return std::nullopt;
        // Meant to be ASCII; any high byte is read as Latin-1 so nothing is lost.
        std::string s;
        s.reserve(static_cast<std::size_t>(*n));
        for (std::uint64_t i = 0; i < *n; ++i) {
            std::uint8_t c = m_bytes[pos + i];
            if (c < 0x80) {
                s.push_back(static_cast<char>(c));
            } else {
                s.push_back(static_cast<char>(0xC0 | (c >> 6)));
                s.push_back(static_cast<char>(0x80 | (c & 0x3F)));
            }
        }
        return Value(std::move(s));
    }
    case 0x6: {
        auto n = countAfterMarker(low, pos);
        if (!n || *n > (m_offsetTable / 2) || !has(pos, *n * 2))
            return std::nullopt;
        std::string_view raw(reinterpret_cast<const char*>(m_bytes.data() + pos), static_cast<std::size_t>(*n * 2));
        auto utf8 = text::decodeToUtf8(raw, "UTF-16BE");
        if (!utf8)
            return std::nullopt;
        return Value(std::move(*utf8));
    }
    case 0x8: {
        unsigned n = low + 1u;
        if (n > 8 || !has(pos, n))
            return std::nullopt;
        return Value(static_cast<std::int64_t>(bigEndian(pos, n)));
    }
    case 0xA:
    case 0xC: {
        auto n = countAfterMarker(low, pos);
        if (!n || *n > m_objectCount * 64 || *n > (m_offsetTable - pos) / m_refSize)
            return std::nullopt;
        m_path.push_back(ref);
        Value::Array items;
        items.reserve(static_cast<std::size_t>(*n));
        for (std::uint64_t i = 0; i < *n; ++i) {
            auto child = readRef(pos + i * m_refSize);
            std::optional<Value> v = child ? object(*child, depth + 1) : std::nullopt;
            if (!v) {
                m_path.pop_back();
                return std::nullopt;
            }
            items.push_back(std::move(*v));
        }
        m_path.pop_back();
        return Value(std::move(items));
    }
    case 0xD: {
        auto n = countAfterMarker(low, pos);
        if (!n || *n > (m_offsetTable - pos) / m_refSize / 2)
            return std::nullopt;
        m_path.push_back(ref);
        Value::Map map;
        bool ok = true;
        for (std::uint64_t i = 0; i < *n && ok; ++i) {
            auto keyRef = readRef(pos + i * m_refSize);
            auto valRef = readRef(pos + (*n + i) * m_refSize);
            std::optional<Value> key = keyRef ? object(*keyRef, depth + 1) : std::nullopt;
            if (!key || !key->isString()) {
                ok = false;
                break;
            }
            std::optional<Value> val = valRef ? object(*valRef, depth + 1) : std::nullopt;
            if (!val) {
                ok = false;
                break;
            }
            map.set(*key->asString(), std::move(*val));
        }
        m_path.pop_back();
        if (!ok)
            return std::nullopt;
        return Value(std::move(map));
    }
    default:
        return std::nullopt;
    }
}

} // namespace pw::core

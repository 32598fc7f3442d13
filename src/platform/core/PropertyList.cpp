#include "platform/core/PropertyList.h"

#include "platform/core/BinaryPropertyListReader.h"
#include "platform/core/FileManager.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <plist/plist.h>

namespace pw::core {

namespace {

// Property-list dates count from 2001-01-01; ours count from 1970.
constexpr double kReferenceDateOffset = 978307200.0;
// Deeper nesting than this is treated as damage rather than recursed into.
constexpr int kMaxDepth = 512;

struct PlistFree {
    void operator()(plist_t p) const { plist_free(p); }
};
using PlistPtr = std::unique_ptr<void, PlistFree>;

std::optional<Value> toValue(plist_t node, int depth) {
    if (!node || depth > kMaxDepth)
        return std::nullopt;
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t b = 0;
        plist_get_bool_val(node, &b);
        return Value(b != 0);
    }
    case PLIST_UINT: {
        uint64_t u = 0;
        plist_get_uint_val(node, &u);
        // The library keeps every integer as 64 unsigned bits; negative
        // numbers come back as their two's complement.
        return Value(static_cast<std::int64_t>(u));
    }
    case PLIST_REAL: {
        double d = 0;
        plist_get_real_val(node, &d);
        return Value(d);
    }
    case PLIST_STRING: {
        uint64_t len = 0;
        const char* s = plist_get_string_ptr(node, &len);
        return Value(std::string(s ? s : "", s ? len : 0));
    }
    case PLIST_DATA: {
        uint64_t len = 0;
        const char* d = plist_get_data_ptr(node, &len);
        Bytes bytes;
        if (d && len)
            bytes.assign(reinterpret_cast<const std::uint8_t*>(d), reinterpret_cast<const std::uint8_t*>(d) + len);
        return Value(std::move(bytes));
    }
    case PLIST_DATE: {
        int32_t sec = 0, usec = 0;
        plist_get_date_val(node, &sec, &usec);
        return Value(static_cast<double>(sec) + static_cast<double>(usec) / 1e6 + kReferenceDateOffset);
    }
    case PLIST_UID: {
        uint64_t u = 0;
        plist_get_uid_val(node, &u);
        return Value(static_cast<std::int64_t>(u));
    }
    case PLIST_ARRAY: {
        Value::Array items;
        uint32_t n = plist_array_get_size(node);
        items.reserve(n);
        for (uint32_t i = 0; i < n; ++i) {
            auto item = toValue(plist_array_get_item(node, i), depth + 1);
            if (!item)
                return std::nullopt;
            items.push_back(std::move(*item));
        }
        return Value(std::move(items));
    }
    case PLIST_DICT: {
        Value::Map map;
        plist_dict_iter it = nullptr;
        plist_dict_new_iter(node, &it);
        if (!it)
            return Value(std::move(map));
        for (;;) {
            char* key = nullptr;
            plist_t val = nullptr;
            plist_dict_next_item(node, it, &key, &val);
            if (!val) {
                std::free(key);
                break;
            }
            std::string k = key ? key : "";
            std::free(key);
            auto v = toValue(val, depth + 1);
            if (!v) {
                std::free(it);
                return std::nullopt;
            }
            map.set(std::move(k), std::move(*v));
        }
        std::free(it);
        return Value(std::move(map));
    }
    default:
        return std::nullopt;
    }
}

plist_t toPlist(const Value& value, int depth) {
    if (depth > kMaxDepth)
        return nullptr;
    switch (value.type()) {
    case Value::Type::Null:
        return nullptr;
    case Value::Type::Bool:
        return plist_new_bool(*value.asBool() ? 1 : 0);
    case Value::Type::Int:
        return plist_new_uint(static_cast<uint64_t>(*value.asInt()));
    case Value::Type::Double:
        return plist_new_real(*value.asDouble());
    case Value::Type::String:
        // The library takes C strings; text with an embedded NUL would be cut.
        if (value.stringPtr()->find('\0') != std::string::npos)
            return nullptr;
        return plist_new_string(value.stringPtr()->c_str());
    case Value::Type::Bytes: {
        const Bytes& b = *value.bytesPtr();
        return plist_new_data(reinterpret_cast<const char*>(b.data()), b.size());
    }
    case Value::Type::Array: {
        PlistPtr arr(plist_new_array());
        for (const Value& item : *value.asArray()) {
            plist_t child = toPlist(item, depth + 1);
            if (!child)
                return nullptr;
            plist_array_append_item(arr.get(), child);
        }
        return arr.release();
    }
    case Value::Type::Map: {
        PlistPtr dict(plist_new_dict());
        for (const auto& [key, item] : *value.asMap()) {
            if (key.find('\0') != std::string::npos)
                return nullptr;
            plist_t child = toPlist(item, depth + 1);
            if (!child)
                return nullptr;
            plist_dict_set_item(dict.get(), key.c_str(), child);
        }
        return dict.release();
    }
    }
    return nullptr;
}

} // namespace

std::optional<Value> PropertyList::parse(ByteView bytes) {
    if (bytes.empty() || bytes.size() > std::numeric_limits<uint32_t>::max())
        return std::nullopt;
    if (BinaryPropertyListReader::looksBinary(bytes))
        return BinaryPropertyListReader::read(bytes);
    // Text property lists never hold a NUL byte; the library would take one
    // into a key and then abort when the key is read back.
    if (std::find(bytes.begin(), bytes.end(), std::uint8_t{0}) != bytes.end())
        return std::nullopt;
    plist_t root = nullptr;
    plist_from_memory(reinterpret_cast<const char*>(bytes.data()), static_cast<uint32_t>(bytes.size()), &root);
    PlistPtr owner(root);
    if (!root)
        return std::nullopt;
    return toValue(root, 0);
}

std::optional<Value> PropertyList::readFile(const std::filesystem::path& path) {
    auto bytes = FileManager::readFile(path);
    if (!bytes)
        return std::nullopt;
    return parse(*bytes);
}

std::optional<Bytes> PropertyList::serialize(const Value& value, Format format) {
    PlistPtr root(toPlist(value, 0));
    if (!root)
        return std::nullopt;
    char* out = nullptr;
    uint32_t len = 0;
    if (format == Format::Xml) {
        plist_to_xml(root.get(), &out, &len);
    } else {
        plist_to_bin(root.get(), &out, &len);
    }
    if (!out)
        return std::nullopt;
    Bytes bytes(reinterpret_cast<const std::uint8_t*>(out), reinterpret_cast<const std::uint8_t*>(out) + len);
    if (format == Format::Xml)
        plist_to_xml_free(out);
    else
        plist_to_bin_free(out);
    return bytes;
}

bool PropertyList::writeFile(const std::filesystem::path& path, const Value& value, Format format) {
    auto bytes = serialize(value, format);
    return bytes && FileManager::atomicWrite(path, *bytes);
}

} // namespace pw::core

#include "foundation/codec/JSONCodec.h"

#include <utility>

namespace pw {

namespace {

std::optional<core::Value> parseText(std::string_view text, std::uint32_t flags, JCError* error) {
    JSONDecoder decoder(flags);
    return decoder.valueWithData(core::asByteView(text), error);
}

std::optional<std::string> asString(JCSerializer::Result r) {
    if (auto* s = std::get_if<std::string>(&r))
        return std::move(*s);
    return std::nullopt;
}

std::optional<core::Bytes> asBytes(JCSerializer::Result r) {
    if (auto* b = std::get_if<core::Bytes>(&r))
        return std::move(*b);
    return std::nullopt;
}

const JCUnsupportedFormatter& noFormatter() {
    static const JCUnsupportedFormatter none;
    return none;
}

std::uint32_t stringEncode(std::uint32_t as, bool includeQuotes) {
    return as | EncodeRequireString | (includeQuotes ? 0u : EncodeWithoutQuotes);
}

} // namespace

std::optional<core::Value> objectFromJSONString(std::string_view text) {
    return parseText(text, ParseStrict, nullptr);
}

std::optional<core::Value> objectFromJSONStringWithParseOptions(std::string_view text, std::uint32_t flags,
                                                                JCError* error) {
    return parseText(text, flags, error);
}

std::optional<core::Value> mutableObjectFromJSONString(std::string_view text) {
    return parseText(text, ParseStrict, nullptr);
}

std::optional<core::Value> mutableObjectFromJSONStringWithParseOptions(std::string_view text, std::uint32_t flags,
                                                                       JCError* error) {
    return parseText(text, flags, error);
}

std::optional<core::Value> objectFromJSONData(core::ByteView data) {
    return JSONDecoder(ParseStrict).valueWithData(data);
}

std::optional<core::Value> objectFromJSONDataWithParseOptions(core::ByteView data, std::uint32_t flags,
                                                              JCError* error) {
    return JSONDecoder(flags).valueWithData(data, error);
}

std::optional<core::Value> mutableObjectFromJSONData(core::ByteView data) {
    return JSONDecoder(ParseStrict).valueWithData(data);
}

std::optional<core::Value> mutableObjectFromJSONDataWithParseOptions(core::ByteView data, std::uint32_t flags,
                                                                     JCError* error) {
    return JSONDecoder(flags).valueWithData(data, error);
}

std::optional<std::string> JSONString(const core::Value& collection) {
    return JSONStringWithOptions(collection, SerializeOptionNone, nullptr);
}

std::optional<std::string> JSONStringWithOptions(const core::Value& collection, std::uint32_t options, JCError* error) {
    return JSONStringWithOptions(collection, options, noFormatter(), error);
}

std::optional<std::string> JSONStringWithOptions(const core::Value& collection, std::uint32_t options,
                                                 const JCUnsupportedFormatter& formatter, JCError* error) {
    return asString(
        JCSerializer::serializeObject(collection, options, EncodeAsString | EncodeRequireCollection, formatter, error));
}

std::optional<core::Bytes> JSONData(const core::Value& collection) {
    return JSONDataWithOptions(collection, SerializeOptionNone, nullptr);
}

std::optional<core::Bytes> JSONDataWithOptions(const core::Value& collection, std::uint32_t options, JCError* error) {
    return JSONDataWithOptions(collection, options, noFormatter(), error);
}

std::optional<core::Bytes> JSONDataWithOptions(const core::Value& collection, std::uint32_t options,
                                               const JCUnsupportedFormatter& formatter, JCError* error) {
    return asBytes(
        JCSerializer::serializeObject(collection, options, EncodeAsData | EncodeRequireCollection, formatter, error));
}

std::optional<std::string> JSONStringForString(std::string_view text, std::uint32_t options, bool includeQuotes,
                                               JCError* error) {
    return asString(JCSerializer::serializeObject(core::Value(text), options,
                                                  stringEncode(EncodeAsString, includeQuotes), noFormatter(), error));
}

std::optional<core::Bytes> JSONDataForString(std::string_view text, std::uint32_t options, bool includeQuotes,
                                             JCError* error) {
    return asBytes(JCSerializer::serializeObject(core::Value(text), options, stringEncode(EncodeAsData, includeQuotes),
                                                 noFormatter(), error));
}

} // namespace pw

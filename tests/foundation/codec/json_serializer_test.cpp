#include "foundation/codec/JSONCodec.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

using pw::JCError;
using pw::core::Value;

namespace {

std::string write(const Value& v, std::uint32_t options = 0) {
    JCError error;
    auto s = pw::JSONStringWithOptions(v, options, &error);
    EXPECT_TRUE(s) << error.message;
    return s.value_or("<failed>");
}

std::string failure(const Value& v, std::uint32_t options = 0) {
    JCError error;
    auto s = pw::JSONStringWithOptions(v, options, &error);
    EXPECT_FALSE(s) << *s;
    return error.message;
}

TEST(JSONSerializer, WritesValuesExactly) {
    struct Row {
        Value value;
        std::uint32_t options;
        std::string text;
    };
    const Row rows[] = {
        {Value::Map{{"b", 1}, {"a", 2}}, 0, "{\"b\":1,\"a\":2}"},
        {Value::Map{{"b", 1}, {"a", 2}}, pw::SerializePretty, "{\n  \"a\": 2,\n  \"b\": 1\n}"},
        {Value::array(), pw::SerializePretty, "[\n  \n]"},
        {Value::Array{Value::array(), Value::map()}, 0, "[[],{}]"},
        {Value::Array{"a/b"}, 0, "[\"a/b\"]"},
        {Value::Array{"a/b"}, pw::SerializeEscapeSlashes, "[\"a\\/b\"]"},
        {Value::Array{"\xF0\x9F\x98\x80"}, 0, "[\"\xF0\x9F\x98\x80\"]"},
        {Value::Array{"\xF0\x9F\x98\x80"}, pw::SerializeEscapeUnicode, "[\"\\ud83d\\ude00\"]"},
        {Value::Array{"第"}, pw::SerializeEscapeUnicode, "[\"\\u7b2c\"]"},
        {Value::Array{"\x01\t\b\f\n\r\"\\"}, 0, "[\"\\u0001\\t\\b\\f\\n\\r\\\"\\\\\"]"},
        {Value::Array{0.1, 1.0, -0.0}, 0, "[0.10000000000000001,1,-0]"},
        {Value::Array{std::numeric_limits<std::int64_t>::min(), 0, 42}, 0, "[-9223372036854775808,0,42]"},
        {Value::Array{true, false, nullptr}, 0, "[true,false,null]"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(write(r.value, r.options), r.text);
}

TEST(JSONSerializer, FailsWithExactErrors) {
    EXPECT_EQ(failure(Value::Array{std::nan("")}),
              "Floating point values must be finite.  JSON does not support NaN or Infinity.");
    EXPECT_EQ(failure(Value::Array{std::numeric_limits<double>::infinity()}),
              "Floating point values must be finite.  JSON does not support NaN or Infinity.");
    EXPECT_EQ(failure(Value("text")), "Unable to serialize object class String, expected a NSArray or NSDictionary.");
    EXPECT_EQ(failure(Value::Array{pw::core::Bytes{1, 2}}), "Unable to serialize object class Bytes.");
    // Bytes that are not UTF-8 cannot be escaped; unescaped they are copied as they stand.
    EXPECT_EQ(failure(Value::Array{"a\xFF"}, pw::SerializeEscapeUnicode), "Error converting UTF8.");
    EXPECT_EQ(write(Value::Array{"a\xFF\xC3\xA9"}, 0), "[\"a\xFF\xC3\xA9\"]");
}

TEST(JSONSerializer, UnsupportedKindsGoThroughTheFormatter) {
    Value v = Value::Array{pw::core::Bytes{0x68, 0x69}};
    pw::JCUnsupportedFormatter toText = [](const Value& b) -> std::optional<Value> {
        return Value(pw::core::toString(*b.bytesPtr()));
    };
    EXPECT_EQ(pw::JSONStringWithOptions(v, 0, toText), "[\"hi\"]");

    pw::JCUnsupportedFormatter same = [](const Value& b) -> std::optional<Value> { return b; };
    JCError error;
    EXPECT_FALSE(pw::JSONStringWithOptions(v, 0, same, &error));
    EXPECT_EQ(error.message, "Unable to serialize object class Bytes that was returned by the unsupported class "
                             "formatter.  Original object class was Bytes.");
}

TEST(JSONSerializer, StringEntryPoints) {
    EXPECT_EQ(pw::JSONStringForString("a/\"b\""), "\"a/\\\"b\\\"\"");
    EXPECT_EQ(pw::JSONStringForString("a/\"b\"", pw::SerializeEscapeSlashes, false), "a\\/\\\"b\\\"");
    auto data = pw::JSONDataForString("x");
    ASSERT_TRUE(data);
    EXPECT_EQ(pw::core::toString(*data), "\"x\"");
    auto bytes = pw::JSONData(Value::Array{1});
    ASSERT_TRUE(bytes);
    EXPECT_EQ(pw::core::toString(*bytes), "[1]");
}

TEST(JSONSerializer, DepthLimit) {
    Value v = Value::array();
    for (unsigned i = 0; i < pw::kJSONMaxSerializeDepth + 1; ++i)
        v = Value(Value::Array{std::move(v)});
    EXPECT_EQ(failure(v), "Nesting depth exceeds the limit of 512.");
}

TEST(JSONSerializer, RoundTripsThroughTheParser) {
    const Value docs[] = {
        Value::Map{
            {"Chapters", Value::Array{Value::Map{{"c", 1001},
                                                 {"n", "第一章 风雪山神庙"},
                                                 {"v", 0},
                                                 {"p", 3},
                                                 {"t", 1300000000000},
                                                 {"w", 3120},
                                                 {"vc", 12}},
                                      Value::Map{{"c", 1002}, {"n", "第二章 \"引号\" / 斜杠\t"}, {"v", 1}}}},
            {"Volumes", Value::Array{Value::Map{{"VolumeCode", 12}, {"VolumeName", "正文卷"}}}},
        },
        Value::Array{0.1, -2.5e-300, 1e300, std::numeric_limits<std::int64_t>::max(), -1, true, nullptr, "",
                     "\xF0\x9F\x98\x80\x01", Value::map()},
    };
    const std::uint32_t optionSets[] = {0, pw::SerializePretty, pw::SerializeEscapeUnicode | pw::SerializeEscapeSlashes,
                                        pw::SerializePretty | pw::SerializeEscapeUnicode};
    for (const Value& doc : docs) {
        for (std::uint32_t options : optionSets) {
            std::string text = write(doc, options);
            JCError error;
            auto back = pw::objectFromJSONStringWithParseOptions(text, 0, &error);
            ASSERT_TRUE(back) << text << ": " << error.message;
            EXPECT_EQ(*back, doc) << text;
            // Writing what was read gives the same text again.
            EXPECT_EQ(write(*back, options), text);
        }
    }
}

} // namespace

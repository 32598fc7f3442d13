#include "loginsdk/json/SdkJsonParser.h"
#include "loginsdk/json/SdkJsonWriter.h"

#include <gtest/gtest.h>

#include <cmath>

namespace pw {
namespace {

using V = SdkJsonValue;
using D = SdkJsonValue::Dictionary;
using A = SdkJsonValue::Array;

std::string nested(int depth) {
    return std::string(static_cast<size_t>(depth), '[') + std::string(static_cast<size_t>(depth), ']');
}

TEST(SdkJsonParser, ValuesAndErrors) {
    struct Case {
        std::string input;
        std::optional<V> value;
        std::string error;
    };
    const Case cases[] = {
        {"[]", V(A{}), ""},
        {"{}", V(D{}), ""},
        {" {\"a\" : [1, -5, true, false, null, \"x\"]} ",
         V(D{{"a", V(A{V(uint64_t{1}), V(int64_t{-5}), V(true), V(false), V(V::Null{}), V("x")})}}), ""},
        {"{\"k\":1,\"k\":2}", V(D{{"k", V(uint64_t{2})}}), ""},
        {"[0.1, 1.50, 2e3, -0.25E-1]",
         V(A{V(SdkJsonDecimal{false, "1", -1}), V(SdkJsonDecimal{false, "15", -1}), V(SdkJsonDecimal{false, "2", 3}),
             V(SdkJsonDecimal{true, "25", -3})}),
         ""},
        {"[12345678901234567890]", V(A{V(SdkJsonDecimal{false, "1234567890123456789", 1})}), ""},
        {"[123456789012345678901]", V(A{V(SdkJsonDecimal{false, "123456789012345678901", 0})}), ""},
        {"[\"\\ud83d\\ude00 \\u4e2d \\\"\\/\\\\\\n\"]", V(A{V("\xf0\x9f\x98\x80 \xe4\xb8\xad \"/\\\n")}), ""},
        {nested(32), std::nullopt, ""},
        {nested(33), std::nullopt, "Input depth exceeds max depth of 32"},
        {"true", std::nullopt, "Token 'boolean' not expected before outer-most array or object"},
        {"5", std::nullopt, "Unexpected end of input"},
        {"", std::nullopt, "Unexpected end of input"},
        {"  \n ", std::nullopt, "Unexpected end of input"},
        {"[\"abc", std::nullopt, "Unexpected end of input"},
        {"[12", std::nullopt, "Unexpected end of input"},
        {"[tru", std::nullopt, "Unexpected end of input"},
        {"{\"a\":[1,", std::nullopt, "Unexpected end of input"},
        {"[1,]", std::nullopt, "Token 'end of array' not expected as array value"},
        {"{\"a\":1,}", std::nullopt, "Token 'end of object' not expected in place of object key"},
        {"{\"a\"}", std::nullopt, "Token 'end of object' not expected after object key"},
        {"{1:2}", std::nullopt, "Token 'number' not expected at beginning of object"},
        {"[][]", std::nullopt, "Token 'start of array' not expected after outer-most array or object"},
        {"[\"a\tb\"]", std::nullopt, "Unescaped control character [0x09]"},
        {"[+1]", std::nullopt, "Leading + is illegal in number"},
        {"[01]", std::nullopt, "Leading zero is illegal in number"},
        {"[-x]", std::nullopt, "No digits after initial minus"},
        {"[1.]", std::nullopt, "No digits after decimal point"},
        {"[1e+]", std::nullopt, "No digits in exponent"},
        {"[trux]", std::nullopt, "Expected 'true' after initial 't'"},
        {"[@]", std::nullopt, "Illegal start of token [@]"},
        {"[\"\\q\"]", std::nullopt, "Illegal escape character"},
        {"[\"\\u12g4\"]", std::nullopt, "Invalid hex quad"},
        {"[\"\\ud800x\"     ]", std::nullopt, "Missing low character in surrogate pair"},
        {"[\"\\ud800\\u0041\"]", std::nullopt, "Invalid low character in surrogate pair"},
        {"[\"\\udc00\"]", std::nullopt, "Invalid high character in surrogate pair"},
        {"[\"\xc3\x28\"]", std::nullopt, "Broken Unicode encoding"},
    };
    for (const auto& c : cases) {
        SdkJsonParser parser;
        auto result = parser.objectWithString(c.input);
        if (c.error.empty()) {
            ASSERT_TRUE(result) << c.input << ": " << parser.error();
            if (c.value) {
                EXPECT_EQ(*result, *c.value) << c.input;
            }
        } else {
            EXPECT_FALSE(result) << c.input;
            EXPECT_EQ(parser.error(), c.error) << c.input;
        }
    }
    SdkJsonParser parser;
    EXPECT_FALSE(parser.objectWithString(std::nullopt));
    EXPECT_EQ(parser.error(), "Input was 'nil'");
}

TEST(SdkJsonParser, StreamResumesATokenCutAcrossFeeds) {
    struct Collector : SdkJsonStreamParserDelegate {
        std::vector<std::string> events;
        void parserFoundObjectStart() override { events.push_back("{"); }
        void parserFoundObjectKey(std::string k) override { events.push_back("key:" + k); }
        void parserFoundObjectEnd() override { events.push_back("}"); }
        void parserFoundArrayStart() override { events.push_back("["); }
        void parserFoundArrayEnd() override { events.push_back("]"); }
        void parserFoundValue(SdkJsonValue v) override { events.push_back("value:" + v.text().value_or("?")); }
    } collector;
    SdkJsonStreamParser parser(&collector);
    EXPECT_EQ(parser.parse("{\"na"), SdkJsonStreamParser::WaitingForData);
    EXPECT_EQ(parser.parse("me\":\"\\u4e"), SdkJsonStreamParser::WaitingForData);
    EXPECT_EQ(parser.parse("2d\",\"n\":12"), SdkJsonStreamParser::WaitingForData);
    EXPECT_EQ(parser.parse("34}"), SdkJsonStreamParser::Complete);
    EXPECT_EQ(collector.events,
              (std::vector<std::string>{"{", "key:name", "value:\xe4\xb8\xad", "key:n", "value:1234", "}"}));
}

TEST(SdkJsonWriter, Output) {
    SdkJsonWriter writer;
    writer.sortKeys = true;
    writer.humanReadable = true;
    EXPECT_EQ(writer.stringWithObject(V(D{{"b", V(uint64_t{2})}, {"a", V("x")}})), "{\n  \"a\": \"x\",\n  \"b\": 2\n}");
    EXPECT_EQ(writer.stringWithObject(V(D{})), "{\n}");
    EXPECT_EQ(writer.stringWithObject(V(D{{"l", V(A{V(true), V(D{})})}})),
              "{\n  \"l\": [\n    true,\n    {\n    }\n  ]\n}");

    SdkJsonWriter compact;
    EXPECT_EQ(compact.stringWithObject(V(D{{"b", V(1)}, {"a", V(V::Null{})}})), "{\"b\":1,\"a\":null}");
    EXPECT_EQ(compact.stringWithObject(V(A{V("\x1f/\"\\\t\xe4\xb8\xad")})), "[\"\\u001f/\\\"\\\\\\t\xe4\xb8\xad\"]");
    EXPECT_EQ(compact.stringWithObject(V(
                  A{V(0.1), V(SdkJsonDecimal{false, "1", -1}), V(int64_t{-3}), V(uint64_t{18446744073709551615ull})})),
              "[0.10000000000000001,0.1,-3,18446744073709551615]");

    V deep = V(A{});
    for (int i = 1; i < 32; ++i)
        deep = V(A{deep});
    EXPECT_TRUE(compact.stringWithObject(deep));
    EXPECT_FALSE(compact.stringWithObject(V(A{deep})));
    EXPECT_EQ(compact.error(), "Nested too deep");

    struct Bad {
        V value;
        const char* error;
    };
    const Bad bad[] = {
        {V("top"), "Not valid type for JSON"},
        {V(A{V(std::nan(""))}), "NaN is not a valid number in JSON"},
        {V(A{V(HUGE_VAL)}), "+Infinity is not a valid number in JSON"},
        {V(A{V(-HUGE_VAL)}), "-Infinity is not a valid number in JSON"},
    };
    for (const auto& b : bad) {
        EXPECT_FALSE(compact.stringWithObject(b.value));
        EXPECT_EQ(compact.error(), b.error);
    }
}

TEST(SdkJson, WriterOutputParsesBack) {
    V original = V(D{{"id", V(uint64_t{123456789})},
                     {"name", V("用户\n名")},
                     {"neg", V(int64_t{-7})},
                     {"list", V(A{V(SdkJsonDecimal{false, "314", -2}), V(false), V(V::Null{})})}});
    for (bool human : {false, true}) {
        SdkJsonWriter writer;
        writer.humanReadable = human;
        SdkJsonParser parser;
        EXPECT_EQ(parser.objectWithString(writer.stringWithObject(original)), original);
    }
}

} // namespace
} // namespace pw

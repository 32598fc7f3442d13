#include "foundation/codec/JSONCodec.h"
#include "foundation/codec/JSONScanner.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

using pw::JCError;
using pw::core::Value;

namespace {

const char* kUnexpectedToken =
    "Unexpected token, wanted '{', '}', '[', ']', ',', ':', 'true', 'false', 'null', '\"STRING\"', 'NUMBER'.";

Value arr(Value::Array items) {
    return Value(std::move(items));
}

struct ParseCase {
    const char* name;
    std::string input;
    std::uint32_t flags;
    std::optional<Value> expected; // nullopt: the parse fails with `message`
    std::string message;
};

// One row per behaviour: either the value the input parses to or the exact
// first error it fails with.
std::vector<ParseCase> parseCases() {
    using namespace pw;
    const std::string fffd = "\xEF\xBF\xBD";
    return {
        {"empty input", "", 0, std::nullopt, "Reached the end of the buffer."},
        {"spaces only", "   ", 0, std::nullopt, kUnexpectedToken},
        {"top-level string", "\"a\" ", 0, std::nullopt, "Expected either '[' or '{'."},
        {"top-level number", "1 ", 0, std::nullopt, "Expected either '[' or '{'."},
        {"top-level literal", "true ", 0, std::nullopt, "Expected either '[' or '{'."},
        {"trailing comma", "[1,]", 0, std::nullopt, "Unexpected ']'."},
        {"leading comma", "[,1]", 0, std::nullopt, "Unexpected ','."},
        {"missing comma", "[1 2]", 0, std::nullopt, "Unexpected value."},
        {"missing colon", "{\"a\" 1}", 0, std::nullopt, "Expected ':'."},
        {"number key", "{1:2}", 0, std::nullopt, "Expected a \"STRING\" or a '}', not '1'"},
        {"colon then brace", "{\"a\":}", 0, std::nullopt, "Expected a value, not '}'"},
        {"brace in array", "[1}", 0, std::nullopt, "Expected a comma or a ']', not '}'"},
        {"string after value in object", "{\"a\":1 \"b\":2}", 0, std::nullopt, "Unexpected string."},
        {"trailing text", "[1] x", 0, std::nullopt,
         "A valid JSON object was parsed but there were additional non-white-space characters remaining."},
        {"trailing text allowed", "[1] x", ParseAllowTrailingText, arr({1}), ""},
        {"trailing blank", "[1] ", 0, arr({1}), ""},
        {"leading zero", "[01]", 0, std::nullopt, "Unexpected value."},
        {"minus zero is a double", "[-0]", 0, arr({-0.0}), ""},
        {"integers", "[0,-1,9223372036854775807]", 0, arr({0, -1, std::numeric_limits<std::int64_t>::max()}), ""},
        {"unsigned max", "[18446744073709551615]", 0, arr({18446744073709551615.0}), ""},
        {"beyond unsigned max", "[18446744073709551616]", 0, std::nullopt,
         "The value '18446744073709551616' exceeded the maximum value that could be represented: "
         "18446744073709551615."},
        {"below signed min", "[-9223372036854775809]", 0, std::nullopt,
         "The value '-9223372036854775809' exceeded the minimum value that could be represented: "
         "-9223372036854775808."},
        {"double overflow", "[1e400]", 0, std::nullopt,
         "The value '1e400' could not be represented as a 'double' due to overflow."},
        {"double underflow", "[1e-400]", 0, std::nullopt,
         "The value '1e-400' could not be represented as a 'double' due to underflow."},
        {"subnormal double", "[5e-324]", 0, arr({5e-324}), ""},
        {"doubles", "[1.5,-2.25e2,1E+2]", 0, arr({1.5, -225.0, 100.0}), ""},
        {"dot without digit", "[1.]", 0, std::nullopt, "Invalid number."},
        {"lone minus", "[-]", 0, std::nullopt, "Invalid number."},
        {"number at end of input", "[1", 0, std::nullopt, "Invalid number."},
        {"unclosed nested arrays", "[[", 0, std::nullopt, "Reached the end of the buffer."},
        {"unclosed object", "{\"a\":[1,2]", 0, std::nullopt, "Reached the end of the buffer."},
        {"literal at end of input", "[true", 0, std::nullopt, kUnexpectedToken},
        {"misspelt literal", "[tru ]", 0, std::nullopt, kUnexpectedToken},
        {"literals", "[true,false,null]", 0, arr({true, false, nullptr}), ""},
        {"escape of U+0000 strict", "[\"\\u0000\"]", 0, std::nullopt, "Illegal \\u Unicode escape sequence."},
        {"escape of U+0000 lenient", "[\"\\u0000\"]", ParseLenientUnicode, arr({fffd}), ""},
        {"surrogate pair", "[\"\\ud83D\\uDE00\"]", 0, arr({"\xF0\x9F\x98\x80"}), ""},
        {"lone low surrogate strict", "[\"\\uDE00\"]", 0, std::nullopt, "Illegal \\u Unicode escape sequence."},
        {"lone low surrogate lenient", "[\"\\uDE00\"]", ParseLenientUnicode, arr({fffd}), ""},
        {"high surrogate then newline escape", "[\"\\uD800\\n\"]", ParseLenientUnicode, arr({fffd + "\n"}), ""},
        {"high surrogate then text", "[\"\\uD800x\"]", ParseLenientUnicode, arr({fffd + "x"}), ""},
        {"high surrogate then text strict", "[\"\\uD800x\"]", 0, std::nullopt,
         "Required a second \\u Unicode escape sequence following a surrogate \\u Unicode escape sequence."},
        {"high surrogate pair with bad low", "[\"\\uD800\\u0041\"]", ParseLenientUnicode, arr({fffd}), ""},
        {"escape of U+FFFD in every mode", "[\"\\uFFFD\"]", 0, arr({fffd}), ""},
        {"bad hex digit", "[\"\\u12G4\"]", ParseLenientUnicode, std::nullopt,
         "Unexpected character found in \\u Unicode escape sequence.  Found 'G', expected [0-9a-fA-F]."},
        {"simple escapes", "[\"\\\"\\\\\\/\\b\\f\\n\\r\\t\"]", 0, arr({"\"\\/\b\f\n\r\t"}), ""},
        {"unknown escape", "[\"\\x\"]", 0, std::nullopt, "Invalid escape sequence found in \"\" string."},
        {"byte FF lenient",
         "[\"a\xFF"
         "b\"]",
         ParseLenientUnicode, arr({"a" + fffd + "b"}), ""},
        {"byte FF strict",
         "[\"a\xFF"
         "b\"]",
         0, std::nullopt, "Illegal UTF8 sequence found in \"\" string."},
        {"overlong form lenient", "[\"\xC0\xAF\"]", ParseLenientUnicode, arr({fffd}), ""},
        {"cut-off sequence strict", "[\"\xE4\xB8", 0, std::nullopt,
         "End of buffer reached while parsing UTF8 in \"\" string."},
        {"cut-off sequence lenient", "[\"\xE4\xB8", ParseLenientUnicode, std::nullopt,
         "End of buffer reached while parsing UTF8 in \"\" string."},
        {"chinese text in place", "[\"第一章 风雪\"]", 0, arr({"第一章 风雪"}), ""},
        {"raw tab", "[\"a\tb\"]", 0, std::nullopt, "Invalid character < 0x20 found in string: 0x09."},
        {"unterminated string", "[\"abc", 0, std::nullopt, "Invalid string."},
        {"comments allowed", "[1, /* two */ 2] // done\n", ParseAllowComments, arr({1, 2}), ""},
        {"comments refused", "[1, /* two */ 2] // done\n", 0, std::nullopt, kUnexpectedToken},
        {"unicode line break refused",
         "[1,\xE2\x80\xA8"
         "2]",
         0, std::nullopt, kUnexpectedToken},
        {"unicode line break allowed",
         "[1,\xE2\x80\xA8"
         "2]",
         ParseUnicodeLineBreaks, arr({1, 2}), ""},
        {"empty containers", "[[],{},\"\"]", 0, arr({Value::array(), Value::map(), ""}), ""},
        {"records of changing shapes",
         "[{\"a\":1,\"b\":2},{\"a\":3,\"b\":4},{\"b\":5,\"a\":6},{\"a\":7,\"a\":8},{\"a\":9,\"a\":10},"
         "{\"x\":{\"y\":1}},{\"x\":{\"y\":2}},{\"a\":11}]",
         0,
         arr({Value::Map{{"a", 1}, {"b", 2}}, Value::Map{{"a", 3}, {"b", 4}}, Value::Map{{"b", 5}, {"a", 6}},
              Value::Map{{"a", 8}}, Value::Map{{"a", 10}}, Value::Map{{"x", Value::Map{{"y", 1}}}},
              Value::Map{{"x", Value::Map{{"y", 2}}}}, Value::Map{{"a", 11}}}),
         ""},
        {"repeated key keeps last value", "{\"a\":1,\"b\":2,\"a\":3}", 0, Value(Value::Map{{"a", 3}, {"b", 2}}), ""},
    };
}

class JSONParseTable : public ::testing::TestWithParam<ParseCase> {};

TEST_P(JSONParseTable, ParsesOrFailsWithExactError) {
    const ParseCase& c = GetParam();
    JCError error;
    std::optional<Value> v = pw::objectFromJSONStringWithParseOptions(c.input, c.flags, &error);
    if (c.expected) {
        ASSERT_TRUE(v.has_value()) << error.message;
        EXPECT_EQ(*v, *c.expected);
    } else {
        EXPECT_FALSE(v.has_value());
        EXPECT_EQ(error.message, c.message);
        EXPECT_EQ(error.domain, "JCErrorDomain");
        EXPECT_EQ(error.code, -1);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, JSONParseTable, ::testing::ValuesIn(parseCases()),
                         [](const ::testing::TestParamInfo<ParseCase>& info) {
                             std::string n = info.param.name;
                             for (char& ch : n)
                                 if (!std::isalnum(static_cast<unsigned char>(ch)))
                                     ch = '_';
                             return n;
                         });

TEST(JSONParser, NumberKindsAreKept) {
    auto v = pw::objectFromJSONString("[1, 1.0, -0, 18446744073709551615]");
    ASSERT_TRUE(v);
    EXPECT_TRUE(v->at(0).isInt());
    EXPECT_TRUE(v->at(1).isDouble());
    EXPECT_TRUE(v->at(2).isDouble());
    EXPECT_TRUE(std::signbit(*v->at(2).asDouble()));
    EXPECT_TRUE(v->at(3).isDouble());
}

TEST(JSONParser, ErrorPositionAndLine) {
    struct Row {
        std::string input;
        std::uint64_t index;
        std::uint64_t line;
    };
    const Row rows[] = {
        // Grammar errors stand after the offending token; CR LF counts once.
        {"[1,\r\n2,\r\n]", 10, 3},
        {"[1,\n\n,]", 6, 3},
        // String errors stand at the opening quote.
        {"[\n \"a\tb\"]", 3, 2},
        // Number errors stand after the number's text.
        {"[1.e5]", 3, 1},
        // Token errors stand at the byte that begins no token.
        {"[\r\r@]", 3, 3},
    };
    for (const Row& r : rows) {
        JCError error;
        EXPECT_FALSE(pw::objectFromJSONStringWithParseOptions(r.input, 0, &error)) << r.input;
        EXPECT_EQ(error.index, r.index) << r.input << ": " << error.message;
        EXPECT_EQ(error.line, r.line) << r.input << ": " << error.message;
    }
}

TEST(JSONParser, NestingDepthLimitIsAParseError) {
    const unsigned limit = pw::kJSONMaxNestingDepth;
    std::string ok = std::string(limit, '[') + std::string(limit, ']');
    EXPECT_TRUE(pw::objectFromJSONString(ok));

    std::string deep = std::string(limit + 1, '[') + std::string(limit + 1, ']');
    JCError error;
    EXPECT_FALSE(pw::objectFromJSONStringWithParseOptions(deep, 0, &error));
    EXPECT_EQ(error.message, "Nesting depth exceeds the limit of 512.");

    // Far deeper input must fail the same way, not exhaust the stack.
    std::string bomb(1'000'000, '[');
    error = {};
    EXPECT_FALSE(pw::objectFromJSONStringWithParseOptions(bomb, 0, &error));
    EXPECT_EQ(error.message, "Nesting depth exceeds the limit of 512.");
}

TEST(JSONParser, ErrorOutParameterIsUntouchedOnSuccess) {
    JCError error;
    error.message = "left alone";
    EXPECT_TRUE(pw::objectFromJSONStringWithParseOptions("{\"a\":[]}", 0, &error));
    EXPECT_EQ(error.message, "left alone");
}

TEST(JSONParser, InvalidArgumentsThrow) {
    EXPECT_THROW(pw::JSONDecoder(16), std::invalid_argument);
    EXPECT_THROW(pw::objectFromJSONStringWithParseOptions("[]", 99), std::invalid_argument);
    pw::JSONDecoder decoder;
    EXPECT_THROW(decoder.objectWithUTF8String(nullptr, 0), std::invalid_argument);
}

TEST(JSONParser, DecoderIsReusableAfterAFailure) {
    pw::JSONDecoder decoder(pw::ParseLenientUnicode);
    const std::string bad = "[1,]";
    const std::string good = "{\"Chapters\":[{\"c\":1,\"n\":\"第1章\"}]}";
    EXPECT_FALSE(decoder.objectWithUTF8String(bad.data(), bad.size()));
    auto v = decoder.objectWithUTF8String(good.data(), good.size());
    ASSERT_TRUE(v);
    EXPECT_EQ(v->toValue()["Chapters"].at(0)["n"].asString(), "第1章");
    decoder.clearCache();
    EXPECT_TRUE(decoder.objectWithData(pw::core::asByteView(good)));
}

TEST(JSONParser, SiteAnswerCleanedOfControlCharactersParsesLeniently) {
    // Readers of site answers write control characters as the six
    // characters \uFFFD and parse with the lenient flag.
    std::string answer = "{\"Message\":\"a\\uFFFDb\",\"Bad\":\"\xC3\x28\"}";
    auto v = pw::mutableObjectFromJSONStringWithParseOptions(answer, pw::ParseLenientUnicode);
    ASSERT_TRUE(v);
    EXPECT_EQ((*v)["Message"].asString(), "a\xEF\xBF\xBD"
                                          "b");
    EXPECT_EQ((*v)["Bad"].asString(), "\xEF\xBF\xBD(");
}

} // namespace

namespace {

TEST(JSONParser, RecordsKeepTheirKeyOrder) {
    auto v = pw::objectFromJSONString("[{\"b\":1,\"a\":2},{\"b\":3,\"a\":4},{\"a\":5,\"b\":6}]");
    ASSERT_TRUE(v);
    std::vector<std::string> order;
    for (std::size_t i = 0; i < 3; ++i)
        for (const auto& [key, value] : *v->at(i).asMap())
            order.push_back(key + "=" + std::to_string(*value.asInt()));
    EXPECT_EQ(order, (std::vector<std::string>{"b=1", "a=2", "b=3", "a=4", "a=5", "b=6"}));
}

} // namespace

TEST(JSONParser, ExpectedTokenMessagesNameTheChoicesInOrder) {
    // The words come in the order value or key, comma, end; the three-word
    // form has no closing quote after the token, as the reader has it.
    struct Row {
        unsigned accepted;
        bool dictionary;
        const char* message;
    } rows[] = {
        {pw::jc::JSONScanner::AcceptValue, false, "Expected a value, not ':'"},
        {pw::jc::JSONScanner::AcceptComma | pw::jc::JSONScanner::AcceptEnd, true, "Expected a comma or a '}', not ':'"},
        {7, false, "Expected a value, a comma, or a ']', not ':"},
        {7, true, "Expected a \"STRING\", a comma, or a '}', not ':"},
    };
    for (auto& r : rows) {
        const std::string text = ":";
        pw::jc::JSONScanner scanner(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), 0);
        ASSERT_TRUE(scanner.nextToken());
        scanner.expectedToken(r.accepted, r.dictionary);
        EXPECT_EQ(scanner.takeError().message, r.message);
    }
}

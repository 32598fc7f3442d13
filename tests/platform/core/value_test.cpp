#include "platform/core/Value.h"

#include <gtest/gtest.h>

using pw::core::Value;
using pw::core::ValueMap;

TEST(Value, ScalarsAnswerOnlyTheirOwnGetters) {
    struct Case {
        Value value;
        Value::Type type;
        bool hasBool, hasInt, hasDouble, hasString;
    };
    const Case cases[] = {
        {Value(), Value::Type::Null, false, false, false, false},
        {Value(true), Value::Type::Bool, true, false, false, false},
        {Value(42), Value::Type::Int, false, true, true, false},
        {Value(2.5), Value::Type::Double, false, false, true, false},
        {Value(3.0), Value::Type::Double, false, true, true, false},
        {Value("text"), Value::Type::String, false, false, false, true},
        {Value(pw::core::Bytes{1, 2}), Value::Type::Bytes, false, false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.type));
        EXPECT_EQ(c.value.type(), c.type);
        EXPECT_EQ(c.value.asBool().has_value(), c.hasBool);
        EXPECT_EQ(c.value.asInt().has_value(), c.hasInt);
        EXPECT_EQ(c.value.asDouble().has_value(), c.hasDouble);
        EXPECT_EQ(c.value.asString().has_value(), c.hasString);
    }
    EXPECT_EQ(Value(std::int64_t{-9'000'000'000'000}).asInt(), -9'000'000'000'000);
    EXPECT_EQ(Value(3.0).asInt(), 3);
    EXPECT_FALSE(Value(1e300).asInt().has_value());
    EXPECT_FALSE(Value(0.5).asInt().has_value());
}

TEST(Value, MapKeepsInsertionOrderAcrossReplaceAndRemove) {
    Value m;
    ASSERT_TRUE(m.set("b", 1));
    m.set("a", 2);
    m.set("c", 3);
    m.set("a", 20); // replacing keeps the position
    ASSERT_TRUE(m.isMap());
    EXPECT_EQ(m.asMap()->keys(), (std::vector<std::string>{"b", "a", "c"}));
    EXPECT_TRUE(m.remove("b"));
    EXPECT_FALSE(m.remove("b"));
    m.set("b", 4);
    EXPECT_EQ(m.asMap()->keys(), (std::vector<std::string>{"a", "c", "b"}));
    // Lookups after a removal still find every key (the index is rebuilt).
    EXPECT_EQ(m["a"].asInt(), 20);
    EXPECT_EQ(m["c"].asInt(), 3);
    EXPECT_EQ(m["b"].asInt(), 4);
    EXPECT_EQ(m.get("zzz"), nullptr);
    EXPECT_TRUE(m["zzz"].isNull());

    std::vector<std::string> seen;
    for (const auto& [k, v] : *m.asMap())
        seen.push_back(k + "=" + std::to_string(*v.asInt()));
    EXPECT_EQ(seen, (std::vector<std::string>{"a=20", "c=3", "b=4"}));
}

TEST(Value, ChainedLookupsAndArrays) {
    Value root = Value::map();
    Value list;
    list.push("x");
    list.push(Value::map());
    root.set("list", list);
    root.set("n", 7);

    EXPECT_EQ(root["list"][0].asString(), "x");
    EXPECT_TRUE(root["list"][1].isMap());
    EXPECT_TRUE(root["list"][9].isNull());
    EXPECT_TRUE(root["n"]["deeper"]["still"].isNull());
    EXPECT_EQ(root["list"].size(), 2u);

    // Mutators refuse the wrong type instead of clobbering data.
    Value s("keep");
    EXPECT_FALSE(s.set("k", 1));
    EXPECT_FALSE(s.push(1));
    EXPECT_EQ(s.asString(), "keep");

    Value* inner = root.get("list");
    ASSERT_NE(inner, nullptr);
    inner->asArray()->push_back(Value(false));
    EXPECT_EQ(root["list"].size(), 3u);
}

TEST(Value, EqualityComparesNumbersByValueAndMapsWithoutOrder) {
    EXPECT_EQ(Value(1), Value(1.0));
    EXPECT_NE(Value(1), Value(1.5));
    EXPECT_NE(Value(1), Value(true));
    EXPECT_NE(Value("1"), Value(1));
    EXPECT_EQ(Value(), Value(nullptr));

    ValueMap a{{"x", 1}, {"y", "two"}};
    ValueMap b{{"y", "two"}, {"x", 1}};
    EXPECT_EQ(Value(a), Value(b));
    b.set("x", 2);
    EXPECT_NE(Value(a), Value(b));
    EXPECT_NE(Value(Value::Array{1, 2}), Value(Value::Array{2, 1}));
}

TEST(Value, CopiesAreDeepAndMovesLeaveTheSourceReusable) {
    Value original = Value::map();
    original.set("list", Value::Array{1, 2, 3});
    Value copy = original;
    copy.get("list")->asArray()->push_back(4);
    EXPECT_EQ(original["list"].size(), 3u);
    EXPECT_EQ(copy["list"].size(), 4u);

    Value moved = std::move(copy);
    EXPECT_EQ(moved["list"].size(), 4u);
    copy = Value("reused");
    EXPECT_EQ(copy.asString(), "reused");
}

namespace {

std::string keyFor(std::size_t i) {
    return "key" + std::to_string(i);
}

// Checks every entry against the expected order and finds each by lookup.
void expectEntries(const ValueMap& map, const std::vector<std::pair<std::string, int>>& expected) {
    ASSERT_EQ(map.size(), expected.size());
    std::size_t i = 0;
    for (const auto& [key, value] : map) {
        EXPECT_EQ(key, expected[i].first) << "position " << i;
        EXPECT_EQ(value.asInt(), expected[i].second) << key;
        ++i;
    }
    for (const auto& [key, value] : expected) {
        const Value* found = map.get(key);
        ASSERT_NE(found, nullptr) << key;
        EXPECT_EQ(found->asInt(), value) << key;
    }
}

} // namespace

// Small maps search their entries; large ones go through an index built as
// they grow. Both must behave alike, including right at the switch and after
// the index has been resized several times.
TEST(ValueMap, LookupReplaceAndRemoveBehaveAlikeAtEverySize) {
    const std::size_t sizes[] = {0, 1, ValueMap::kLinearMaxKeys, ValueMap::kLinearMaxKeys + 1, 40, 1000};
    for (std::size_t n : sizes) {
        SCOPED_TRACE(n);
        ValueMap map;
        std::vector<std::pair<std::string, int>> expected;
        for (std::size_t i = 0; i < n; ++i) {
            map.set(keyFor(i), static_cast<int>(i));
            expected.emplace_back(keyFor(i), static_cast<int>(i));
        }
        expectEntries(map, expected);
        for (std::string_view absent : {"", "key", "key-1", "ke", "key0 ", "KEY0"})
            EXPECT_FALSE(map.contains(absent)) << absent;
        EXPECT_FALSE(map.contains(keyFor(n)));
        EXPECT_FALSE(map.contains(std::string_view("key0\0", 5)));

        // Replacing keeps the key where it was and does not grow the map.
        for (std::size_t i = 0; i < n; i += 3) {
            map.set(keyFor(i), -static_cast<int>(i));
            expected[i].second = -static_cast<int>(i);
        }
        expectEntries(map, expected);

        // Removing every other key keeps the rest in order and findable;
        // keys set again go to the end.
        std::vector<std::pair<std::string, int>> kept;
        for (std::size_t i = 0; i < n; ++i) {
            if (i % 2 == 0)
                EXPECT_TRUE(map.remove(keyFor(i)));
            else
                kept.push_back(expected[i]);
        }
        EXPECT_FALSE(n > 0 && map.remove(keyFor(0)));
        expectEntries(map, kept);
        for (std::size_t i = 0; i < n; i += 2) {
            EXPECT_FALSE(map.contains(keyFor(i)));
            map.set(keyFor(i), 7);
            kept.emplace_back(keyFor(i), 7);
        }
        expectEntries(map, kept);

        map.clear();
        EXPECT_TRUE(map.empty());
        EXPECT_FALSE(n > 0 && map.contains(keyFor(0)));
        map.set("again", 1);
        expectEntries(map, {{"again", 1}});
    }
}

TEST(ValueMap, CopiesAndEqualityAtEverySize) {
    for (std::size_t n : {std::size_t{3}, ValueMap::kLinearMaxKeys + 1, std::size_t{300}}) {
        SCOPED_TRACE(n);
        ValueMap forward, backward;
        for (std::size_t i = 0; i < n; ++i) {
            forward.set(keyFor(i), static_cast<int>(i));
            backward.set(keyFor(n - 1 - i), static_cast<int>(n - 1 - i));
        }
        EXPECT_EQ(forward, backward);

        // A copy has its own entries and its own index.
        ValueMap copy = forward;
        copy.set("extra", 1);
        copy.remove(keyFor(0));
        copy.set(keyFor(1), 100);
        EXPECT_TRUE(forward.contains(keyFor(0)));
        EXPECT_FALSE(forward.contains("extra"));
        EXPECT_EQ(forward.get(keyFor(1))->asInt(), 1);
        EXPECT_EQ(copy.get(keyFor(1))->asInt(), 100);
        EXPECT_NE(copy, forward);

        copy = backward; // assigning over a map with an index
        EXPECT_EQ(copy, forward);
        EXPECT_EQ(copy.get(keyFor(n - 1))->asInt(), static_cast<int>(n - 1));

        // Same size and keys but one value differs; same size, one key differs.
        backward.set(keyFor(n / 2), -1);
        EXPECT_NE(forward, backward);
        backward.set(keyFor(n / 2), static_cast<int>(n / 2));
        backward.remove(keyFor(0));
        backward.set("other", 0);
        EXPECT_NE(forward, backward);
    }
}

TEST(ValueMap, BuildersAppendAndFillValuesInPlace) {
    for (std::size_t n : {std::size_t{5}, std::size_t{500}}) {
        SCOPED_TRACE(n);
        ValueMap map;
        map.reserve(n);
        for (std::size_t i = 0; i < n; ++i)
            map.append(keyFor(i), Value());
        // Values written through iteration are what lookups find.
        int next = 0;
        for (auto& [key, value] : map)
            value = next++;
        std::vector<std::pair<std::string, int>> expected;
        for (std::size_t i = 0; i < n; ++i)
            expected.emplace_back(keyFor(i), static_cast<int>(i));
        expectEntries(map, expected);
        // An appended map goes on working with set.
        map.set(keyFor(0), 42);
        map.set("last", 1);
        EXPECT_EQ(map.size(), n + 1);
        EXPECT_EQ(map.get(keyFor(0))->asInt(), 42);
        EXPECT_EQ(map.keys().back(), "last");
    }
}

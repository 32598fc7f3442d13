#include "platform/core/Value.h"

#include <gtest/gtest.h>

using pw::core::Value;
using pw::core::ValueMap;

TEST(Value, ScalarsAnswerOnlyTheirOwnGetters)
{
    struct Case {
        Value value;
        Value::Type type;
        bool hasBool, hasInt, hasDouble, hasString;
    };
    const Case cases[] = {
        { Value(), Value::Type::Null, false, false, false, false },
        { Value(true), Value::Type::Bool, true, false, false, false },
        { Value(42), Value::Type::Int, false, true, true, false },
        { Value(2.5), Value::Type::Double, false, false, true, false },
        { Value(3.0), Value::Type::Double, false, true, true, false },
        { Value("text"), Value::Type::String, false, false, false, true },
        { Value(pw::core::Bytes { 1, 2 }), Value::Type::Bytes, false, false, false, false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.type));
        EXPECT_EQ(c.value.type(), c.type);
        EXPECT_EQ(c.value.asBool().has_value(), c.hasBool);
        EXPECT_EQ(c.value.asInt().has_value(), c.hasInt);
        EXPECT_EQ(c.value.asDouble().has_value(), c.hasDouble);
        EXPECT_EQ(c.value.asString().has_value(), c.hasString);
    }
    EXPECT_EQ(Value(std::int64_t { -9'000'000'000'000 }).asInt(), -9'000'000'000'000);
    EXPECT_EQ(Value(3.0).asInt(), 3);
    EXPECT_FALSE(Value(1e300).asInt().has_value());
    EXPECT_FALSE(Value(0.5).asInt().has_value());
}

TEST(Value, MapKeepsInsertionOrderAcrossReplaceAndRemove)
{
    Value m;
    ASSERT_TRUE(m.set("b", 1));
    m.set("a", 2);
    m.set("c", 3);
    m.set("a", 20); // replacing keeps the position
    ASSERT_TRUE(m.isMap());
    EXPECT_EQ(m.asMap()->keys(), (std::vector<std::string> { "b", "a", "c" }));
    EXPECT_TRUE(m.remove("b"));
    EXPECT_FALSE(m.remove("b"));
    m.set("b", 4);
    EXPECT_EQ(m.asMap()->keys(), (std::vector<std::string> { "a", "c", "b" }));
    // Lookups after a removal still find every key (the index is rebuilt).
    EXPECT_EQ(m["a"].asInt(), 20);
    EXPECT_EQ(m["c"].asInt(), 3);
    EXPECT_EQ(m["b"].asInt(), 4);
    EXPECT_EQ(m.get("zzz"), nullptr);
    EXPECT_TRUE(m["zzz"].isNull());

    std::vector<std::string> seen;
    for (const auto& [k, v] : *m.asMap())
        seen.push_back(k + "=" + std::to_string(*v.asInt()));
    EXPECT_EQ(seen, (std::vector<std::string> { "a=20", "c=3", "b=4" }));
}

TEST(Value, ChainedLookupsAndArrays)
{
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

TEST(Value, EqualityComparesNumbersByValueAndMapsWithoutOrder)
{
    EXPECT_EQ(Value(1), Value(1.0));
    EXPECT_NE(Value(1), Value(1.5));
    EXPECT_NE(Value(1), Value(true));
    EXPECT_NE(Value("1"), Value(1));
    EXPECT_EQ(Value(), Value(nullptr));

    ValueMap a { { "x", 1 }, { "y", "two" } };
    ValueMap b { { "y", "two" }, { "x", 1 } };
    EXPECT_EQ(Value(a), Value(b));
    b.set("x", 2);
    EXPECT_NE(Value(a), Value(b));
    EXPECT_NE(Value(Value::Array { 1, 2 }), Value(Value::Array { 2, 1 }));
}

TEST(Value, CopiesAreDeepAndMovesLeaveTheSourceReusable)
{
    Value original = Value::map();
    original.set("list", Value::Array { 1, 2, 3 });
    Value copy = original;
    copy.get("list")->asArray()->push_back(4);
    EXPECT_EQ(original["list"].size(), 3u);
    EXPECT_EQ(copy["list"].size(), 4u);

    Value moved = std::move(copy);
    EXPECT_EQ(moved["list"].size(), 4u);
    copy = Value("reused");
    EXPECT_EQ(copy.asString(), "reused");
}

#include "foundation/codec/JCArray.h"
#include "foundation/codec/JCDictionary.h"
#include "foundation/codec/JCDictionaryEnumerator.h"
#include "foundation/codec/JSONCodec.h"

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>

namespace {

using pw::JCArray;
using pw::JCDictionary;
using pw::JCObject;

JCObject parse(pw::JSONDecoder& decoder, const std::string& text, bool mutableContainers = false) {
    auto r = mutableContainers ? decoder.mutableObjectWithUTF8String(text.data(), text.size())
                               : decoder.objectWithUTF8String(text.data(), text.size());
    EXPECT_TRUE(r) << text;
    return r.value_or(JCObject());
}

std::string message(const std::function<void()>& f) {
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(nothing thrown)";
}

JCObject text(const char* s) {
    return JCObject::string(std::make_shared<const std::string>(s));
}

} // namespace

TEST(JCDictionary, CapacityTable) {
    struct Row {
        uint64_t count;
        uint32_t capacity;
    } rows[] = {{0, 0}, {1, 3}, {3, 3}, {4, 7}, {6, 7}, {10, 13}, {100, 191}, {1000, 1723}};
    for (auto& r : rows)
        EXPECT_EQ(JCDictionary::capacityForCount(r.count), r.capacity) << r.count;
}

TEST(JCDictionary, ParsedObjectsFindEveryKeyAndTheLastValueWins) {
    pw::JSONDecoder decoder;
    auto empty = parse(decoder, "{}").dictionaryObject();
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->capacity(), 0u);
    EXPECT_EQ(empty->objectForKey("a"), nullptr);

    auto d = parse(decoder, R"({"a":1,"b":2,"a":3})").dictionaryObject();
    EXPECT_EQ(d->count(), 2u);
    EXPECT_EQ(d->objectForKey("a")->asInt(), 3);
    EXPECT_EQ(d->objectForKey("b")->asInt(), 2);

    // Three keys fill a table of three slots; a missing key is still not found.
    auto full = parse(decoder, R"({"x":1,"y":2,"z":3})").dictionaryObject();
    EXPECT_EQ(full->capacity(), 3u);
    EXPECT_EQ(full->count(), 3u);
    EXPECT_EQ(full->objectForKey("w"), nullptr);
    std::set<std::string> keys;
    auto e = full->keyEnumerator();
    auto first = e->nextObject();
    ASSERT_TRUE(first);
    keys.insert(*first->stringObject());
    for (auto& k : e->allObjects())
        keys.insert(*k.stringObject());
    EXPECT_EQ(keys, (std::set<std::string>{"x", "y", "z"}));
    EXPECT_FALSE(e->nextObject());
}

TEST(JCDictionary, MutableObjectsGrowAndKeepDisplacedKeysFindable) {
    pw::JSONDecoder decoder;
    auto d = parse(decoder, "{}", true).dictionaryObject();
    EXPECT_EQ(d->mutations(), 1u);
    d->setObjectForKey(JCObject::integer(1), "k0");
    EXPECT_EQ(d->capacity(), 3u);
    for (int i = 1; i < 200; ++i)
        d->setObjectForKey(JCObject::integer(i), "k" + std::to_string(i));
    EXPECT_EQ(d->count(), 200u);
    EXPECT_EQ(d->mutations(), 201u);
    // Removing keys whose neighbours were displaced keeps the rest reachable.
    for (int i = 0; i < 200; i += 3)
        d->removeObjectForKey("k" + std::to_string(i));
    d->removeObjectForKey("absent");
    for (int i = 0; i < 200; ++i) {
        auto* v = d->objectForKey("k" + std::to_string(i));
        if (i % 3 == 0)
            EXPECT_EQ(v, nullptr) << i;
        else
            EXPECT_TRUE(v && v->asInt() == i) << i;
    }
    EXPECT_EQ(d->count(), 133u);
}

TEST(JCArray, MutableArraysGrowBySixteenAndCheckTheirBounds) {
    pw::JSONDecoder decoder;
    auto a = parse(decoder, "[1,2,3,4,5]", true).arrayObject();
    EXPECT_EQ(a->capacity(), 5u);
    a->insertObjectAtIndex(text("x"), 5); // at count: appended
    EXPECT_EQ(a->capacity(), 21u);
    EXPECT_EQ(*a->objectAtIndex(5).stringObject(), "x");
    a->insertObjectAtIndex(JCObject::integer(0), 0);
    a->removeObjectAtIndex(1);
    a->replaceObjectAtIndexWithObject(0, JCObject::integer(9));
    EXPECT_EQ(a->count(), 6u);
    EXPECT_EQ(a->objectAtIndex(0).asInt(), 9);
    EXPECT_EQ(a->objectAtIndex(1).asInt(), 2);
    struct Row {
        std::function<void()> call;
        std::string what;
    } rows[] = {
        {[&] { a->insertObjectAtIndex(JCObject(), 8); }, "*** -[JCArray insertObject:atIndex:]: index (8) beyond bounds (7)"},
        {[&] { a->objectAtIndex(6); }, "*** -[JCArray objectAtIndex:]: index (6) beyond bounds (6)"},
        {[&] { a->removeObjectAtIndex(6); }, "*** -[JCArray removeObjectAtIndex:]: index (6) beyond bounds (6)"},
        {[&] { a->getObjectsRange(nullptr, 1, 2); },
         "*** -[JCArray getObjects:range:]: pointer to objects array is NULL but range length is 3"},
        {[&] {
             std::vector<JCObject> out;
             a->getObjectsRange(&out, 5, 2);
         },
         "*** -[JCArray getObjects:range:]: index (7) beyond bounds (6)"},
    };
    for (auto& r : rows)
        EXPECT_EQ(message(r.call), r.what);
    std::vector<JCObject> out;
    a->getObjectsRange(&out, 1, 2);
    EXPECT_EQ(out.size(), 2u);
    // A copy of a mutable array is a new immutable one.
    auto frozen = a->copy();
    EXPECT_NE(frozen, a);
    EXPECT_FALSE(frozen->isMutable());
}

TEST(JCCollections, ImmutableOnesRefuseEveryMutationAndCopyAsThemselves) {
    pw::JSONDecoder decoder;
    auto a = parse(decoder, "[1]").arrayObject();
    auto d = parse(decoder, R"({"a":1})").dictionaryObject();
    struct Row {
        std::function<void()> call;
        std::string what;
    } rows[] = {
        {[&] { a->insertObjectAtIndex(JCObject(), 0); }, "*** -[JCArray insertObject:atIndex:]: mutating method sent to immutable object"},
        {[&] { a->removeObjectAtIndex(0); }, "*** -[JCArray removeObjectAtIndex:]: mutating method sent to immutable object"},
        {[&] { a->replaceObjectAtIndexWithObject(0, JCObject()); },
         "*** -[JCArray replaceObjectAtIndex:withObject:]: mutating method sent to immutable object"},
        {[&] { d->setObjectForKey(JCObject(), "b"); }, "*** -[JCDictionary setObject:forKey:]: mutating method sent to immutable object"},
        {[&] { d->removeObjectForKey("a"); }, "*** -[JCDictionary removeObjectForKey:]: mutating method sent to immutable object"},
    };
    for (auto& r : rows)
        EXPECT_EQ(message(r.call), r.what);
    EXPECT_EQ(a->copy(), a);
    EXPECT_EQ(d->copy(), d);
    EXPECT_TRUE(a->mutableCopy()->isMutable());
    EXPECT_TRUE(d->mutableCopy()->isMutable());
    EXPECT_EQ(a->mutations(), 0u);
}

TEST(JCTokenCache, RepeatedValuesComeBackAsOneSharedObjectUntilCleared) {
    pw::JSONDecoder decoder;
    auto list = parse(decoder, R"([{"title":"甲","n":1},{"title":"乙","n":1.0},{"title":"甲","n":1}])").arrayObject();
    ASSERT_EQ(list->count(), 3u);
    std::vector<JCObject> keys0, keys2, values0, values1, values2;
    list->objectAtIndex(0).dictionaryObject()->getObjectsAndKeys(&values0, &keys0);
    list->objectAtIndex(1).dictionaryObject()->getObjectsAndKeys(&values1, nullptr);
    list->objectAtIndex(2).dictionaryObject()->getObjectsAndKeys(&values2, &keys2);
    // The same key text in every record is one string object.
    ASSERT_EQ(keys0.size(), 2u);
    for (size_t i = 0; i < 2; ++i)
        EXPECT_EQ(keys0[i].stringObject(), keys2[i].stringObject());
    auto title = [](const JCObject& record) { return record.dictionaryObject()->objectForKey("title")->stringObject(); };
    auto n = [](const JCObject& record) { return *record.dictionaryObject()->objectForKey("n"); };
    EXPECT_EQ(title(list->objectAtIndex(0)), title(list->objectAtIndex(2)));
    EXPECT_NE(title(list->objectAtIndex(0)), title(list->objectAtIndex(1)));
    // 1 and 1.0 are different kinds of number.
    EXPECT_EQ(n(list->objectAtIndex(0)).asInt(), 1);
    EXPECT_EQ(n(list->objectAtIndex(1)).asDouble(), 1.0);

    // The cache outlives a parse, and clearCache empties it.
    auto again = parse(decoder, R"({"title":"x"})").dictionaryObject();
    std::vector<JCObject> againKeys;
    again->getObjectsAndKeys(nullptr, &againKeys);
    auto titleKey = [&](const std::vector<JCObject>& ks) {
        for (auto& k : ks)
            if (*k.stringObject() == "title")
                return k.stringObject();
        return std::shared_ptr<const std::string>();
    };
    EXPECT_EQ(titleKey(againKeys), titleKey(keys0));
    decoder.clearCache();
    for (uint32_t i = 0; i < pw::JCTokenCache::kItems; ++i)
        EXPECT_TRUE(decoder.cache().itemAt(i).object.isNull());
    auto fresh = parse(decoder, R"({"title":"x"})").dictionaryObject();
    std::vector<JCObject> freshKeys;
    fresh->getObjectsAndKeys(nullptr, &freshKeys);
    EXPECT_NE(titleKey(freshKeys), titleKey(keys0));
    // Every empty string is the one shared empty string.
    auto empties = parse(decoder, R"(["",""])").arrayObject();
    EXPECT_EQ(empties->objectAtIndex(0).stringObject(), empties->objectAtIndex(1).stringObject());
}

TEST(JCObject, NumbersKeepTheirKindAndReadAsPlainValues) {
    pw::JSONDecoder decoder;
    auto a = parse(decoder, "[18446744073709551615, 9223372036854775807, -1, 0.5, true, null]").arrayObject();
    EXPECT_EQ(a->objectAtIndex(0).asUInt(), 18446744073709551615ull);
    EXPECT_EQ(a->objectAtIndex(1).asInt(), INT64_MAX);
    EXPECT_EQ(a->objectAtIndex(2).asInt(), -1);
    EXPECT_EQ(a->objectAtIndex(3).asDouble(), 0.5);
    EXPECT_EQ(a->objectAtIndex(4).asBool(), true);
    EXPECT_TRUE(a->objectAtIndex(5).isNull());
    // Read as plain values, the tree equals what the text entry points give.
    const std::string text = R"({"Chapters":[{"c":1,"n":"第1章","v":0},{"c":2,"n":"第2章","v":1}],"total":2})";
    EXPECT_EQ(parse(decoder, text).toValue(), pw::objectFromJSONString(text));
}

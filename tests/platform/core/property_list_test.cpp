#include "support/TempDir.h"

#include "platform/core/FileManager.h"
#include "platform/core/KeyedArchive.h"
#include "platform/core/Paths.h"
#include "platform/core/PropertyList.h"
#include "platform/core/UserDefaults.h"

#include <gtest/gtest.h>

using namespace pw::core;
using pw::test::TempDir;

namespace {

Value sampleTree() {
    Value v = Value::map();
    v.set("name", "红楼梦");
    v.set("count", 120);
    v.set("negative", -5);
    v.set("big", std::int64_t{1} << 40);
    v.set("ratio", 0.75);
    v.set("on", true);
    v.set("off", false);
    v.set("blob", Bytes{0, 1, 2, 255});
    v.set("empty", "");
    Value list;
    list.push(1);
    list.push("two");
    Value inner;
    inner.set("z", 1);
    inner.set("a", 2);
    list.push(inner);
    v.set("list", list);
    return v;
}

} // namespace

TEST(PropertyList, RoundTripsInBothFormats) {
    const Value tree = sampleTree();
    for (auto format : {PropertyList::Format::Xml, PropertyList::Format::Binary}) {
        SCOPED_TRACE(format == PropertyList::Format::Xml ? "xml" : "binary");
        auto bytes = PropertyList::serialize(tree, format);
        ASSERT_TRUE(bytes.has_value());
        auto back = PropertyList::parse(*bytes);
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(*back, tree);
        EXPECT_EQ(back->asMap()->keys(), tree.asMap()->keys()); // order survives
        EXPECT_TRUE((*back)["count"].isInt());
        EXPECT_TRUE((*back)["ratio"].isDouble());
    }
}

TEST(PropertyList, ReadsDatesAsSecondsSince1970) {
    const std::string xml = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0"><dict><key>when</key><date>2001-01-01T00:01:40Z</date></dict></plist>)";
    auto v = PropertyList::parse(asByteView(xml));
    ASSERT_TRUE(v.has_value());
    EXPECT_DOUBLE_EQ(*(*v)["when"].asDouble(), 978307200.0 + 100.0);
}

TEST(PropertyList, DamagedOrUnwritableInputIsNullopt) {
    auto good = *PropertyList::serialize(sampleTree(), PropertyList::Format::Binary);
    Bytes truncated(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(good.size() / 2));
    Bytes scrambled = good;
    for (std::size_t i = 8; i < scrambled.size(); i += 3)
        scrambled[i] ^= 0x5A;
    const std::string badXml = "<?xml version=\"1.0\"?><plist><dict><key>a</key><integer>1</inte";
    EXPECT_FALSE(PropertyList::parse(truncated).has_value());
    EXPECT_FALSE(PropertyList::parse(Bytes{}).has_value());
    EXPECT_FALSE(PropertyList::parse(asByteView("just some text")).has_value());
    EXPECT_FALSE(PropertyList::parse(asByteView(badXml)).has_value());
    (void)PropertyList::parse(scrambled); // must not crash, whatever it answers

    EXPECT_FALSE(PropertyList::serialize(Value()).has_value());
    Value withNull;
    withNull.set("x", Value());
    EXPECT_FALSE(PropertyList::serialize(withNull).has_value());
}

TEST(KeyedArchive, RoundTripAndDamage) {
    TempDir dir;
    auto path = dir / "newsettings";
    const Value config = sampleTree();
    ASSERT_TRUE(KeyedArchive::archiveRootObject(config, path, "rzConfig"));
    EXPECT_EQ(KeyedArchive::unarchiveObject(path, "rzConfig"), config);
    EXPECT_FALSE(KeyedArchive::unarchiveObject(path, "otherKey").has_value());
    EXPECT_FALSE(KeyedArchive::unarchiveObject(dir / "missing", "rzConfig").has_value());

    // A damaged file: unreadable, and the next save replaces it cleanly.
    auto bytes = *FileManager::readFile(path);
    bytes.resize(bytes.size() / 3);
    ASSERT_TRUE(FileManager::writeFile(path, bytes));
    EXPECT_FALSE(KeyedArchive::unarchiveObject(path, "rzConfig").has_value());
    ASSERT_TRUE(FileManager::writeFile(path, "garbage that is not an archive"));
    EXPECT_FALSE(KeyedArchive::unarchiveObject(path, "rzConfig").has_value());

    // A value that cannot be archived leaves the previous archive alone.
    ASSERT_TRUE(KeyedArchive::archiveRootObject(Value("v1"), path));
    EXPECT_FALSE(KeyedArchive::archiveRootObject(Value(), path));
    EXPECT_EQ(KeyedArchive::unarchiveObject(path), Value("v1"));

    auto data = KeyedArchive::archivedData(Value::Array{1, 2}, "list");
    ASSERT_TRUE(data.has_value());
    EXPECT_EQ(KeyedArchive::unarchive(*data, "list"), Value(Value::Array{1, 2}));
}

TEST(UserDefaults, PersistsEveryChangeAndFollowsTheHome) {
    TempDir dir;
    auto previous = Paths::home();
    Paths::setHome(dir / "home");
    {
        UserDefaults& d = UserDefaults::standard();
        EXPECT_EQ(d.file(), dir / "home" / "Library" / "Preferences" / "pagewell.plist");
        EXPECT_FALSE(d.get("k").has_value());
        EXPECT_TRUE(d.set("k", "v"));
        EXPECT_TRUE(d.set("n", 3));
        EXPECT_TRUE(d.set("flag", true));
        EXPECT_EQ(d.getString("k"), "v");
        EXPECT_EQ(d.getInt("n"), 3);
        EXPECT_EQ(d.getBool("flag"), true);
        EXPECT_FALSE(d.getBool("k").has_value());
        EXPECT_TRUE(d.remove("n"));
        EXPECT_TRUE(d.set("flag", Value())); // null removes
        EXPECT_TRUE(d.synchronize());
    }
    // A fresh instance reads what was written, without any explicit save.
    UserDefaults reread(dir / "home" / "Library" / "Preferences" / "pagewell.plist");
    EXPECT_EQ(reread.getString("k"), "v");
    EXPECT_FALSE(reread.contains("n"));
    EXPECT_FALSE(reread.contains("flag"));

    // A damaged file reads as empty and is not touched until a change.
    auto file = dir / "damaged.plist";
    ASSERT_TRUE(FileManager::writeFile(file, "not a plist"));
    UserDefaults damaged(file);
    EXPECT_FALSE(damaged.contains("k"));
    EXPECT_EQ(FileManager::readText(file), "not a plist");
    EXPECT_TRUE(damaged.set("k", 1));
    EXPECT_EQ(UserDefaults(file).getInt("k"), 1);

    Paths::setHome(previous);
}

namespace {

// Lays out a binary property list from raw object encodings (one-byte
// offsets and references), so hostile structures can be written by hand.
Bytes binaryPlist(const std::vector<Bytes>& objects, std::uint8_t top = 0) {
    Bytes out = toBytes("bplist00");
    std::vector<std::uint8_t> offsets;
    for (const auto& o : objects) {
        offsets.push_back(static_cast<std::uint8_t>(out.size()));
        out.insert(out.end(), o.begin(), o.end());
    }
    std::size_t table = out.size();
    out.insert(out.end(), offsets.begin(), offsets.end());
    Bytes trailer(32, 0);
    trailer[6] = 1; // offset size
    trailer[7] = 1; // reference size
    trailer[15] = static_cast<std::uint8_t>(objects.size());
    trailer[23] = top;
    trailer[31] = static_cast<std::uint8_t>(table);
    out.insert(out.end(), trailer.begin(), trailer.end());
    return out;
}

} // namespace

TEST(PropertyList, HandMadeBinaryListsAreReadOrRefusedSafely) {
    // A well-formed one first: {"k": [1, "k"]}, sharing the key string.
    auto good = binaryPlist({{0xD1, 1, 2}, {0x51, 'k'}, {0xA2, 3, 1}, {0x10, 1}});
    auto v = PropertyList::parse(good);
    ASSERT_TRUE(v.has_value());
    EXPECT_EQ((*v)["k"][0].asInt(), 1);
    EXPECT_EQ((*v)["k"][1].asString(), "k");

    struct Case {
        const char* what;
        Bytes bytes;
    };
    // An array of two references to the next array, 40 levels deep: tiny on
    // disk, 2^40 values if expanded.
    std::vector<Bytes> doubling;
    for (std::uint8_t i = 0; i < 40; ++i)
        doubling.push_back({0xA2, static_cast<std::uint8_t>(i + 1), static_cast<std::uint8_t>(i + 1)});
    doubling.push_back({0x10, 7});
    const Case cases[] = {
        {"array holding itself", binaryPlist({{0xA1, 0}})},
        {"reference past the last object", binaryPlist({{0xA1, 9}})},
        {"dictionary key that is not a string", binaryPlist({{0xD1, 1, 1}, {0x10, 1}})},
        {"string longer than the file", binaryPlist({{0x5F, 0x10, 0xFF}})},
        {"array count beyond the file", binaryPlist({{0xAF, 0x13, 0x7F, 0xFF, 0xFF, 0xFF}})},
        {"unknown marker", binaryPlist({{0x70}})},
        {"bad UTF-16 string", binaryPlist({{0x61, 0xD8, 0x00}})},
        {"shared objects expanding without bound", binaryPlist(doubling)},
        {"top object out of range", binaryPlist({{0x10, 1}}, 5)},
        {"header only", toBytes("bplist00")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(PropertyList::parse(c.bytes).has_value());
    }
}

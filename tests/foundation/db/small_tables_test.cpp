#include "DBTestHome.h"

#include "foundation/db/BookmarkTB.h"
#include "foundation/db/CategoryTB.h"
#include "foundation/db/MainDB.h"
#include "foundation/db/MessageTB.h"
#include "foundation/db/SQLDatabase.h"
#include "foundation/db/SettingTB.h"
#include "platform/core/ManualClock.h"
#include "platform/core/Value.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

using pw::BookmarkTB;
using pw::CategoryTB;
using pw::MessageTB;
using pw::SettingTB;
using pw::core::Value;

namespace {

class SmallTablesTest : public DBTestHome {
protected:
    void SetUp() override {
        DBTestHome::SetUp();
        m_clock = std::make_shared<pw::core::ManualClock>(1'700'000'000.75);
        pw::core::Clock::setShared(m_clock);
        ASSERT_TRUE(pw::MainDB::createMainDBIfNotExists());
    }

    void TearDown() override {
        pw::core::Clock::setShared(nullptr);
        DBTestHome::TearDown();
    }

    static std::vector<std::string> names(const std::optional<Value::Array>& categories) {
        std::vector<std::string> out;
        for (const Value& c : categories.value_or(Value::Array{}))
            out.push_back(c["cname"].asString().value_or("?"));
        return out;
    }

    static Value notice(int64_t id, const std::string& message, int64_t createDate, int type = 1, int clientType = 2) {
        return Value(Value::Map{
            {"NotifyId", Value(id)},
            {"Type", Value(type)},
            {"Key", Value("k")},
            {"Value", Value("v")},
            {"Message", Value(message)},
            {"CreateDate", Value(createDate)},
            {"ExpireDate", Value(createDate + 1000)},
            {"Status", Value(1)},
            {"UserId", Value(7)},
            {"ClientType", Value(clientType)},
        });
    }

    std::shared_ptr<pw::core::ManualClock> m_clock;
};

TEST_F(SmallTablesTest, EveryOperationAnswersItsUnopenedValue) {
    std::filesystem::remove(pw::MainDB::mainDBPath());
    std::vector<std::pair<const char*, std::function<bool()>>> cases = {
        {"saveSettingWithKey", [] { return !SettingTB::saveSettingWithKey("k", "v"); }},
        {"readSettingWithKey", [] { return !SettingTB::readSettingWithKey("k"); }},
        {"deleteSettingWithKey", [] { return !SettingTB::deleteSettingWithKey("k"); }},
        {"syncBookCases", [] { return !CategoryTB::syncBookCases(); }},
        {"getAllCategory", [] { return !CategoryTB::getAllCategory(); }},
        {"getAllRZCategory", [] { return !CategoryTB::getAllRZCategory(); }},
        {"getAllLocalCategory", [] { return !CategoryTB::getAllLocalCategory(); }},
        {"addCategory", [] { return !CategoryTB::addCategory("x"); }},
        {"setExpandByCategoryId", [] { return !CategoryTB::setExpandByCategoryId(1, true); }},
        {"deleteCategory", [] { return !CategoryTB::deleteCategory(1); }},
        {"changeCategoryName", [] { return !CategoryTB::changeCategoryName("x", 1); }},
        {"addBookmarkByBookId", [] { return !BookmarkTB::addBookmarkByBookId(1, "d", 1, 2, 3, 4); }},
        {"getAllBookmarkByBookId", [] { return !BookmarkTB::getAllBookmarkByBookId(1); }},
        {"deleteBookmark", [] { return !BookmarkTB::deleteBookmark(1); }},
        {"saveMessage", [] { return !MessageTB::saveMessage({}); }},
        {"removeMessageWithNotifyId", [] { return !MessageTB::removeMessageWithNotifyId(1); }},
        {"removeMessageWithType", [] { return !MessageTB::removeMessageWithType(2); }},
        {"setMessageReadWithId", [] { return !MessageTB::setMessageReadWithId(1); }},
        {"getAllReadMessageTitle", [] { return !MessageTB::getAllReadMessageTitle(); }},
        {"getAllMessage", [] { return !MessageTB::getAllMessage(); }},
        {"getAllMessageWithType", [] { return !MessageTB::getAllMessageWithType(2); }},
        {"getMessageWithNotifyId", [] { return !MessageTB::getMessageWithNotifyId(1); }},
    };
    for (const auto& [name, answersUnopened] : cases)
        EXPECT_TRUE(answersUnopened()) << name;
    EXPECT_FALSE(pw::MainDB::isMainDBExists());
}

TEST_F(SmallTablesTest, Settings) {
    EXPECT_EQ(SettingTB::readSettingWithKey("rzxy"), std::nullopt);
    ASSERT_TRUE(SettingTB::saveSettingWithKey("rzxy", "0"));
    ASSERT_TRUE(SettingTB::saveSettingWithKey("rzxy", "1"));
    EXPECT_EQ(SettingTB::readSettingWithKey("rzxy"), "1");
    pw::SQLDatabase db(pw::MainDB::mainDBPath().string());
    ASSERT_TRUE(db.open());
    EXPECT_EQ(db.intForQuery("select count(*) from setting"), 1);
    // Keys and values are data, whatever they hold.
    ASSERT_TRUE(SettingTB::saveSettingWithKey("k'); drop table setting; --", "it's"));
    EXPECT_EQ(SettingTB::readSettingWithKey("k'); drop table setting; --"), "it's");
    ASSERT_TRUE(SettingTB::deleteSettingWithKey("rzxy"));
    EXPECT_EQ(SettingTB::readSettingWithKey("rzxy"), std::nullopt);
}

TEST_F(SmallTablesTest, SiteShelvesAndUserGroups) {
    ASSERT_TRUE(CategoryTB::addCategory("我的"));
    ASSERT_TRUE(CategoryTB::syncBookCases());
    ASSERT_TRUE(CategoryTB::syncBookCases());
    EXPECT_EQ(names(CategoryTB::getAllCategory()),
              (std::vector<std::string>{"我的", "VIP书架", "书架1", "书架2", "书架3"}));
    EXPECT_EQ(names(CategoryTB::getAllRZCategory()), (std::vector<std::string>{"VIP书架", "书架1", "书架2", "书架3"}));
    EXPECT_EQ(names(CategoryTB::getAllLocalCategory()), (std::vector<std::string>{"我的"}));

    auto all = CategoryTB::getAllCategory();
    const Value& mine = (*all)[0];
    EXPECT_EQ(mine.asMap()->keys(), (std::vector<std::string>{"cid", "cname", "expand", "t"}));
    EXPECT_EQ(mine["expand"].asInt(), 0);
    EXPECT_EQ(mine["t"].asInt(), 1'700'000'000);
    pw::SQLDatabase db(pw::MainDB::mainDBPath().string());
    ASSERT_TRUE(db.open());
    EXPECT_DOUBLE_EQ(db.doubleForQuery("select CreateTime from category where Name = '我的'"), 1'700'000'000.75);

    int64_t id = *mine["cid"].asInt();
    ASSERT_TRUE(CategoryTB::setExpandByCategoryId(id, false));
    EXPECT_EQ((*CategoryTB::getAllCategory())[0]["expand"].asInt(), 1);
    ASSERT_TRUE(CategoryTB::setExpandByCategoryId(id, true));
    EXPECT_EQ((*CategoryTB::getAllCategory())[0]["expand"].asInt(), 0);
    ASSERT_TRUE(CategoryTB::changeCategoryName("改名", id));
    EXPECT_EQ(names(CategoryTB::getAllLocalCategory()), (std::vector<std::string>{"改名"}));
    ASSERT_TRUE(CategoryTB::deleteCategory(id));
    EXPECT_TRUE(CategoryTB::getAllLocalCategory()->empty());
}

TEST_F(SmallTablesTest, Bookmarks) {
    ASSERT_TRUE(BookmarkTB::addBookmarkByBookId(3, "宝玉初见黛玉", 101, 2048, 1'700'000'100, 33.5));
    ASSERT_TRUE(BookmarkTB::addBookmarkByBookId(3, "second", 102, 0, 1'700'000'200, 40));
    ASSERT_TRUE(BookmarkTB::addBookmarkByBookId(4, "other book", 1, 1, 1, 1));
    auto marks = BookmarkTB::getAllBookmarkByBookId(3);
    ASSERT_TRUE(marks);
    ASSERT_EQ(marks->size(), 2u);
    const Value& first = (*marks)[0];
    EXPECT_EQ(first.asMap()->keys(), (std::vector<std::string>{"id", "bid", "desc", "pos", "pos2", "t", "percent"}));
    EXPECT_EQ(first["bid"].asInt(), 3);
    EXPECT_EQ(first["desc"].asString(), "宝玉初见黛玉");
    EXPECT_EQ(first["pos"].asInt(), 101);
    EXPECT_EQ(first["pos2"].asInt(), 2048);
    EXPECT_EQ(first["t"].asInt(), 1'700'000'100);
    EXPECT_DOUBLE_EQ(*first["percent"].asDouble(), 33.5);
    EXPECT_EQ((*marks)[1]["desc"].asString(), "second");

    ASSERT_TRUE(BookmarkTB::deleteBookmark(*first["id"].asInt()));
    EXPECT_EQ(BookmarkTB::getAllBookmarkByBookId(3)->size(), 1u);
    EXPECT_TRUE(BookmarkTB::getAllBookmarkByBookId(5)->empty());
}

TEST(MessageTitle, FirstTenCharacters) {
    struct Case {
        std::string message;
        std::string title;
    };
    std::vector<Case> cases = {
        {"", ""},
        {"short", "short"},
        {"exactly10!", "exactly10!"},
        {"twenty-five characters!!", "twenty-fiv"},
        {"一二三四五六七八九十十一十二", "一二三四五六七八九十"},
        // A character outside the basic plane counts twice and is never split.
        {"123456789😀abc", "123456789"},
        {"12345678😀abc", "12345678😀"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MessageTB::titleForMessage(c.message), c.title) << c.message;
}

TEST_F(SmallTablesTest, MessagesAreStoredReadAndRemoved) {
    ASSERT_TRUE(MessageTB::saveMessage({notice(1, "第一条消息的内容比十个字长得多", 100), notice(2, "短消息", 300),
                                        notice(3, "other client", 200, 1, 1)}));
    auto all = MessageTB::getAllMessage();
    ASSERT_TRUE(all);
    ASSERT_EQ(all->size(), 3u);
    EXPECT_EQ((*all)[0]["nid"].asInt(), 2);
    const Value& first = (*all)[2];
    EXPECT_EQ(first.asMap()->keys(),
              (std::vector<std::string>{"nid", "title", "mtype", "read", "savetime", "createDate", "expireDate", "type",
                                        "status", "uid", "message", "key", "value", "clientType"}));
    EXPECT_EQ(first["title"].asString(), "第一条消息的内容比十");
    EXPECT_EQ(first["mtype"].asInt(), 2);
    EXPECT_EQ(first["read"].asInt(), 0);
    EXPECT_EQ(first["savetime"].asInt(), 1'700'000'000);
    EXPECT_EQ(first["expireDate"].asInt(), 1100);
    EXPECT_EQ(first["uid"].asInt(), 7);
    EXPECT_EQ(first["message"].asString(), "第一条消息的内容比十个字长得多");

    auto titles = MessageTB::getAllReadMessageTitle();
    ASSERT_TRUE(titles);
    ASSERT_EQ(titles->size(), 2u);
    EXPECT_EQ((*titles)[0].asMap()->keys(), (std::vector<std::string>{"nid", "title", "read", "createDate"}));
    EXPECT_EQ((*titles)[0]["title"].asString(), "短消息");

    ASSERT_TRUE(MessageTB::setMessageReadWithId(2));
    EXPECT_EQ((*MessageTB::getMessageWithNotifyId(2))["read"].asInt(), 1);
    // The same notice again: replaced, unread, saved anew.
    m_clock->advance(10);
    ASSERT_TRUE(MessageTB::saveMessage({notice(2, "短消息", 300)}));
    auto again = MessageTB::getMessageWithNotifyId(2);
    EXPECT_EQ((*again)["read"].asInt(), 0);
    EXPECT_EQ((*again)["savetime"].asInt(), 1'700'000'010);
    EXPECT_EQ(MessageTB::getAllMessage()->size(), 3u);

    EXPECT_EQ(MessageTB::getMessageWithNotifyId(99), Value::map());
    ASSERT_TRUE(MessageTB::removeMessageWithNotifyId(1));
    EXPECT_EQ(MessageTB::getAllMessageWithType(2)->size(), 2u);
    ASSERT_TRUE(MessageTB::removeMessageWithType(2));
    EXPECT_TRUE(MessageTB::getAllMessage()->empty());
}

TEST_F(SmallTablesTest, MessagesWithMissingTextsAndBadBatches) {
    Value bare = Value(Value::Map{{"NotifyId", Value(5)}, {"Type", Value(1)}, {"CreateDate", Value(1)}});
    ASSERT_TRUE(MessageTB::saveMessage({bare}));
    auto record = MessageTB::getMessageWithNotifyId(5);
    ASSERT_TRUE(record);
    EXPECT_EQ((*record)["message"].asString(), "");
    EXPECT_EQ((*record)["key"].asString(), "");
    EXPECT_EQ((*record)["title"].asString(), "");

    // One bad notice keeps the whole batch out.
    Value bad = notice(7, "坏", 1);
    bad.set("Key", Value::map());
    EXPECT_FALSE(MessageTB::saveMessage({notice(6, "好", 1), bad}));
    EXPECT_EQ(MessageTB::getAllMessage()->size(), 1u);
    EXPECT_TRUE(MessageTB::saveMessage({}));
}

} // namespace

#include "foundation/db/MessageTB.h"

#include "foundation/db/MainDB.h"
#include "foundation/db/SQLDatabase.h"
#include "foundation/db/SQLResultSet.h"
#include "foundation/db/TableAccess.h"

namespace pw {

namespace {

using core::Value;

constexpr size_t TitleLength = 10;

constexpr const char* MessageColumns =
    "select NotifyId, Title, MType, IsRead, SaveTime, CreateDate, ExpireDate, Type, Status, UserId, "
    "Message, Key, Value, ClientType from message";

Value messageText(const SQLResultSet& rs, int index) {
    return Value(rs.stringForColumnIndex(index).value_or(std::string()));
}

Value messageInteger(const SQLResultSet& rs, int index) {
    return Value(rs.longLongIntForColumnIndex(index));
}

Value messageRecord(SQLResultSet& rs) {
    return Value(Value::Map{
        {"nid", messageInteger(rs, 0)},
        {"title", messageText(rs, 1)},
        {"mtype", messageInteger(rs, 2)},
        {"read", messageInteger(rs, 3)},
        {"savetime", messageInteger(rs, 4)},
        {"createDate", messageInteger(rs, 5)},
        {"expireDate", messageInteger(rs, 6)},
        {"type", messageInteger(rs, 7)},
        {"status", messageInteger(rs, 8)},
        {"uid", messageInteger(rs, 9)},
        {"message", messageText(rs, 10)},
        {"key", messageText(rs, 11)},
        {"value", messageText(rs, 12)},
        {"clientType", messageInteger(rs, 13)},
    });
}

std::optional<Value::Array> readMessages(std::string_view sql, std::initializer_list<SQLArg> args,
                                         Value (*make)(SQLResultSet&)) {
    auto db = TableAccess::openExisting(MainDB::mainDBPath());
    if (!db)
        return std::nullopt;
    return TableAccess::readRows(*db, sql, args, make);
}

bool runMessageUpdate(std::string_view sql, std::initializer_list<SQLArg> args) {
    auto db = TableAccess::openExisting(MainDB::mainDBPath());
    if (!db)
        return false;
    return db->executeUpdate(sql, args);
}

// Length in bytes of the UTF-8 sequence led by `lead`, and its UTF-16 units.
void sequenceOf(unsigned char lead, size_t& bytes, size_t& units) {
    if (lead < 0x80) {
        bytes = 1;
        units = 1;
    } else if ((lead & 0xE0) == 0xC0) {
        bytes = 2;
        units = 1;
    } else if ((lead & 0xF0) == 0xE0) {
        bytes = 3;
        units = 1;
    } else if ((lead & 0xF8) == 0xF0) {
        bytes = 4;
        units = 2;
    } else {
        bytes = 1; // a stray byte counts as one character
        units = 1;
    }
}

} // namespace

std::string MessageTB::titleForMessage(std::string_view message) {
    size_t units = 0;
    size_t at = 0;
    while (at < message.size()) {
        size_t bytes = 0;
        size_t width = 0;
        sequenceOf(static_cast<unsigned char>(message[at]), bytes, width);
        if (units + width > TitleLength)
            break;
        units += width;
        at += std::min(bytes, message.size() - at);
    }
    return std::string(message.substr(0, at));
}

bool MessageTB::saveMessage(const core::Value::Array& notices) {
    auto db = TableAccess::openExisting(MainDB::mainDBPath());
    if (!db)
        return false;
    int64_t now = TableAccess::nowSeconds();
    return TableAccess::inTransaction(*db, [&] {
        for (const Value& notice : notices) {
            const Value& message = notice["Message"];
            Value title = message.isString() ? Value(titleForMessage(*message.stringPtr())) : message;
            bool ok =
                db->executeUpdate("insert or replace into message(Title, MType, IsRead, SaveTime, NotifyId, "
                                  "CreateDate, ExpireDate, Type, Status, UserId, "
                                  "Message, Key, Value, ClientType) values(?, ?, 0, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                                  {title, SiteMessageType, now, notice["NotifyId"], notice["CreateDate"],
                                   notice["ExpireDate"], notice["Type"], notice["Status"], notice["UserId"], message,
                                   notice["Key"], notice["Value"], notice["ClientType"]});
            if (!ok)
                return false;
        }
        return true;
    });
}

bool MessageTB::removeMessageWithNotifyId(int64_t notifyId) {
    return runMessageUpdate("delete from message where NotifyId = ?", {notifyId});
}

bool MessageTB::removeMessageWithType(int messageType) {
    return runMessageUpdate("delete from message where MType = ?", {messageType});
}

bool MessageTB::setMessageReadWithId(int64_t notifyId) {
    return runMessageUpdate("update message set IsRead = 1 where NotifyId = ?", {notifyId});
}

std::optional<core::Value::Array> MessageTB::getAllReadMessageTitle() {
    return readMessages(
        "select NotifyId, Title, IsRead, CreateDate from message where MType = 2 and ClientType = 2 and Type = 1 "
        "order by CreateDate desc",
        {}, [](SQLResultSet& rs) {
            return Value(Value::Map{{"nid", messageInteger(rs, 0)},
                                    {"title", messageText(rs, 1)},
                                    {"read", messageInteger(rs, 2)},
                                    {"createDate", messageInteger(rs, 3)}});
        });
}

std::optional<core::Value::Array> MessageTB::getAllMessage() {
    return readMessages(std::string(MessageColumns) + " order by CreateDate desc", {}, messageRecord);
}

std::optional<core::Value::Array> MessageTB::getAllMessageWithType(int messageType) {
    return readMessages(std::string(MessageColumns) + " where MType = ? order by CreateDate desc", {messageType},
                        messageRecord);
}

std::optional<core::Value> MessageTB::getMessageWithNotifyId(int64_t notifyId) {
    auto rows = readMessages(std::string(MessageColumns) + " where NotifyId = ?", {notifyId}, messageRecord);
    if (!rows)
        return std::nullopt;
    if (rows->empty())
        return Value::map();
    return std::move(rows->front());
}

} // namespace pw

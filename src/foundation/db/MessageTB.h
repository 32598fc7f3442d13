#pragma once

#include "platform/core/Value.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pw {

// The site's messages (table `message`). Records: `nid`, `title`, `mtype`,
// `read`, `savetime`, `createDate`, `expireDate`, `type`, `status`, `uid`,
// `message`, `key`, `value`, `clientType`; a text column stored as NULL reads
// as an empty text.
class MessageTB {
public:
    static constexpr int SiteMessageType = 2;

    // Stores the site's notices (`NotifyId`, `CreateDate`, `ExpireDate`, `Type`,
    // `Status`, `UserId`, `Message`, `Key`, `Value`, `ClientType`) unread, all
    // or none; a notice stored again replaces its row.
    static bool saveMessage(const core::Value::Array& notices);
    static bool removeMessageWithNotifyId(int64_t notifyId);
    static bool removeMessageWithType(int messageType);
    static bool setMessageReadWithId(int64_t notifyId);
    // `nid`, `title`, `read`, `createDate` of the site's messages, newest first.
    static std::optional<core::Value::Array> getAllReadMessageTitle();
    static std::optional<core::Value::Array> getAllMessage();
    static std::optional<core::Value::Array> getAllMessageWithType(int messageType);
    // An empty record when there is no such message.
    static std::optional<core::Value> getMessageWithNotifyId(int64_t notifyId);

    // The title of a message: its first 10 characters (UTF-16 units, never
    // splitting a character in two).
    static std::string titleForMessage(std::string_view message);
};

} // namespace pw

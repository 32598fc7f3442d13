#pragma once

#include <cstdint>
#include <string>

namespace pw {

// NoticeMessageType
enum NoticeMessageType : int { NoticeBookUpdate = 1, NoticeBookDownload = 2, NoticeSiteMessage = 3 };

// One queued notice of the main screen's notice bar.
struct MainTopNotifyMessage {
    int msgType{NoticeBookUpdate};
    std::string content{};
    int32_t rzBookId{0}; // types 1 and 2
    int32_t notifyId{0}; // type 3
};

} // namespace pw

#include "shelf/LastReadText.h"

#include "platform/core/DateFormatter.h"

namespace pw {

std::string LastReadText::text(int64_t t, double now, const core::DateFormatter& dateFormat) {
    if (t <= 0)
        return "尚未开始阅读";
    const double d = now - static_cast<double>(t);
    if (d < 60) // a time ahead of the clock reads the same
        return "刚刚读过";
    if (d < 3600)
        return std::to_string(static_cast<int64_t>(d / 60)) + " 分钟前读过";
    if (d < 86400)
        return std::to_string(static_cast<int64_t>(d / 3600)) + " 小时前读过";
    return "上次阅读：" + dateFormat.format(static_cast<double>(t));
}

} // namespace pw

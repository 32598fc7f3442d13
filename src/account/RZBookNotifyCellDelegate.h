#pragma once
#include <cstdint>

namespace pw {

class RZBookNotifyCell;

// Told when a row of the update reminders is swiped to the left.
class RZBookNotifyCellDelegate {
public:
    virtual ~RZBookNotifyCellDelegate() = default;
    virtual void swipeToNotify(RZBookNotifyCell& cell, int64_t bookId, int64_t rzBookId) = 0;
};

} // namespace pw

#pragma once
#include "platform/ui/TableView.h"

#include <cstdint>

namespace pw {

// Told when the detail screen deleted its message.
class RZMessageDetailDelegate {
public:
    virtual ~RZMessageDetailDelegate() = default;
    virtual void RZMessageDetailDelete(int64_t notifyId, const ui::IndexPath& indexPath) = 0;
};

} // namespace pw

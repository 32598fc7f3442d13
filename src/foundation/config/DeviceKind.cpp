#include "foundation/config/DeviceKind.h"

#include <mutex>

namespace pw {

namespace {
std::mutex g_mutex;
DeviceKindProvider& provider() {
    static DeviceKindProvider p;
    return p;
}
} // namespace

void setDeviceKindProvider(DeviceKindProvider p) {
    std::lock_guard lock(g_mutex);
    provider() = std::move(p);
}

DeviceKind currentDeviceKind() {
    DeviceKindProvider p;
    {
        std::lock_guard lock(g_mutex);
        p = provider();
    }
    return p ? p() : DeviceKind::Phone;
}

} // namespace pw

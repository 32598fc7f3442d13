#include "foundation/config/DeviceKind.h"

#include "platform/device/Device.h"

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
    if (p)
        return p();
    return device::Device::current().idiom() == device::Idiom::Pad ? DeviceKind::Tablet : DeviceKind::Phone;
}

} // namespace pw

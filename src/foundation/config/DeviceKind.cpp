#include "foundation/config/DeviceKind.h"

#ifdef PW_HAVE_DEVICE
#include "platform/device/Device.h"
#endif

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
#ifdef PW_HAVE_DEVICE
    return device::Device::current().idiom() == device::Idiom::Pad ? DeviceKind::Tablet : DeviceKind::Phone;
#else
    return DeviceKind::Phone;
#endif
}

} // namespace pw

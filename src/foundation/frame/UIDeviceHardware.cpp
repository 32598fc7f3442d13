#include "foundation/frame/UIDeviceHardware.h"

#include "platform/device/Device.h"

namespace pw {

std::string UIDeviceHardware::getSysInfoByName(const char* name) {
    if (!name)
        return {};
    return device::Device::current().sysInfoByName(name);
}

std::string UIDeviceHardware::platform() {
    return getSysInfoByName("hw.machine");
}

} // namespace pw

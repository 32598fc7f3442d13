#pragma once
// Hardware facts about the device, as the problem reports and settings ask them.
#include <string>

namespace pw {

class UIDeviceHardware {
public:
    // The hardware model identifier ("hw.machine").
    static std::string platform();
    static std::string getSysInfoByName(const char* name);
    // No device locks its orientation for the reader.
    static bool supportOrientationLock() { return false; }
};

} // namespace pw

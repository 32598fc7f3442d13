#pragma once

// Phone or tablet: the reading defaults and the page estimates differ by it.
// Without a provider the device layer's interface idiom answers (the pad idiom is
// a tablet); where there is no device layer the device counts as a phone, as a
// device that cannot answer the idiom question does. Tests set a provider.

#include <functional>

namespace pw {

enum class DeviceKind { Phone = 0, Tablet = 1 };

using DeviceKindProvider = std::function<DeviceKind()>;

// An empty provider goes back to asking the device.
void setDeviceKindProvider(DeviceKindProvider provider);
DeviceKind currentDeviceKind();

} // namespace pw

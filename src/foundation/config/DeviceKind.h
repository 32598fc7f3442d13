#pragma once

// Phone or tablet: the reading defaults and the page estimates differ by it.
// The application wires the provider to the device's interface idiom at start-up;
// until then (and in tests that do not set it) the device counts as a phone, which
// is also what a device that cannot answer the idiom question counts as.

#include <functional>

namespace pw {

enum class DeviceKind { Phone = 0, Tablet = 1 };

using DeviceKindProvider = std::function<DeviceKind()>;

// An empty provider puts the phone answer back.
void setDeviceKindProvider(DeviceKindProvider provider);
DeviceKind currentDeviceKind();

} // namespace pw

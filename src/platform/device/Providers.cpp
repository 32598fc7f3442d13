#include "platform/device/Providers.h"

#include <mutex>

namespace pw::device {
namespace {

// One installed instance per provider kind; callers share ownership, so an
// install while one is in use leaves the old one alive until it is let go.
template <typename T>
struct Slot {
    std::mutex mutex;
    std::shared_ptr<T> installed;

    std::shared_ptr<T> get() {
        std::lock_guard lock(mutex);
        if (!installed)
            installed = std::make_shared<T>();
        return installed;
    }
    void set(std::shared_ptr<T> p) {
        std::lock_guard lock(mutex);
        installed = std::move(p);
    }
};

Slot<CarrierProvider>& carriers() {
    static Slot<CarrierProvider> slot;
    return slot;
}
Slot<LocationProvider>& locations() {
    static Slot<LocationProvider> slot;
    return slot;
}
Slot<SmsComposer>& composers() {
    static Slot<SmsComposer> slot;
    return slot;
}

} // namespace

std::shared_ptr<CarrierProvider> CarrierProvider::current() {
    return carriers().get();
}
void CarrierProvider::install(std::shared_ptr<CarrierProvider> provider) {
    carriers().set(std::move(provider));
}
std::shared_ptr<LocationProvider> LocationProvider::current() {
    return locations().get();
}
void LocationProvider::install(std::shared_ptr<LocationProvider> provider) {
    locations().set(std::move(provider));
}
std::shared_ptr<SmsComposer> SmsComposer::current() {
    return composers().get();
}
void SmsComposer::install(std::shared_ptr<SmsComposer> composer) {
    composers().set(std::move(composer));
}

} // namespace pw::device

#pragma once
// Services a phone has and this machine has not: a SIM carrier, a location
// fix and an SMS composer. Each has a Linux default of "not available", which
// is what the callers handle; tests and future ports install their own.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pw::device {

struct CarrierInfo {
    std::string name;
    std::string mobileCountryCode;
    std::string mobileNetworkCode;
    std::string isoCountryCode;
};

class CarrierProvider {
public:
    virtual ~CarrierProvider() = default;
    // The SIM's carrier; nullopt without a SIM.
    virtual std::optional<CarrierInfo> carrier() const { return std::nullopt; }

    static std::shared_ptr<CarrierProvider> current();
    static void install(std::shared_ptr<CarrierProvider> provider); // nullptr: the default
};

struct LocationFix {
    double latitude = 0;
    double longitude = 0;
};

class LocationProvider {
public:
    virtual ~LocationProvider() = default;
    // Whether the user allowed location; without it nothing is asked.
    virtual bool authorized() const { return false; }
    // The latest fix; nullopt when location services give none.
    virtual std::optional<LocationFix> fix() { return std::nullopt; }

    static std::shared_ptr<LocationProvider> current();
    static void install(std::shared_ptr<LocationProvider> provider);
};

class SmsComposer {
public:
    enum Result { Cancelled = 0, Sent = 1, Failed = 2 };
    virtual ~SmsComposer() = default;
    virtual bool canSendText() const { return false; }
    // Shows a composer with the message; finished(result) follows once the
    // user has sent or cancelled it.
    virtual void compose(const std::vector<std::string>& recipients, const std::string& body,
                         std::function<void(Result)> finished) {
        (void)recipients;
        (void)body;
        if (finished)
            finished(Failed);
    }

    static std::shared_ptr<SmsComposer> current();
    static void install(std::shared_ptr<SmsComposer> composer);
};

} // namespace pw::device

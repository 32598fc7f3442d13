#include "site/Report.h"

#include "foundation/db/SettingTB.h"
#include "foundation/hosts/SiteHosts.h"
#include "platform/core/Paths.h"
#include "platform/device/Device.h"
#include "platform/device/Providers.h"
#include "site/RZHTTPRequest.h"
#include "site/SiteAnswer.h"

#include <charconv>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <typeinfo>

namespace pw {

namespace {
// A number written as printf's "%.<precision>f" (fixed) or "%g" (general) would.
std::string number(double v, std::chars_format how, int precision) {
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, how, precision);
    return ec == std::errc() ? std::string(buf, end) : std::string("0");
}

std::string configText() {
    std::ifstream in(core::Paths::resource("config.txt"), std::ios::binary);
    if (!in)
        return "(null)";
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}
} // namespace

std::string Report::coordinateText(double degrees) {
    return number(degrees, std::chars_format::general, 6) + "°";
}

bool Report::hasReported() {
    return SettingTB::readSettingWithKey(kSettingKey) == "1";
}

void Report::reportR1IfNeeded() {
    if (!hasReported())
        reportR1();
}

void Report::reportR1() {
    auto provider = device::LocationProvider::current();
    // A platform without any location service is the case of a system that
    // cannot be asked for the authorisation: report at once without a place.
    if (!provider || typeid(*provider) == typeid(device::LocationProvider)) {
        m_latitudeString = m_longitudeString = "0.0";
        startReport();
        return;
    }
    if (!provider->authorized())
        return;
    locationDidUpdate(provider->fix());
}

void Report::locationDidUpdate(const std::optional<device::LocationFix>& fix) {
    if (!fix)
        return locationDidFail();
    m_latitudeString = coordinateText(fix->latitude);
    m_longitudeString = coordinateText(fix->longitude);
    startReport();
}

void Report::locationDidFail() {
    m_latitudeString = m_longitudeString = "0.0";
    startReport();
}

std::string Report::reportText() const {
    auto& dev = device::Device::current();
    const auto screen = dev.screen();
    const std::string model = dev.idiom() == device::Idiom::Pad ? "Tablet" : "Phone";
    return dev.identifierForVendor() + "|" + m_latitudeString + "|" + m_longitudeString + "|" + kVersionText + "|" +
           number(screen.width, std::chars_format::fixed, 0) + "|" +
           number(screen.height, std::chars_format::fixed, 0) + "|" + configText() + "|" +
           number(std::strtod(dev.systemVersion().c_str(), nullptr), std::chars_format::fixed, 2) + "|3|" +
           dev.systemName() + "/" + model + "/" + dev.model();
}

void Report::startReport() {
    auto request = newRequest(
        SiteHosts::baseUrl(SiteHosts::Service::Interface) + "/api/R1.ashx?r=" + SiteAnswer::token(reportText()), 30);
    request->startAsynchronous();
}

void Report::requestFinished(RQHTTPRequest& request) {
    if (request.responseStatusCode() == 200 && request.responseString() == "0")
        SettingTB::saveSettingWithKey(kSettingKey, "1");
}

void Report::requestFailed(RQHTTPRequest&) {}

} // namespace pw

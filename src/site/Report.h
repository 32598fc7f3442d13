#pragma once
// The one-time install report: the device's identifier, an approximate
// location when the user allowed it, the application's version, the screen
// size, the bundle's configuration text and the system. When the site
// answers "0" the setting r1 becomes "1" and the report is not sent again.
#include "site/SiteAPIBase.h"

#include <optional>
#include <string>

namespace pw {

namespace device {
struct LocationFix;
}

class Report : public SiteAPIBase {
public:
    static std::shared_ptr<Report> create() { return std::shared_ptr<Report>(new Report()); }
    static constexpr const char* kVersionText = "1.4.0beta";
    static constexpr const char* kSettingKey = "r1";

    // One attempt: waits for a location fix when location use is allowed,
    // reports at once with "0.0" where the platform has no location service,
    // and does nothing when the user has not allowed it.
    void reportR1();
    // reportR1 unless the site has already taken the report.
    void reportR1IfNeeded();
    static bool hasReported();
    // Builds and sends the request from the current coordinate texts.
    void startReport();

    // The location service's answers.
    void locationDidUpdate(const std::optional<device::LocationFix>& fix);
    void locationDidFail();

    void requestFinished(RQHTTPRequest& request) override;
    void requestFailed(RQHTTPRequest& request) override;

    // The report's fields joined by "|", before they become the token.
    std::string reportText() const;
    // A coordinate as the report writes it: six significant digits and "°".
    static std::string coordinateText(double degrees);

    const std::string& latitudeString() const { return m_latitudeString; }
    const std::string& longitudeString() const { return m_longitudeString; }
    void setLatitudeString(std::string s) { m_latitudeString = std::move(s); }
    void setLongitudeString(std::string s) { m_longitudeString = std::move(s); }

protected:
    Report() = default;

private:
    std::string m_latitudeString = "0.0";
    std::string m_longitudeString = "0.0";
};

} // namespace pw

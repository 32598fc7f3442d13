#pragma once
// Fetches the site's update descriptor and tells the rest of the system, by
// notification, whether a newer version exists.
#include "site/SiteAPIBase.h"

namespace pw {

class CheckVersion : public SiteAPIBase {
public:
    static std::shared_ptr<CheckVersion> create() { return std::shared_ptr<CheckVersion>(new CheckVersion()); }
    static constexpr int kVersionCode = 15;

    // Starts one check; a check still running is cancelled.
    void checkVersion();
    void requestFinished(RQHTTPRequest& request) override;
    void requestFailed(RQHTTPRequest& request) override;

protected:
    CheckVersion() = default;
};

} // namespace pw

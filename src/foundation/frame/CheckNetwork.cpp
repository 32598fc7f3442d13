#include "foundation/frame/CheckNetwork.h"

#include "foundation/hosts/SiteHosts.h"
#include "network/Reachability.h"
#include "platform/core/RunLoop.h"
#include "platform/ui/AlertView.h"

#include <thread>

namespace pw {

std::string CheckNetwork::hostName() {
    std::string url = SiteHosts::baseUrl(SiteHosts::Service::Interface);
    if (auto p = url.find("://"); p != std::string::npos)
        url = url.substr(p + 3);
    if (auto p = url.find_first_of("/?#"); p != std::string::npos)
        url = url.substr(0, p);
    if (auto at = url.rfind('@'); at != std::string::npos)
        url = url.substr(at + 1);
    if (!url.empty() && url.front() == '[') {
        if (auto close = url.find(']'); close != std::string::npos)
            return url.substr(1, close - 1);
    }
    if (auto colon = url.rfind(':'); colon != std::string::npos)
        url = url.substr(0, colon);
    return url;
}

bool CheckNetwork::isExistenceNetwork() {
    auto r = Reachability::reachabilityWithHostName(hostName());
    if (!r)
        return false;
    const auto status = r->currentReachabilityStatus();
    return status == ReachableViaWWAN || status == ReachableViaWiFi;
}

void CheckNetwork::checkNetWork() {
    std::thread(&CheckNetwork::doCheckNetWork).detach();
}

void CheckNetwork::doCheckNetWork() {
    if (!isExistenceNetwork())
        core::RunLoop::runOnMain(&CheckNetwork::checkNetWorkResult, false);
}

void CheckNetwork::checkNetWorkResult() {
    auto alert = ui::AlertView::create("提示", "似乎无法访问墨川书库，请检查下网络吧", {}, "知道了");
    alert->show();
}

} // namespace pw

#include "foundation/hosts/SiteHosts.h"

#include "platform/core/Paths.h"
#include "platform/core/PropertyList.h"

#include <array>
#include <mutex>
#include <optional>

namespace pw {
namespace {

constexpr std::array<std::string_view, SiteHosts::kServiceCount> kKeys = {
    "interface", "file", "image", "interaction", "store", "statistics", "account", "mobile"};

struct State {
    std::mutex mutex;
    bool loaded = false;
    std::array<std::string, SiteHosts::kServiceCount> urls;
};

State& state() {
    static State s;
    return s;
}

void readInto(std::array<std::string, SiteHosts::kServiceCount>& urls, const std::filesystem::path& file) {
    auto list = core::PropertyList::readFile(file);
    if (!list)
        return;
    for (size_t i = 0; i < kKeys.size(); ++i)
        if (auto url = (*list)[kKeys[i]].asString(); url && !url->empty()) {
            while (!url->empty() && url->back() == '/')
                url->pop_back();
            urls[i] = *url;
        }
}

} // namespace

std::string_view SiteHosts::key(Service service) {
    return kKeys[static_cast<size_t>(service)];
}

std::string SiteHosts::baseUrl(Service service) {
    State& s = state();
    std::lock_guard lock(s.mutex);
    if (!s.loaded) {
        readInto(s.urls, core::Paths::resource("SiteHosts.plist"));
        readInto(s.urls, core::Paths::library() / "SiteHosts.plist");
        s.loaded = true;
    }
    return s.urls[static_cast<size_t>(service)];
}

void SiteHosts::set(Service service, std::string baseUrl) {
    State& s = state();
    {
        std::lock_guard lock(s.mutex);
        if (s.loaded) {
            s.urls[static_cast<size_t>(service)] = std::move(baseUrl);
            return;
        }
    }
    SiteHosts::baseUrl(service); // load the files first, so the rest keeps its values
    std::lock_guard lock(s.mutex);
    s.urls[static_cast<size_t>(service)] = std::move(baseUrl);
}

void SiteHosts::reset() {
    State& s = state();
    std::lock_guard lock(s.mutex);
    s.loaded = false;
    s.urls = {};
}

} // namespace pw

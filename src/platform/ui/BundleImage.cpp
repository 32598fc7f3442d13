#include "platform/ui/BundleImage.h"

#include "platform/core/Paths.h"
#include "platform/device/Device.h"

#include <map>
#include <mutex>

namespace pw::ui {

namespace {
std::mutex g_mutex;
std::map<std::string, gfx::Image> g_cache;
} // namespace

gfx::Image BundleImage::named(const std::string& name) {
    const double scale = device::Device::current().screen().scale;
    const std::string key = name + (scale > 1 ? "@2x" : "");
    std::lock_guard lock(g_mutex);
    if (auto it = g_cache.find(key); it != g_cache.end())
        return it->second;
    std::optional<gfx::Image> image;
    if (scale > 1) {
        const auto dot = name.rfind('.');
        const std::string hi = dot == std::string::npos ? name + "@2x" : name.substr(0, dot) + "@2x" + name.substr(dot);
        image = gfx::Image::fromFile(core::Paths::resource(hi).string());
    }
    if (!image)
        image = gfx::Image::fromFile(core::Paths::resource(name).string(), 1.0);
    gfx::Image result = image.value_or(gfx::Image{});
    g_cache[key] = result;
    return result;
}

void BundleImage::clearCache() {
    std::lock_guard lock(g_mutex);
    g_cache.clear();
}

} // namespace pw::ui

#include "platform/device/Device.h"

#include "platform/core/Paths.h"
#include "platform/core/RandomId.h"

#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <vector>
#include <cstdio>
#include <fstream>
#include <thread>

namespace pw::device {

namespace {

std::string readFirstLine(const std::filesystem::path& p) {
    std::ifstream in(p);
    std::string line;
    if (in)
        std::getline(in, line);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    return line;
}

bool looksLikeUuid(const std::string& s) {
    if (s.size() != 36)
        return false;
    for (size_t i = 0; i < s.size(); ++i) {
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (s[i] != '-')
                return false;
        } else if (!std::isxdigit(static_cast<unsigned char>(s[i]))) {
            return false;
        }
    }
    return true;
}

} // namespace

Device& Device::current() {
    static Device device;
    return device;
}

std::string Device::sysInfoByName(const std::string& name) const {
    utsname u{};
    if (uname(&u) != 0)
        return {};
    if (name == "hw.machine")
        return u.machine;
    if (name == "kern.ostype")
        return u.sysname;
    if (name == "kern.osrelease")
        return u.release;
    if (name == "kern.hostname")
        return u.nodename;
    if (name == "kern.version")
        return u.version;
    if (name == "hw.ncpu")
        return std::to_string(std::max(1u, std::thread::hardware_concurrency()));
    return {};
}

std::string Device::model() const {
    return sysInfoByName("hw.machine");
}
std::string Device::systemName() const {
    return sysInfoByName("kern.ostype");
}

std::string Device::systemVersion() const {
    // Only the leading dotted numbers: callers compare versions as numbers.
    std::string r = sysInfoByName("kern.osrelease");
    size_t n = 0;
    while (n < r.size() && (std::isdigit(static_cast<unsigned char>(r[n])) || r[n] == '.'))
        ++n;
    r.resize(n);
    while (!r.empty() && r.back() == '.')
        r.pop_back();
    return r;
}

Idiom Device::idiom() const {
    std::lock_guard lock(m_mutex);
    return std::min(m_screen.width, m_screen.height) >= 600 ? Idiom::Pad : Idiom::Phone;
}

ScreenMetrics Device::screen() const {
    std::lock_guard lock(m_mutex);
    return m_screen;
}

void Device::setScreen(ScreenMetrics metrics) {
    std::lock_guard lock(m_mutex);
    if (metrics.width > 0 && metrics.height > 0 && metrics.scale > 0)
        m_screen = metrics;
}

Orientation Device::orientation() const {
    std::lock_guard lock(m_mutex);
    return m_orientation;
}

void Device::setOrientation(Orientation o) {
    OrientationObserver observer;
    {
        std::lock_guard lock(m_mutex);
        if (m_orientation == o)
            return;
        m_orientation = o;
        observer = m_observer;
    }
    if (observer)
        observer(o);
}

void Device::setOrientationObserver(OrientationObserver observer) {
    std::lock_guard lock(m_mutex);
    m_observer = std::move(observer);
}

void Device::setPowerSupplyRoot(std::filesystem::path root) {
    std::lock_guard lock(m_mutex);
    m_powerRoot = std::move(root);
}

Device::Battery Device::readBattery() const {
    std::filesystem::path root;
    {
        std::lock_guard lock(m_mutex);
        root = m_powerRoot;
    }
    Battery b;
    std::error_code ec;
    std::vector<std::filesystem::path> supplies;
    for (std::filesystem::directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec))
        supplies.push_back(it->path());
    std::sort(supplies.begin(), supplies.end());
    bool onMains = false;
    for (const auto& dir : supplies) {
        const std::string type = readFirstLine(dir / "type");
        if (type == "Mains" && readFirstLine(dir / "online") == "1")
            onMains = true;
    }
    for (const auto& dir : supplies) {
        if (readFirstLine(dir / "type") != "Battery")
            continue;
        if (readFirstLine(dir / "present") == "0")
            continue;
        const std::string cap = readFirstLine(dir / "capacity");
        if (!cap.empty()) {
            try {
                b.level = std::clamp(std::stof(cap), 0.0f, 100.0f) / 100.0f;
            } catch (...) {
                b.level = -1;
            }
        }
        const std::string status = readFirstLine(dir / "status");
        if (status == "Charging")
            b.state = BatteryState::Charging;
        else if (status == "Full")
            b.state = BatteryState::Full;
        else if (status == "Discharging")
            b.state = BatteryState::Unplugged;
        else if (status == "Not charging")
            b.state = onMains ? BatteryState::Full : BatteryState::Unplugged;
        else
            b.state = onMains ? BatteryState::Charging : BatteryState::Unplugged;
        return b;
    }
    return b;
}

BatteryState Device::batteryState() const {
    return readBattery().state;
}
float Device::batteryLevel() const {
    return readBattery().level;
}

void Device::setLibraryDirectory(std::filesystem::path library) {
    std::lock_guard lock(m_mutex);
    m_library = std::move(library);
}

std::string Device::identifierForVendor() const {
    std::lock_guard lock(m_mutex);
    if (!m_identifier.empty() && m_identifierFrom == m_library)
        return m_identifier;
    m_identifierFrom = m_library;
    const std::filesystem::path library = m_library.empty() ? core::Paths::library() : m_library;
    const auto file = library / "device-identifier";
    std::string kept = readFirstLine(file);
    if (looksLikeUuid(kept)) {
        m_identifier = kept;
        return m_identifier;
    }
    m_identifier = core::RandomId::uuidString();
    std::error_code ec;
    std::filesystem::create_directories(library, ec);
    // Written beside and renamed, so a crash never leaves half an identifier.
    const auto tmp = library / ("device-identifier.tmp" + std::to_string(::getpid()));
    {
        std::ofstream out(tmp, std::ios::trunc);
        out << m_identifier << '\n';
    }
    std::filesystem::rename(tmp, file, ec);
    if (ec)
        std::filesystem::remove(tmp, ec);
    return m_identifier;
}

void Device::reset() {
    std::lock_guard lock(m_mutex);
    m_screen = {};
    m_orientation = Orientation::Portrait;
    m_powerRoot = "/sys/class/power_supply";
    m_library.clear();
    m_identifier.clear();
    m_identifierFrom.clear();
    m_observer = nullptr;
}

} // namespace pw::device

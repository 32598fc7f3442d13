#pragma once
// Facts about the machine the reader runs on: model, system, idiom, screen,
// orientation, battery, and an identifier that stays the same across launches.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>

namespace pw::device {

enum class Idiom { Phone = 0, Pad = 1 };

// Numbering follows the interface orientations the screens compare against:
// 1 portrait, 2 upside down, 3 landscape (home right), 4 landscape (home left).
enum class Orientation { Unknown = 0, Portrait = 1, PortraitUpsideDown = 2, LandscapeLeft = 3, LandscapeRight = 4 };

enum class BatteryState { Unknown = 0, Unplugged = 1, Charging = 2, Full = 3 };

struct ScreenMetrics {
    double width = 768;   // points, portrait
    double height = 1024; // points, portrait
    double scale = 1;
};

class Device {
public:
    // The process-wide device; tests may reconfigure it.
    static Device& current();

    // Hardware model identifier (the machine name the kernel reports).
    std::string model() const;
    std::string systemName() const;
    std::string systemVersion() const;
    // A system information value by name: "hw.machine", "kern.ostype", "kern.osrelease",
    // "kern.hostname", "hw.ncpu"; an empty text for a name it does not know.
    std::string sysInfoByName(const std::string& name) const;

    // Screens of 600 points or more on their short side are tablets.
    Idiom idiom() const;
    ScreenMetrics screen() const;
    void setScreen(ScreenMetrics metrics);

    Orientation orientation() const;
    // Changing it posts "UIDeviceOrientationDidChangeNotification" when a poster is set.
    void setOrientation(Orientation o);
    static bool isLandscape(Orientation o) {
        return o == Orientation::LandscapeLeft || o == Orientation::LandscapeRight;
    }

    // Battery from the kernel's power-supply folder; Unknown / -1 when no battery is found.
    BatteryState batteryState() const;
    float batteryLevel() const;
    void setPowerSupplyRoot(std::filesystem::path root);

    // Made once and kept in <library>/device-identifier (the home's Library/
    // unless another folder is set).
    std::string identifierForVendor() const;
    void setLibraryDirectory(std::filesystem::path library);

    // Told of every orientation change (the ui layer turns it into a notification).
    using OrientationObserver = std::function<void(Orientation)>;
    void setOrientationObserver(OrientationObserver observer);

    // Back to defaults (tests).
    void reset();

private:
    struct Battery {
        BatteryState state = BatteryState::Unknown;
        float level = -1;
    };
    Battery readBattery() const;

    mutable std::mutex m_mutex;
    ScreenMetrics m_screen;
    Orientation m_orientation = Orientation::Portrait;
    std::filesystem::path m_powerRoot = "/sys/class/power_supply";
    std::filesystem::path m_library;
    mutable std::string m_identifier;
    mutable std::filesystem::path m_identifierFrom;
    OrientationObserver m_observer;
};

} // namespace pw::device

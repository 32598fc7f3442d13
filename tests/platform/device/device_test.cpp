#include "platform/device/Device.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>

using namespace pw::device;
namespace fs = std::filesystem;

namespace {

class DeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() / ("pw-device-" + std::to_string(std::random_device{}()));
        fs::create_directories(m_dir);
        Device::current().reset();
    }
    void TearDown() override {
        Device::current().reset();
        fs::remove_all(m_dir);
    }
    void writeSupply(const std::string& name, std::initializer_list<std::pair<const char*, const char*>> files) {
        fs::create_directories(m_dir / "ps" / name);
        for (auto& [k, v] : files)
            std::ofstream(m_dir / "ps" / name / k) << v << "\n";
    }
    fs::path m_dir;
};

TEST_F(DeviceTest, SystemFactsComeFromTheKernel) {
    auto& d = Device::current();
    EXPECT_FALSE(d.model().empty());
    EXPECT_EQ(d.model(), d.sysInfoByName("hw.machine"));
    EXPECT_EQ(d.systemName(), "Linux");
    const std::string v = d.systemVersion();
    ASSERT_FALSE(v.empty());
    EXPECT_EQ(v.find_first_not_of("0123456789."), std::string::npos) << v;
    EXPECT_EQ(d.sysInfoByName("no.such.name"), "");
}

TEST_F(DeviceTest, IdiomFollowsTheConfiguredScreen) {
    auto& d = Device::current();
    EXPECT_EQ(d.idiom(), Idiom::Pad); // 768 x 1024 by default
    d.setScreen({320, 480, 2});
    EXPECT_EQ(d.idiom(), Idiom::Phone);
    EXPECT_EQ(d.screen().scale, 2);
    d.setScreen({0, 480, 1}); // nonsense is refused
    EXPECT_EQ(d.screen().width, 320);
}

TEST_F(DeviceTest, OrientationChangesAreReportedOnce) {
    auto& d = Device::current();
    std::vector<Orientation> seen;
    d.setOrientationObserver([&](Orientation o) { seen.push_back(o); });
    d.setOrientation(Orientation::LandscapeRight);
    d.setOrientation(Orientation::LandscapeRight);
    d.setOrientation(Orientation::Portrait);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], Orientation::LandscapeRight);
    EXPECT_TRUE(Device::isLandscape(seen[0]));
    EXPECT_FALSE(Device::isLandscape(seen[1]));
}

TEST_F(DeviceTest, BatteryReadsThePowerSupplyFolder) {
    struct Case {
        const char* status;
        const char* mainsOnline;
        BatteryState expected;
    };
    const Case cases[] = {
        {"Charging", "1", BatteryState::Charging}, {"Discharging", "0", BatteryState::Unplugged},
        {"Full", "1", BatteryState::Full},         {"Not charging", "1", BatteryState::Full},
        {"Unknown", "0", BatteryState::Unplugged},
    };
    auto& d = Device::current();
    d.setPowerSupplyRoot(m_dir / "ps");
    EXPECT_EQ(d.batteryState(), BatteryState::Unknown); // folder missing
    EXPECT_EQ(d.batteryLevel(), -1.0f);
    for (const auto& c : cases) {
        fs::remove_all(m_dir / "ps");
        writeSupply("AC", {{"type", "Mains"}, {"online", c.mainsOnline}});
        writeSupply("BAT0", {{"type", "Battery"}, {"status", c.status}, {"capacity", "57"}});
        EXPECT_EQ(d.batteryState(), c.expected) << c.status;
        EXPECT_FLOAT_EQ(d.batteryLevel(), 0.57f);
    }
    fs::remove_all(m_dir / "ps");
    writeSupply("AC", {{"type", "Mains"}, {"online", "1"}});
    EXPECT_EQ(d.batteryState(), BatteryState::Unknown); // a desktop: no battery
}

TEST_F(DeviceTest, IdentifierIsKeptAcrossLaunches) {
    auto& d = Device::current();
    d.setLibraryDirectory(m_dir / "Library");
    const std::string first = d.identifierForVendor();
    EXPECT_EQ(first.size(), 36u);
    EXPECT_EQ(d.identifierForVendor(), first);
    // A new launch reads it back from the file.
    d.reset();
    d.setLibraryDirectory(m_dir / "Library");
    EXPECT_EQ(d.identifierForVendor(), first);
    // A damaged file is replaced by a fresh identifier.
    std::ofstream(m_dir / "Library" / "device-identifier") << "garbage";
    d.reset();
    d.setLibraryDirectory(m_dir / "Library");
    const std::string second = d.identifierForVendor();
    EXPECT_NE(second, first);
    EXPECT_EQ(second.size(), 36u);
}

} // namespace

#include "foundation/config/PageConfig.h"
#include "foundation/config/RZConfig.h"
#include "platform/core/FileManager.h"
#include "platform/core/KeyedArchive.h"
#include "platform/core/Paths.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

using namespace pw;
namespace fs = std::filesystem;

namespace {

class RZConfigTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(m_home.empty());
        core::Paths::setHome(m_home);
        ASSERT_TRUE(core::Paths::ensureHome());
        fs::create_directories(core::Paths::documents() / "torvane" / "main");
    }
    void TearDown() override { core::Paths::setHome({}); }
    // A stored archive holding the record a save would write, with overrides.
    static void storeNew(const core::Value& record) {
        ASSERT_TRUE(core::KeyedArchive::archiveRootObject(record, RZConfig::newSettingsPath(), RZConfig::kRootKey));
    }
    static core::Value savedRecord(DeviceKind kind = DeviceKind::Phone) { return RZConfig(kind).encodeWithCoder(); }

    test::TempDir m_dir{"pw-rzconfig"};
    fs::path m_home{m_dir.path()};
};

void expectColour(const std::optional<gfx::Color>& c, int r, int g, int b) {
    ASSERT_TRUE(c);
    EXPECT_EQ(c->argb32(), gfx::Color::fromRGB255(r, g, b).argb32());
}

} // namespace

TEST_F(RZConfigTest, DefaultsForEachDeviceKind) {
    struct Case {
        DeviceKind kind;
        float fontSize;
        float lineSpace;
        PagePadding paddings;
    } cases[] = {{DeviceKind::Phone, 20, 1.5f, {10, 10, 0, 22}}, {DeviceKind::Tablet, 23, 1.8f, {40, 30, 0, 32}}};
    for (const auto& c : cases) {
        auto cfg = RZConfig::getRZConfig(1, c.kind);
        ASSERT_TRUE(cfg);
        EXPECT_EQ(cfg->fontSize(), c.fontSize);
        EXPECT_FLOAT_EQ(cfg->lineSpace(), c.lineSpace);
        EXPECT_EQ(cfg->paddings(), c.paddings);
        EXPECT_EQ(cfg->pageTurningType(), 3);
        EXPECT_EQ(cfg->screenBrightness(), 90);
        EXPECT_EQ(cfg->autoScrollSpeed(), 0);
        EXPECT_EQ(cfg->backgroundImageTag(), 0);
        EXPECT_TRUE(cfg->lightOn());
        EXPECT_TRUE(cfg->idleTimerDisabled());
        EXPECT_TRUE(cfg->fullScreenRead());
        EXPECT_FALSE(cfg->useBackgroundImage());
        EXPECT_FALSE(cfg->convertToBig5());
        EXPECT_FALSE(cfg->rotateLock());
        expectColour(cfg->fontColor(), 85, 67, 43);
        expectColour(cfg->pageBgColor(), 251, 240, 218);
        expectColour(cfg->lightOffFontColor(), 95, 96, 96);
        expectColour(cfg->lightOffPageBackgroundColor(), 50, 55, 59);
        EXPECT_EQ(cfg->getReadingFont().name(), RZConfig::kReadingFontName);
        EXPECT_EQ(cfg->getReadingFont().size(), c.fontSize);
        EXPECT_EQ(cfg->getReadingFont().family(), gfx::Font::kDefaultFamily);
    }
    EXPECT_FALSE(fs::exists(RZConfig::newSettingsPath()));

    // Without an explicit kind, the provider decides.
    for (DeviceKind kind : {DeviceKind::Tablet, DeviceKind::Phone}) {
        setDeviceKindProvider([kind] { return kind; });
        EXPECT_EQ(RZConfig::getRZConfig(1)->deviceKind(), kind);
        EXPECT_EQ(RZConfig().paddings(), RZConfig::defaultPaddings(kind));
    }
    setDeviceKindProvider({});
}

TEST_F(RZConfigTest, EffectiveColoursBoundsAndReset) {
    RZConfig cfg(DeviceKind::Phone);
    cfg.setCanvasSize({320, 480});
    EXPECT_EQ(cfg.getPageBounds(), (gfx::Rect{10, 0, 300, 458}));
    EXPECT_EQ(cfg.getPageFontColor(), *cfg.fontColor());
    EXPECT_EQ(cfg.getPageBackgroundColor(), *cfg.pageBgColor());
    cfg.setLightOn(false);
    EXPECT_EQ(cfg.getPageFontColor(), RZConfig::defaultLightOffFontColor());
    EXPECT_EQ(cfg.getPageBackgroundColor(), RZConfig::defaultLightOffPageBackgroundColor());
    cfg.setLightOffFontColor(std::nullopt);
    cfg.setLightOffPageBackgroundColor(std::nullopt);
    EXPECT_EQ(cfg.getPageFontColor(), gfx::Color::black());
    EXPECT_EQ(cfg.getPageBackgroundColor(), gfx::Color::white());
    cfg.setPageFontColor(std::nullopt);
    cfg.setPageBackgroundColor(std::nullopt);
    EXPECT_EQ(*cfg.fontColor(), gfx::Color::white());
    EXPECT_EQ(*cfg.pageBgColor(), gfx::Color::white());

    cfg.setReadingFont(30);
    EXPECT_EQ(cfg.fontSize(), 30);
    EXPECT_EQ(cfg.getReadingFont().size(), 30);

    cfg.setAutoScrollSpeed(2);
    cfg.setBackgroundImageTag(15003);
    cfg.setPaddings({1, 2, 3, 4});
    cfg.setIsPickingBgColor(true);
    cfg.setPageTurningType(1);
    cfg.reset();
    EXPECT_EQ(cfg.fontSize(), 20);
    EXPECT_EQ(cfg.pageTurningType(), 3);
    EXPECT_TRUE(cfg.lightOn());
    EXPECT_EQ(cfg.autoScrollSpeed(), 2);        // kept
    EXPECT_EQ(cfg.backgroundImageTag(), 15003); // kept
    EXPECT_EQ(cfg.paddings(), (PagePadding{1, 2, 3, 4}));
    EXPECT_TRUE(cfg.isPickingBgColor());
    EXPECT_EQ(cfg.canvasSize(), (gfx::Size{320, 480}));
}

TEST_F(RZConfigTest, SaveAndLoadKeepStoredValuesOnly) {
    RZConfig cfg(DeviceKind::Phone);
    cfg.setLightOn(false);
    cfg.setAutoScrollSpeed(1);
    cfg.setConvertToBig5(true);
    cfg.setPageTurningType(5);
    cfg.setFullScreenRead(false);
    cfg.setIdleTimerDisabled(false);
    cfg.setRotateLock(true);
    cfg.setScreenBrightness(40);
    cfg.setReadingFont(26);
    cfg.setLineSpace(2.25f);
    cfg.setPageFontColor(gfx::Color::fromRGB255(1, 2, 3));
    cfg.setPageBackgroundColor(gfx::Color::fromRGB255(200, 201, 202));
    cfg.setLightOffFontColor(gfx::Color::red()); // never stored
    cfg.setPaddings({5, 5, 5, 5});               // never stored
    ASSERT_TRUE(cfg.saveConfig());
    ASSERT_TRUE(fs::exists(RZConfig::newSettingsPath()));

    auto loaded = RZConfig::getRZConfig(3, DeviceKind::Phone);
    EXPECT_FALSE(loaded->lightOn());
    EXPECT_EQ(loaded->autoScrollSpeed(), 1);
    EXPECT_TRUE(loaded->convertToBig5());
    EXPECT_EQ(loaded->pageTurningType(), 5);
    EXPECT_FALSE(loaded->fullScreenRead());
    EXPECT_FALSE(loaded->idleTimerDisabled());
    EXPECT_TRUE(loaded->rotateLock());
    EXPECT_EQ(loaded->screenBrightness(), 40);
    EXPECT_EQ(loaded->fontSize(), 26);
    EXPECT_EQ(loaded->getReadingFont().size(), 26);
    EXPECT_FLOAT_EQ(loaded->lineSpace(), 2.25f);
    expectColour(loaded->fontColor(), 1, 2, 3);
    expectColour(loaded->pageBgColor(), 200, 201, 202);
    expectColour(loaded->lightOffFontColor(), 95, 96, 96);
    EXPECT_EQ(loaded->paddings(), RZConfig::defaultPaddings(DeviceKind::Phone));

    // The archive keeps the documented keys and types under the root key.
    auto record = core::KeyedArchive::unarchiveObject(RZConfig::newSettingsPath(), "rzConfig");
    ASSERT_TRUE(record);
    EXPECT_EQ((*record)["k_lightOn"].asBool(), false);
    EXPECT_EQ((*record)["k_screenBrightness"].asInt(), 40);
    EXPECT_EQ((*record)["k_fontSize"].asDouble(), 26.0);
    EXPECT_TRUE((*record)["k_pageBackgroundColor"].isMap());
    EXPECT_FALSE(record->contains("k_paddings"));

    // A failed write answers NO.
    fs::remove_all(core::Paths::documents() / "torvane");
    EXPECT_FALSE(cfg.saveConfig());
}

TEST_F(RZConfigTest, LoadRepairsOutOfRangeValues) {
    struct Case {
        DeviceKind kind;
        double fontSize, lineSpace;
        int turnType, brightness;
        float wantFont, wantLine;
        int wantTurn, wantBrightness;
    } cases[] = {
        {DeviceKind::Phone, 10, 1.5, 3, 90, 20, 1.5f, 3, 90},   {DeviceKind::Phone, 50, 1.5, 3, 90, 20, 1.5f, 3, 90},
        {DeviceKind::Tablet, 50, 1.8, 3, 90, 20, 1.8f, 3, 90},  {DeviceKind::Phone, 12, 1.0, 0, 0, 12, 1.0f, 0, 0},
        {DeviceKind::Phone, 42, 1.0, 5, 100, 42, 1.0f, 5, 100}, {DeviceKind::Phone, 20, 0.5, 3, 90, 20, 1.5f, 3, 90},
        {DeviceKind::Tablet, 23, 0.5, 3, 90, 23, 2.0f, 3, 90},  {DeviceKind::Phone, NAN, NAN, 3, 90, 20, 1.5f, 3, 90},
        {DeviceKind::Phone, 20, 1.5, 6, 250, 20, 1.5f, 3, 100}, {DeviceKind::Phone, 20, 1.5, -1, -5, 20, 1.5f, 3, 0},
    };
    for (const auto& c : cases) {
        core::Value r = savedRecord(c.kind);
        r.set("k_fontSize", c.fontSize);
        r.set("k_lineSpace", c.lineSpace);
        r.set("k_pageTurningType", c.turnType);
        r.set("k_screenBrightness", c.brightness);
        storeNew(r);
        auto cfg = RZConfig::getRZConfig(1, c.kind);
        EXPECT_EQ(cfg->fontSize(), c.wantFont) << c.fontSize;
        EXPECT_EQ(cfg->getReadingFont().size(), c.wantFont) << c.fontSize;
        EXPECT_FLOAT_EQ(cfg->lineSpace(), c.wantLine) << c.lineSpace;
        EXPECT_EQ(cfg->pageTurningType(), c.wantTurn);
        EXPECT_EQ(cfg->screenBrightness(), c.wantBrightness);
        EXPECT_EQ(cfg->paddings(), RZConfig::defaultPaddings(c.kind));
    }
}

TEST_F(RZConfigTest, MissingAndMistypedValuesReadAsZero) {
    core::Value r = core::Value::map();
    r.set("k_fontSize", 18.0);
    r.set("k_lightOn", "yes"); // not a boolean
    storeNew(r);
    auto cfg = RZConfig::getRZConfig(1, DeviceKind::Phone);
    EXPECT_EQ(cfg->fontSize(), 18);
    EXPECT_FALSE(cfg->lightOn());
    EXPECT_FALSE(cfg->idleTimerDisabled());
    EXPECT_EQ(cfg->screenBrightness(), 0);
    EXPECT_EQ(cfg->pageTurningType(), 0);
    EXPECT_FALSE(cfg->fontColor());
    EXPECT_FALSE(cfg->pageBgColor());
    cfg->setLightOn(true);
    EXPECT_EQ(cfg->getPageFontColor(), gfx::Color::black());
    EXPECT_EQ(cfg->getPageBackgroundColor(), gfx::Color::white());
    expectColour(cfg->lightOffPageBackgroundColor(), 50, 55, 59);

    // One malformed colour sends both day colours to their defaults.
    core::Value bad = savedRecord();
    bad.set("k_fontColor", RZConfig::encodeColour(gfx::Color::red()));
    bad.set("k_pageBackgroundColor", "not a colour");
    storeNew(bad);
    cfg = RZConfig::getRZConfig(1, DeviceKind::Phone);
    expectColour(cfg->fontColor(), 85, 67, 43);
    expectColour(cfg->pageBgColor(), 251, 240, 218);
}

TEST_F(RZConfigTest, DamagedArchivesGiveTheDefaults) {
    const std::string damaged[] = {"", "garbage that is no archive", std::string("bplist00\xff\xff\x00", 11)};
    for (const auto& bytes : damaged) {
        ASSERT_TRUE(core::FileManager::writeFile(RZConfig::newSettingsPath(), std::string_view(bytes)));
        auto cfg = RZConfig::getRZConfig(1, DeviceKind::Tablet);
        ASSERT_TRUE(cfg);
        EXPECT_EQ(cfg->fontSize(), 23);
        EXPECT_FLOAT_EQ(cfg->lineSpace(), 1.8f);
        EXPECT_TRUE(cfg->lightOn());
    }
    // An archive with another root key, or a root that is no record.
    ASSERT_TRUE(core::KeyedArchive::archiveRootObject(savedRecord(), RZConfig::newSettingsPath(), "other"));
    EXPECT_EQ(RZConfig::getRZConfig(1, DeviceKind::Phone)->screenBrightness(), 90);
    storeNew(core::Value("a text"));
    EXPECT_EQ(RZConfig::getRZConfig(1, DeviceKind::Phone)->screenBrightness(), 90);

    // A damaged older file alone: defaults as well, and nothing written.
    fs::remove(RZConfig::newSettingsPath());
    ASSERT_TRUE(core::FileManager::writeFile(RZConfig::legacySettingsPath(), std::string_view("\x00\x01 broken", 9)));
    auto cfg = RZConfig::getRZConfig(1, DeviceKind::Phone);
    EXPECT_EQ(cfg->fontSize(), 20);
    EXPECT_FALSE(fs::exists(RZConfig::newSettingsPath()));
    EXPECT_FALSE(PageConfig::getFromSaveConfigIfExist());
}

TEST_F(RZConfigTest, OlderArchiveIsCarriedOverUntilTheFirstSave) {
    core::Value old = core::Value::map();
    old.set("backgroundImageTag", 15004);
    old.set("useBackgroundImage", false);
    old.set("fontSize", 30.0);
    old.set("lightOn", false);
    old.set("autoScrollSpeed", 2);
    old.set("screenBrightness", 55);
    old.set("rotateLock", true);
    old.set("k_fullScreenRead", false);
    old.set("k_idleTimerDisabled", false);
    old.set("k_convertToBig5", true);
    old.set("pageTurningType", 1);
    old.set("fontColor", RZConfig::encodeColour(gfx::Color::fromRGB255(10, 20, 30)));
    ASSERT_TRUE(core::KeyedArchive::archiveRootObject(old, RZConfig::legacySettingsPath(), "pageconfig"));

    for (DeviceKind kind : {DeviceKind::Phone, DeviceKind::Tablet}) {
        auto cfg = RZConfig::getRZConfig(1, kind);
        EXPECT_EQ(cfg->fontSize(), 30);
        EXPECT_EQ(cfg->getReadingFont().size(), 30);
        EXPECT_EQ(cfg->backgroundImageTag(), 15004);
        EXPECT_FALSE(cfg->lightOn());
        EXPECT_EQ(cfg->autoScrollSpeed(), 2);
        EXPECT_EQ(cfg->screenBrightness(), 55);
        EXPECT_TRUE(cfg->rotateLock());
        EXPECT_FALSE(cfg->fullScreenRead());
        EXPECT_FALSE(cfg->idleTimerDisabled());
        EXPECT_TRUE(cfg->convertToBig5());
        EXPECT_EQ(cfg->pageTurningType(), 1);
        expectColour(cfg->fontColor(), 10, 20, 30);
        expectColour(cfg->pageBgColor(), 255, 255, 255); // missing: white
        EXPECT_EQ(cfg->paddings(), RZConfig::defaultPaddings(kind));
        EXPECT_FLOAT_EQ(cfg->lineSpace(), static_cast<float>(RZConfig::defaultLineSpace(kind)));
    }
    EXPECT_FALSE(fs::exists(RZConfig::newSettingsPath()));

    old.set("fontSize", 8.0);
    ASSERT_TRUE(core::KeyedArchive::archiveRootObject(old, RZConfig::legacySettingsPath(), "pageconfig"));
    auto cfg = RZConfig::getRZConfig(1, DeviceKind::Phone);
    EXPECT_EQ(cfg->fontSize(), 20);

    // From the first save on, the older file is never read again.
    cfg->setScreenBrightness(12);
    ASSERT_TRUE(cfg->saveConfig());
    EXPECT_EQ(RZConfig::getRZConfig(1, DeviceKind::Phone)->screenBrightness(), 12);
    EXPECT_TRUE(fs::exists(RZConfig::legacySettingsPath()));
}

TEST_F(RZConfigTest, BackgroundPictures) {
    RZConfig phone(DeviceKind::Phone);
    auto portrait = phone.getImageFromTag(15002, true);
    auto landscape = phone.getImageFromTag(15002, false);
    ASSERT_TRUE(portrait) << "reading backgrounds missing from " << core::Paths::resources();
    ASSERT_TRUE(landscape);
    EXPECT_GT(portrait->size().height, portrait->size().width);
    EXPECT_GT(landscape->size().width, landscape->size().height);
    for (int tag = kReadingBackgroundFirstTag; tag <= kReadingBackgroundLastTag; ++tag)
        EXPECT_TRUE(phone.getImageFromTag(tag, true) && phone.getImageFromTag(tag, false)) << tag;
    EXPECT_FALSE(phone.getImageFromTag(15007, true));
    EXPECT_FALSE(phone.getImageFromTag(0, true));

    RZConfig tablet(DeviceKind::Tablet);
    auto big = tablet.getImageFromTag(15002, true);
    ASSERT_TRUE(big);
    EXPECT_DOUBLE_EQ(big->size().width, portrait->size().width * 2.5);

    phone.setPageBgImageColorTag(15002, true);
    EXPECT_TRUE(phone.useBackgroundImage());
    EXPECT_EQ(phone.backgroundImageTag(), 15002);
    expectColour(phone.fontColor(), 0, 17, 60);
    EXPECT_TRUE(phone.getPageBackgroundColor().isPattern());
    phone.setIsPickingBgColor(true);
    EXPECT_EQ(phone.getPageBackgroundColor(), *phone.pageBgColor());
    phone.setIsPickingBgColor(false);

    // A tag without a picture changes nothing.
    phone.setPageBgImageColorTag(15009, true);
    EXPECT_EQ(phone.backgroundImageTag(), 15002);
    expectColour(phone.fontColor(), 0, 17, 60);

    // The picture is rebuilt on load for the orientation.
    ASSERT_TRUE(phone.saveConfig());
    auto loaded = RZConfig::getRZConfig(3, DeviceKind::Phone);
    ASSERT_TRUE(loaded->pageBgImageColor());
    EXPECT_GT(loaded->pageBgImageColor()->pattern()->size().width,
              loaded->pageBgImageColor()->pattern()->size().height);

    EXPECT_EQ(RZConfig::textColourForBackgroundTag(15003), gfx::Color::white());
    EXPECT_EQ(RZConfig::textColourForBackgroundTag(15005), gfx::Color::fromRGB255(70, 0, 8));
    EXPECT_FALSE(RZConfig::textColourForBackgroundTag(15000));
}

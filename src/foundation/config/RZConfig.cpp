#include "foundation/config/RZConfig.h"
#include "foundation/paths/AppPaths.h"

#include "foundation/config/ArchivedFields.h"
#include "foundation/config/PageConfig.h"
#include "platform/core/FileManager.h"
#include "platform/core/KeyedArchive.h"
#include "platform/core/Paths.h"

#include <cmath>
#include <cstdio>

namespace pw {

using archived::number;
using archived::readBool;
using archived::readFloat;
using archived::readInt;

namespace {

constexpr const char* kColourClass = "Color";

bool fontSizeOutOfRange(float size) {
    // NaN is out of range too: it would otherwise survive every comparison.
    return !(size >= 12 && size <= 42);
}

} // namespace

RZConfig::RZConfig(DeviceKind kind) : m_kind(kind) {
    reset();
    m_paddings = defaultPaddings(kind);
}

PagePadding RZConfig::defaultPaddings(DeviceKind kind) {
    return kind == DeviceKind::Tablet ? PagePadding{40, 30, 0, 32} : PagePadding{10, 10, 0, 22};
}

double RZConfig::defaultLineSpace(DeviceKind kind) {
    return kind == DeviceKind::Tablet ? 1.8 : 1.5;
}

double RZConfig::defaultFontSize(DeviceKind kind) {
    return kind == DeviceKind::Tablet ? 23 : 20;
}

gfx::Color RZConfig::defaultFontColor() {
    return gfx::Color::fromRGB255(85, 67, 43);
}
gfx::Color RZConfig::defaultPageBgColor() {
    return gfx::Color::fromRGB255(251, 240, 218);
}
gfx::Color RZConfig::defaultLightOffFontColor() {
    return gfx::Color::fromRGB255(95, 96, 96);
}
gfx::Color RZConfig::defaultLightOffPageBackgroundColor() {
    return gfx::Color::fromRGB255(50, 55, 59);
}

void RZConfig::reset() {
    m_lightOn = true;
    m_useBackgroundImage = false;
    m_convertToBig5 = false;
    m_pageTurningType = 3;
    m_fullScreenRead = true;
    m_idleTimerDisabled = true;
    m_rotateLock = false;
    m_screenBrightness = 90;
    m_fontSize = static_cast<float>(defaultFontSize(m_kind));
    m_fontColor = defaultFontColor();
    m_pageBgColor = defaultPageBgColor();
    m_lineSpace = static_cast<float>(defaultLineSpace(m_kind));
    m_font = readingFont(m_fontSize);
    m_lightOffFontColor = defaultLightOffFontColor();
    m_lightOffPageBackgroundColor = defaultLightOffPageBackgroundColor();
}

gfx::Font RZConfig::readingFont(double size) {
    if (auto f = gfx::Font::named(kReadingFontName, size))
        return *f;
    return gfx::Font::systemFont(size);
}

std::filesystem::path RZConfig::newSettingsPath() {
    return AppPaths::settingsArchive();
}

std::filesystem::path RZConfig::legacySettingsPath() {
    return AppPaths::legacySettingsArchive();
}

std::shared_ptr<RZConfig> RZConfig::getRZConfig(int orientation, DeviceKind kind) {
    if (core::FileManager::exists(newSettingsPath()))
        return readConfigFromFile(orientation, kind);
    if (core::FileManager::exists(legacySettingsPath())) {
        if (auto old = PageConfig::getFromSaveConfigIfExist()) {
            auto cfg = std::make_shared<RZConfig>(kind);
            cfg->m_fontSize = old->fontSize;
            cfg->m_backgroundImageTag = old->backgroundImageTag;
            cfg->m_useBackgroundImage = old->useBackgroundImage;
            cfg->m_lightOn = old->lightOn;
            cfg->m_autoScrollSpeed = old->autoScrollSpeed;
            cfg->m_screenBrightness = old->screenBrightness;
            cfg->m_rotateLock = old->rotateLock;
            cfg->m_fullScreenRead = old->fullScreenRead;
            cfg->m_idleTimerDisabled = old->idleTimerDisabled;
            cfg->m_convertToBig5 = old->convertToBig5;
            cfg->m_pageTurningType = old->pageTurningType;
            cfg->setPageBackgroundColor(old->pageBackgroundColor);
            cfg->setPageFontColor(old->fontColor);
            cfg->m_paddings = defaultPaddings(kind);
            cfg->m_lineSpace = static_cast<float>(defaultLineSpace(kind));
            cfg->setPageBgImageColorIsPortrait(orientation == 1 || orientation == 2);
            if (fontSizeOutOfRange(cfg->m_fontSize))
                cfg->m_fontSize = 20;
            cfg->setReadingFont(cfg->m_fontSize);
            return cfg;
        }
        // An older file that cannot be read is treated like a damaged new one.
    }
    return readConfigFromFile(orientation, kind);
}

std::shared_ptr<RZConfig> RZConfig::readConfigFromFile(int orientation, DeviceKind kind) {
    const bool portrait = orientation == 1 || orientation == 2;
    std::shared_ptr<RZConfig> cfg;
    try {
        if (auto record = core::KeyedArchive::unarchiveObject(newSettingsPath(), kRootKey))
            cfg = initWithCoder(*record, kind);
    } catch (const std::exception&) {
        // A damaged archive reads as no archive: the defaults below.
        cfg.reset();
    }
    if (!cfg) {
        cfg = std::make_shared<RZConfig>(kind);
        cfg->setPageBgImageColorIsPortrait(portrait);
        return cfg;
    }
    cfg->repairAfterLoad(orientation);
    return cfg;
}

void RZConfig::repairAfterLoad(int orientation) {
    m_paddings = defaultPaddings(m_kind);
    if (!(m_lineSpace >= 1.0f) || !std::isfinite(m_lineSpace))
        m_lineSpace = m_kind == DeviceKind::Tablet ? 2.0f : 1.5f;
    // Values outside what the screens offer would otherwise reach the page views
    // and the screen brightness as they are.
    if (m_pageTurningType < 0 || m_pageTurningType > 5)
        m_pageTurningType = 3;
    if (m_screenBrightness < 0 || m_screenBrightness > 100)
        m_screenBrightness = m_screenBrightness < 0 ? 0 : 100;
    setPageBgImageColorIsPortrait(orientation == 1 || orientation == 2);
    if (fontSizeOutOfRange(m_fontSize))
        m_fontSize = 20;
    setReadingFont(m_fontSize);
}

bool RZConfig::saveConfig() const {
    try {
        return core::KeyedArchive::archiveRootObject(encodeWithCoder(), newSettingsPath(), kRootKey);
    } catch (const std::exception&) {
        return false;
    }
}

core::Value RZConfig::encodeColour(const gfx::Color& c) {
    core::Value v = core::Value::map();
    v.set("$class", kColourClass);
    v.set("red", c.r());
    v.set("green", c.g());
    v.set("blue", c.b());
    v.set("alpha", c.alpha());
    return v;
}

std::optional<gfx::Color> RZConfig::decodeColour(const core::Value& v) {
    if (!v.isMap() || v["$class"].asString() != std::optional<std::string>(kColourClass))
        return std::nullopt;
    auto r = v["red"].asDouble(), g = v["green"].asDouble(), b = v["blue"].asDouble(), a = v["alpha"].asDouble();
    if (!r || !g || !b || !a)
        return std::nullopt;
    return gfx::Color(*r, *g, *b, *a);
}

core::Value RZConfig::encodeWithCoder() const {
    core::Value v = core::Value::map();
    v.set("$class", "RZConfig");
    v.set("k_lightOn", m_lightOn);
    v.set("k_useBackgroundImage", m_useBackgroundImage);
    v.set("k_backgroundImageTag", m_backgroundImageTag);
    v.set("k_autoScrollSpeed", m_autoScrollSpeed);
    v.set("k_convertToBig5", m_convertToBig5);
    v.set("k_fullScreenRead", m_fullScreenRead);
    v.set("k_idleTimerDisabled", m_idleTimerDisabled);
    v.set("k_rotateLock", m_rotateLock);
    v.set("k_screenBrightness", m_screenBrightness);
    v.set("k_fontSize", m_fontSize);
    v.set("k_pageTurningType", m_pageTurningType);
    v.set("k_lineSpace", m_lineSpace);
    // A colour that is not set is left out; it reads back as none.
    if (m_fontColor)
        v.set("k_fontColor", encodeColour(*m_fontColor));
    if (m_pageBgColor)
        v.set("k_pageBackgroundColor", encodeColour(*m_pageBgColor));
    return v;
}

std::shared_ptr<RZConfig> RZConfig::initWithCoder(const core::Value& record, DeviceKind kind) {
    if (!record.isMap())
        return nullptr;
    auto cfg = std::make_shared<RZConfig>(kind);
    cfg->m_lightOn = readBool(record, "k_lightOn");
    cfg->m_useBackgroundImage = readBool(record, "k_useBackgroundImage");
    cfg->m_backgroundImageTag = readInt(record, "k_backgroundImageTag");
    cfg->m_autoScrollSpeed = readInt(record, "k_autoScrollSpeed");
    cfg->m_convertToBig5 = readBool(record, "k_convertToBig5");
    cfg->m_fullScreenRead = readBool(record, "k_fullScreenRead");
    cfg->m_idleTimerDisabled = readBool(record, "k_idleTimerDisabled");
    cfg->m_rotateLock = readBool(record, "k_rotateLock");
    cfg->m_screenBrightness = readInt(record, "k_screenBrightness");
    cfg->m_fontSize = readFloat(record, "k_fontSize");
    cfg->m_pageTurningType = readInt(record, "k_pageTurningType");
    cfg->m_lightOffFontColor = defaultLightOffFontColor();
    cfg->m_lightOffPageBackgroundColor = defaultLightOffPageBackgroundColor();
    cfg->m_lineSpace = readFloat(record, "k_lineSpace");
    // Either colour being malformed sends both day colours back to their defaults.
    const core::Value* font = record.get("k_fontColor");
    const core::Value* page = record.get("k_pageBackgroundColor");
    std::optional<gfx::Color> fontColour, pageColour;
    bool malformed = false;
    if (font) {
        fontColour = decodeColour(*font);
        malformed |= !fontColour;
    }
    if (page) {
        pageColour = decodeColour(*page);
        malformed |= !pageColour;
    }
    if (malformed) {
        cfg->m_fontColor = defaultFontColor();
        cfg->m_pageBgColor = defaultPageBgColor();
    } else {
        cfg->m_fontColor = fontColour;
        cfg->m_pageBgColor = pageColour;
    }
    // Set by the fixes after loading and by the reader.
    cfg->m_paddings = {};
    cfg->m_canvasSize = {};
    cfg->m_pageBgImageColor.reset();
    cfg->m_isPickingBgColor = false;
    return cfg;
}

gfx::Rect RZConfig::getPageBounds() const {
    return {static_cast<double>(m_paddings.left), static_cast<double>(m_paddings.top),
            m_canvasSize.width - m_paddings.left - m_paddings.right,
            m_canvasSize.height - m_paddings.top - m_paddings.bottom};
}

gfx::Color RZConfig::getPageBackgroundColor() const {
    std::optional<gfx::Color> c;
    if (m_lightOn)
        c = (m_useBackgroundImage && !m_isPickingBgColor) ? m_pageBgImageColor : m_pageBgColor;
    else
        c = m_lightOffPageBackgroundColor;
    return c.value_or(gfx::Color::white());
}

gfx::Color RZConfig::getPageFontColor() const {
    return (m_lightOn ? m_fontColor : m_lightOffFontColor).value_or(gfx::Color::black());
}

void RZConfig::setReadingFont(double size) {
    m_font = readingFont(size);
    m_fontSize = static_cast<float>(size);
}

void RZConfig::setPageFontColor(const std::optional<gfx::Color>& colour) {
    m_fontColor = colour.value_or(gfx::Color::white());
}

void RZConfig::setPageBackgroundColor(const std::optional<gfx::Color>& colour) {
    m_pageBgColor = colour.value_or(gfx::Color::white());
}

std::optional<gfx::Image> RZConfig::getImageFromTag(int tag, bool portrait) const {
    char name[48];
    std::snprintf(name, sizeof name, portrait ? "readbg%d.jpg" : "readbg%d_480.jpg", tag - 15000);
    auto image = gfx::Image::fromFile(core::Paths::resource(name).string(), 1.0);
    if (!image)
        return std::nullopt;
    if (m_kind == DeviceKind::Tablet)
        return image->withScale(0.4);
    return image;
}

void RZConfig::setPageBgImageColorIsPortrait(bool portrait) {
    if (!m_useBackgroundImage)
        return;
    auto image = getImageFromTag(m_backgroundImageTag, portrait);
    if (image)
        m_pageBgImageColor = gfx::Color::patternImage(*image);
    else
        m_pageBgImageColor.reset();
}

std::optional<gfx::Color> RZConfig::textColourForBackgroundTag(int tag) {
    switch (tag) {
    case 15001:
        return gfx::Color::black();
    case 15002:
        return gfx::Color::fromRGB255(0, 17, 60);
    case 15003:
        return gfx::Color::white();
    case 15004:
        return gfx::Color::black();
    case 15005:
        return gfx::Color::fromRGB255(70, 0, 8);
    case 15006:
        return gfx::Color::black();
    default:
        return std::nullopt;
    }
}

void RZConfig::setPageBgImageColorTag(int tag, bool portrait) {
    auto image = getImageFromTag(tag, portrait);
    if (!image)
        return;
    m_useBackgroundImage = true;
    m_backgroundImageTag = tag;
    m_pageBgImageColor = gfx::Color::patternImage(*image);
    setPageFontColor(textColourForBackgroundTag(tag));
}

} // namespace pw

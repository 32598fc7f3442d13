#pragma once

// The one reading configuration: font and size, line spacing, page margins, day and
// night colours, the background picture, page-turn type, automatic-scroll speed,
// brightness and the reading switches. Kept as a keyed archive in
// Documents/torvane/main/newsettings under the root key "rzConfig"; while that file
// does not exist, each load carries the older archive "settings" over.
// Main thread only; every screen holds its own instance and the last save wins.

#include "foundation/config/DeviceKind.h"
#include "platform/core/Value.h"
#include "platform/gfx/Color.h"
#include "platform/gfx/Font.h"
#include "platform/gfx/Geometry.h"
#include "platform/gfx/Image.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>

namespace pw {

// Page margins in points.
struct PagePadding {
    int32_t left = 0;
    int32_t right = 0;
    int32_t top = 0;
    int32_t bottom = 0;
    friend bool operator==(const PagePadding&, const PagePadding&) = default;
};

// Tags of the reading background pictures.
constexpr int kReadingBackgroundFirstTag = 15001;
constexpr int kReadingBackgroundLastTag = 15006;

class RZConfig {
public:
    static constexpr const char* kReadingFontName = "STHeitiK-Light";
    static constexpr const char* kRootKey = "rzConfig";

    // Defaults for the device kind.
    explicit RZConfig(DeviceKind kind = currentDeviceKind());

    // The configuration to read with: the new archive, else the older one carried
    // over (without writing anything), else the defaults. Orientations 1 and 2 are
    // portrait. Never fails: a damaged archive gives the defaults.
    static std::shared_ptr<RZConfig> getRZConfig(int orientation, DeviceKind kind = currentDeviceKind());
    // The new archive repaired, or the defaults.
    static std::shared_ptr<RZConfig> readConfigFromFile(int orientation, DeviceKind kind = currentDeviceKind());

    static std::filesystem::path newSettingsPath();
    static std::filesystem::path legacySettingsPath();

    // Back to the defaults, keeping margins, canvas, picture tag, scroll speed,
    // picture colour and the picking flag.
    void reset();
    // Writes the archive atomically; false when it could not be written.
    bool saveConfig() const;

    // The archived record (the fourteen stored values) and its inverse. decode
    // answers nullopt for something that is not a record at all; a missing or
    // mistyped value reads as 0, NO or none.
    core::Value encodeWithCoder() const;
    static std::shared_ptr<RZConfig> initWithCoder(const core::Value& record, DeviceKind kind = currentDeviceKind());

    // The text rectangle: the canvas less the margins.
    gfx::Rect getPageBounds() const;
    gfx::Color getPageBackgroundColor() const;
    gfx::Color getPageFontColor() const;
    const gfx::Font& getReadingFont() const { return m_font; }
    void setReadingFont(double size);
    // Stores the colour as the day text colour (white for none).
    void setPageFontColor(const std::optional<gfx::Color>& colour);
    // Stores the colour as the day page colour (white for none).
    void setPageBackgroundColor(const std::optional<gfx::Color>& colour);

    // The reading background picture of a tag, portrait or landscape; on a tablet it
    // is drawn 2.5 times its pixel size. None for a tag without a picture.
    std::optional<gfx::Image> getImageFromTag(int tag, bool portrait) const;
    void setPageBgImageColorIsPortrait(bool portrait);
    // Turns the picture of the tag on, with its text colour; nothing when it has none.
    void setPageBgImageColorTag(int tag, bool portrait);
    // The day text colour that goes with a picture; none outside the picture tags.
    static std::optional<gfx::Color> textColourForBackgroundTag(int tag);

    DeviceKind deviceKind() const { return m_kind; }
    static PagePadding defaultPaddings(DeviceKind kind);
    static double defaultLineSpace(DeviceKind kind);
    static double defaultFontSize(DeviceKind kind);

    bool lightOn() const { return m_lightOn; }
    void setLightOn(bool v) { m_lightOn = v; }
    bool useBackgroundImage() const { return m_useBackgroundImage; }
    void setUseBackgroundImage(bool v) { m_useBackgroundImage = v; }
    int backgroundImageTag() const { return m_backgroundImageTag; }
    void setBackgroundImageTag(int v) { m_backgroundImageTag = v; }
    int autoScrollSpeed() const { return m_autoScrollSpeed; }
    void setAutoScrollSpeed(int v) { m_autoScrollSpeed = v; }
    bool convertToBig5() const { return m_convertToBig5; }
    void setConvertToBig5(bool v) { m_convertToBig5 = v; }
    int pageTurningType() const { return m_pageTurningType; }
    void setPageTurningType(int v) { m_pageTurningType = v; }
    bool fullScreenRead() const { return m_fullScreenRead; }
    void setFullScreenRead(bool v) { m_fullScreenRead = v; }
    bool idleTimerDisabled() const { return m_idleTimerDisabled; }
    void setIdleTimerDisabled(bool v) { m_idleTimerDisabled = v; }
    bool rotateLock() const { return m_rotateLock; }
    void setRotateLock(bool v) { m_rotateLock = v; }
    int screenBrightness() const { return m_screenBrightness; }
    void setScreenBrightness(int v) { m_screenBrightness = v; }
    float fontSize() const { return m_fontSize; }
    void setFontSize(float v) { m_fontSize = v; }
    const std::optional<gfx::Color>& fontColor() const { return m_fontColor; }
    void setFontColor(const std::optional<gfx::Color>& c) { m_fontColor = c; }
    const std::optional<gfx::Color>& pageBgColor() const { return m_pageBgColor; }
    void setPageBgColor(const std::optional<gfx::Color>& c) { m_pageBgColor = c; }
    float lineSpace() const { return m_lineSpace; }
    void setLineSpace(float v) { m_lineSpace = v; }
    const PagePadding& paddings() const { return m_paddings; }
    void setPaddings(const PagePadding& p) { m_paddings = p; }
    gfx::Size canvasSize() const { return m_canvasSize; }
    void setCanvasSize(gfx::Size s) { m_canvasSize = s; }
    const gfx::Font& font() const { return m_font; }
    void setFont(const gfx::Font& f) { m_font = f; }
    const std::optional<gfx::Color>& pageBgImageColor() const { return m_pageBgImageColor; }
    void setPageBgImageColor(const std::optional<gfx::Color>& c) { m_pageBgImageColor = c; }
    const std::optional<gfx::Color>& lightOffFontColor() const { return m_lightOffFontColor; }
    void setLightOffFontColor(const std::optional<gfx::Color>& c) { m_lightOffFontColor = c; }
    const std::optional<gfx::Color>& lightOffPageBackgroundColor() const { return m_lightOffPageBackgroundColor; }
    void setLightOffPageBackgroundColor(const std::optional<gfx::Color>& c) { m_lightOffPageBackgroundColor = c; }
    bool isPickingBgColor() const { return m_isPickingBgColor; }
    void setIsPickingBgColor(bool v) { m_isPickingBgColor = v; }

    static gfx::Color defaultFontColor();
    static gfx::Color defaultPageBgColor();
    static gfx::Color defaultLightOffFontColor();
    static gfx::Color defaultLightOffPageBackgroundColor();

    // Colours as the archive keeps them; nullopt for anything that is not one.
    static core::Value encodeColour(const gfx::Color& c);
    static std::optional<gfx::Color> decodeColour(const core::Value& v);

private:
    static gfx::Font readingFont(double size);
    // The fixes every load applies: margins, line spacing, picture, font size.
    void repairAfterLoad(int orientation);

    DeviceKind m_kind = DeviceKind::Phone;
    bool m_lightOn = true;
    bool m_useBackgroundImage = false;
    int m_backgroundImageTag = 0;
    int m_autoScrollSpeed = 0;
    bool m_convertToBig5 = false;
    int m_pageTurningType = 3;
    bool m_fullScreenRead = true;
    bool m_idleTimerDisabled = true;
    bool m_rotateLock = false;
    int m_screenBrightness = 90;
    float m_fontSize = 20;
    std::optional<gfx::Color> m_fontColor;
    std::optional<gfx::Color> m_pageBgColor;
    float m_lineSpace = 1.5f;
    PagePadding m_paddings;
    gfx::Size m_canvasSize;
    gfx::Font m_font = gfx::Font::systemFont(20);
    std::optional<gfx::Color> m_pageBgImageColor;
    std::optional<gfx::Color> m_lightOffFontColor;
    std::optional<gfx::Color> m_lightOffPageBackgroundColor;
    bool m_isPickingBgColor = false;
};

} // namespace pw

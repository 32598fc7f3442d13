#pragma once

// The older reading settings record, read from Documents/torvane/main/settings
// (root key "pageconfig") to carry its values into RZConfig. Never written.

#include "platform/core/Value.h"
#include "platform/gfx/Color.h"

#include <optional>

namespace pw {

class PageConfig {
public:
    static constexpr const char* kRootKey = "pageconfig";

    // The older record, or none when the file is missing, unreadable or damaged.
    static std::optional<PageConfig> getFromSaveConfigIfExist();
    // None for something that is not a record; missing or mistyped values read as
    // 0, NO or none; a malformed colour leaves both colours empty.
    static std::optional<PageConfig> initWithCoder(const core::Value& record);

    int backgroundImageTag = 0;
    bool useBackgroundImage = false;
    std::optional<gfx::Color> fontColor;
    std::optional<gfx::Color> pageBackgroundColor;
    float fontSize = 0;
    bool lightOn = false;
    int autoScrollSpeed = 0;
    int screenBrightness = 0;
    bool rotateLock = false;
    bool fullScreenRead = false;
    bool idleTimerDisabled = false;
    bool convertToBig5 = false;
    int pageTurningType = 0;
};

} // namespace pw

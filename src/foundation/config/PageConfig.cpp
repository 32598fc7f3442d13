#include "foundation/config/PageConfig.h"

#include "foundation/config/ArchivedFields.h"
#include "foundation/config/RZConfig.h"
#include "platform/core/KeyedArchive.h"

namespace pw {

using archived::readBool;
using archived::readFloat;
using archived::readInt;

std::optional<PageConfig> PageConfig::getFromSaveConfigIfExist() {
    try {
        auto record = core::KeyedArchive::unarchiveObject(RZConfig::legacySettingsPath(), kRootKey);
        if (!record)
            return std::nullopt;
        return initWithCoder(*record);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::optional<PageConfig> PageConfig::initWithCoder(const core::Value& r) {
    if (!r.isMap())
        return std::nullopt;
    PageConfig c;
    c.backgroundImageTag = readInt(r, "backgroundImageTag");
    c.useBackgroundImage = readBool(r, "useBackgroundImage");
    c.fontSize = readFloat(r, "fontSize");
    c.lightOn = readBool(r, "lightOn");
    c.autoScrollSpeed = readInt(r, "autoScrollSpeed");
    c.screenBrightness = readInt(r, "screenBrightness");
    c.rotateLock = readBool(r, "rotateLock");
    c.fullScreenRead = readBool(r, "k_fullScreenRead");
    c.idleTimerDisabled = readBool(r, "k_idleTimerDisabled");
    c.convertToBig5 = readBool(r, "k_convertToBig5");
    c.pageTurningType = readInt(r, "pageTurningType");
    const core::Value* font = r.get("fontColor");
    const core::Value* page = r.get("pageBackgroundColor");
    std::optional<gfx::Color> fc = font ? RZConfig::decodeColour(*font) : std::nullopt;
    std::optional<gfx::Color> pc = page ? RZConfig::decodeColour(*page) : std::nullopt;
    // A malformed colour leaves both empty (they then carry over as white).
    if ((font && !fc) || (page && !pc))
        return c;
    c.fontColor = fc;
    c.pageBackgroundColor = pc;
    return c;
}

} // namespace pw

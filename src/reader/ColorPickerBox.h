#pragma once

// The colour box's choices: grid and strip picks, the presets, confirm, cancel
// and reset. A box is used once; `closed` tells its owner to remove it.

#include <memory>
#include <optional>

#include "platform/gfx/Color.h"
#include "reader/ColorPickerMapping.h"

namespace pw {

class ColorPickerBoxDelegate;

class ColorPickerBox {
public:
    ColorPickerBox(std::weak_ptr<ColorPickerBoxDelegate> delegate, gfx::Color orgBgColor, gfx::Color orgFontColor,
                   bool useBackgroundImage, int backgroundImageTag)
        : m_delegate(std::move(delegate)), m_orgBgColor(orgBgColor), m_orgFontColor(orgFontColor),
          m_useBackgroundImage(useBackgroundImage), m_backgroundImageTag(backgroundImageTag) {}

    void colorPicked(const gfx::Color& colour);
    void day() { preset(1); }
    void smooth() { preset(2); }
    void pink() { preset(3); }
    void confirm();
    void cancel();
    void reset();

    const std::optional<gfx::Color>& currPickColor() const { return m_currPickColor; }
    bool usePresetColor() const { return m_usePresetColor; }
    int presetColor() const { return m_presetColor; }
    bool closed() const { return m_closed; }

private:
    void preset(int which);
    void sendCancel(ColorPickerBoxDelegate& d);

    std::weak_ptr<ColorPickerBoxDelegate> m_delegate;
    gfx::Color m_orgBgColor;
    gfx::Color m_orgFontColor;
    bool m_useBackgroundImage = false;
    int m_backgroundImageTag = 0;
    std::optional<gfx::Color> m_currPickColor;
    bool m_usePresetColor = false;
    int m_presetColor = 0;
    bool m_closed = false;
};

} // namespace pw

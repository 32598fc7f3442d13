#include "reader/ColorPickerBox.h"

#include "reader/ColorPickerBoxDelegate.h"

namespace pw {

void ColorPickerBox::colorPicked(const gfx::Color& colour) {
    if (m_closed)
        return;
    m_usePresetColor = false;
    m_currPickColor = colour;
    if (auto d = m_delegate.lock())
        d->colorPicking(colour);
}

void ColorPickerBox::preset(int which) {
    if (m_closed)
        return;
    m_usePresetColor = true;
    m_presetColor = which;
    const auto pair = colorPickerPreset(which);
    if (auto d = m_delegate.lock(); d && pair)
        d->pickingPresetBackgroundColor(pair->background, pair->font);
}

void ColorPickerBox::confirm() {
    // A closing box has given its answer: a second confirm or cancel says nothing.
    if (m_closed)
        return;
    if (auto d = m_delegate.lock()) {
        if (m_usePresetColor) {
            if (const auto pair = colorPickerPreset(m_presetColor))
                d->pickedPresetBackgroundColor(pair->background, pair->font);
        } else if (m_currPickColor) {
            d->colorPickConfirm(*m_currPickColor);
        }
    }
    m_closed = true;
}

void ColorPickerBox::sendCancel(ColorPickerBoxDelegate& d) {
    d.colorPickCancel(m_orgBgColor, m_orgFontColor, m_useBackgroundImage, m_backgroundImageTag);
}

void ColorPickerBox::cancel() {
    if (m_closed)
        return;
    if (auto d = m_delegate.lock())
        sendCancel(*d);
    m_closed = true;
}

void ColorPickerBox::reset() {
    auto d = m_delegate.lock();
    if (m_closed || !d)
        return;
    sendCancel(*d);
    // Only the grid's pick is forgotten; a preset chosen before stays chosen.
    m_currPickColor.reset();
}

} // namespace pw

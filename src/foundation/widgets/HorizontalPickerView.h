#pragma once
// A one-row wheel: equally wide titled cells scroll under a fixed centre marker
// in a rounded, shaded box. Letting go snaps the cell under the centre line to
// the middle; a tap selects a cell and tells the delegate.
#include "platform/core/Cancelable.h"
#include "platform/core/Value.h"
#include "platform/ui/Button.h"
#include "platform/ui/GradientLayer.h"
#include "platform/ui/ScrollView.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pw {

class HorizontalPickerView;

class HorizontalPickerDelegate {
public:
    virtual ~HorizontalPickerDelegate() = default;
    virtual void selectedValue(const core::Value& /*value*/, HorizontalPickerView&) {}
};

class HorizontalPickerView : public ui::View, public ui::ScrollViewDelegate {
public:
    static std::shared_ptr<HorizontalPickerView> initWithFrame(const gfx::Rect& frame) {
        return View::create<HorizontalPickerView>(frame);
    }
    static std::shared_ptr<HorizontalPickerView> init() { return initWithFrame({}); }
    ~HorizontalPickerView() override;

    static constexpr int kDefaultCellWidth = 100;

    // --- geometry: a row w wide, cells cw wide ---
    static double leftMarginFor(double w, int cw) { return (w - cw) / 2; }
    static double contentWidthFor(int cw, int count, double leftMargin) { return cw * count + 2 * leftMargin; }
    // The cell whose left edge has reached the centre line at content offset x.
    static int indexUnderCentre(double x, double w, double leftMargin, int cw, int count);
    // The offset that puts the middle of cell `index` under the middle (whole points).
    static double snapOffsetFor(int index, double leftMargin, int cw, double w);

    void setup();
    void setNamesWithArray(const std::vector<std::string>& names);
    void setValuesWithArray(std::vector<core::Value> values);
    void setCellWidth(int w) { m_cellWidth = w; }
    void setFontSize(double s) { m_fontSize = s; }
    int cellWidth() const { return m_cellWidth; }
    double fontSize() const { return m_fontSize; }
    double leftMargin() const { return m_leftMargin; }
    // The value (or title) under the centre line; none when neither is set.
    std::optional<core::Value> getSeletedValue() const;
    // Out-of-range indices are clamped to the cells there are.
    void selectItemAtIndex(int index);
    void reLayout();
    int getCurrentIndex();
    int getCurrentIndexTemp() const;
    int currentIndex() const { return m_currentIndex; }
    void scrollToCurrentIndexAnimate(bool animated);
    void scrollToCurrentIndexDelay(int seconds);
    void doDelayScroll() { scrollToCurrentIndexAnimate(true); }
    std::shared_ptr<ui::Button> genButtonWithFrame(const gfx::Rect& frame, const std::string* title,
                                                   ui::View& container);
    void btnClick(ui::Button& button);
    void whenScrollStop(ui::ScrollView& scroll);

    void setPickerDelegate(std::weak_ptr<HorizontalPickerDelegate> d) { m_pickerDelegate = std::move(d); }
    ui::ScrollView& scroll() { return *m_scroll; }
    const std::vector<std::shared_ptr<ui::Button>>& arrButtons() const { return m_arrButtons; }
    ui::View& topPointer() { return *m_topPointer; }
    ui::View& bottomPointer() { return *m_bottomPointer; }
    ui::GradientLayer& dropshadowLayer() { return *m_dropshadowLayer; }
    ui::GradientLayer& gradientLayer() { return *m_gradientLayer; }

    // --- ScrollViewDelegate ---
    void scrollViewDidEndDragging(ui::ScrollView& scroll, bool willDecelerate) override;
    void scrollViewDidEndDecelerating(ui::ScrollView& scroll) override;

    void layoutSubviews() override;

protected:
    using View::View;
    friend class ui::View;
    void didCreate() override { setup(); }

private:
    int cellCount() const { return static_cast<int>(m_arrButtons.size()); }
    std::optional<core::Value> valueAt(int index) const;

    std::vector<std::string> m_names;
    std::optional<std::vector<core::Value>> m_values;
    std::vector<std::shared_ptr<ui::Button>> m_arrButtons;
    std::shared_ptr<ui::ScrollView> m_scroll;
    int m_cellWidth = -1;
    std::weak_ptr<HorizontalPickerDelegate> m_pickerDelegate;
    double m_leftMargin = 0;
    int m_currentIndex = 0;
    std::shared_ptr<ui::GradientLayer> m_dropshadowLayer;
    std::shared_ptr<ui::GradientLayer> m_gradientLayer;
    std::shared_ptr<ui::View> m_topPointer;
    std::shared_ptr<ui::View> m_bottomPointer;
    double m_fontSize = 12;
    core::Cancelable m_delayedScroll;
};

} // namespace pw

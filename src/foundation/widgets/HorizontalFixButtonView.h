#pragma once
// A row of equal-width text tabs in a horizontally scrolling area, a thin split
// between neighbours and an arrow under the selected tab. Tabs that fit share
// the width; otherwise each is 140 wide and the row keeps the selection centred.
#include "platform/core/Cancelable.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/ScrollView.h"

#include <memory>
#include <string>
#include <vector>

namespace pw {

class HorizontalFixButtonDelegate {
public:
    virtual ~HorizontalFixButtonDelegate() = default;
    virtual void selectedAtIndex(int /*index*/) {}
};

class HorizontalFixButtonView : public ui::View, public ui::ScrollViewDelegate {
public:
    static std::shared_ptr<HorizontalFixButtonView> initWithFrame(const gfx::Rect& frame) {
        return View::create<HorizontalFixButtonView>(frame);
    }
    ~HorizontalFixButtonView() override;

    static constexpr int kScrollingTabWidth = 140;

    // --- geometry ---
    // The width of each of n tabs in a strip w wide.
    static int tabWidthFor(double w, int n);
    // The offset that shows tab `index` (centred where the content allows) in an area
    // v wide over content c wide.
    static double offsetForIndex(int index, int count, int tabWidth, double v, double c);
    // The tab under the middle of the area at offset x.
    static int indexUnderMiddle(double x, double v, int tabWidth, int count);
    // Where a user scroll that stopped at x comes to rest.
    static int indexAfterScroll(double x, double v, double c, int tabWidth, int count);

    void setButtonNames(const std::vector<std::string>& names);
    void setButtonSelectedAtIndexAnimate(int index);
    void reLayout();
    int getCurrentIndex();
    int getCurrentIndexTemp() const;
    void scrollToCurrentIndexAnimate(bool animated);
    void scrollToIndex(int index, bool animated);
    void scrollToCurrentIndexDelay(int seconds);
    void doDelayScroll() { scrollToCurrentIndexAnimate(true); }
    void moveToCurrentButtonAnimate();
    void computeBtnWidth();
    void setButtonsWidth();
    void btnClick(ui::Button& button);
    void whenScrollStop();

    void setDelegate(std::weak_ptr<HorizontalFixButtonDelegate> d) { m_delegate = std::move(d); }
    int btnWidth() const { return m_btnWidth; }
    int currentIndex() const { return m_currentIndex; }
    const std::vector<std::shared_ptr<ui::Button>>& arrBtns() const { return m_arrBtns; }
    const std::vector<std::shared_ptr<ui::ImageView>>& arrSplit() const { return m_arrSplit; }
    ui::ImageView* imgArrow() const { return m_imgArrow.get(); }
    ui::ScrollView* scroll() const { return m_scroll.get(); }

    // --- ScrollViewDelegate ---
    void scrollViewDidEndDragging(ui::ScrollView&, bool willDecelerate) override;
    void scrollViewDidEndDecelerating(ui::ScrollView&) override;

protected:
    using View::View;
    friend class ui::View;

private:
    int tabCount() const { return static_cast<int>(m_arrBtns.size()); }

    std::vector<std::shared_ptr<ui::Button>> m_arrBtns;
    std::shared_ptr<ui::ImageView> m_imgArrow;
    std::shared_ptr<ui::ScrollView> m_scroll;
    int m_btnWidth = 0;
    int m_currentIndex = 0;
    std::vector<std::shared_ptr<ui::ImageView>> m_arrSplit;
    std::weak_ptr<HorizontalFixButtonDelegate> m_delegate;
    core::Cancelable m_delayedScroll;
};

} // namespace pw

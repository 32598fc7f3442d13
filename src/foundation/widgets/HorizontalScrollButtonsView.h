#pragma once
// A fixed row of equally wide title buttons on a stretched background, with a
// highlight behind the current one. The screen above a paging scroll view moves
// the highlight while its pages scroll and marks the current title when they rest.
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"

#include <memory>
#include <string>
#include <vector>

namespace pw {

class HorizontalScrollButtonsDelegate {
public:
    virtual ~HorizontalScrollButtonsDelegate() = default;
    virtual void horizontalScrollButtonClick(ui::Button& /*button*/, int /*index*/) {}
};

class HorizontalScrollButtonsView : public ui::View {
public:
    static std::shared_ptr<HorizontalScrollButtonsView> initWithFrame(const gfx::Rect& frame) {
        return View::create<HorizontalScrollButtonsView>(frame);
    }
    static std::shared_ptr<HorizontalScrollButtonsView> init() { return initWithFrame({}); }

    // --- geometry of a background b holding n titles ---
    struct Layout {
        gfx::Rect highlight;
        int buttonWidth = 0;
        std::vector<gfx::Rect> buttons;
    };
    static Layout layoutFor(const gfx::Rect& background, int count);
    // The highlight's x for the current index, kept inside the background.
    static double highlightXForIndex(int index, int buttonWidth, double backgroundWidth);
    // The highlight's x for a scroll position, kept inside the background.
    static double highlightXForOrigin(double x, int buttonWidth, double backgroundWidth);

    void setup();
    void setBgImage(gfx::Image image);
    // Builds the highlight and the buttons, once.
    void setButtonNames(const std::vector<std::string>& names);
    void setButtonImagePositionWithIndex(int index);
    void setButtonImagePositionWithOriginX(double x);
    std::shared_ptr<ui::Button> genButtonWithFrame(const gfx::Rect& frame, const std::string* title,
                                                   ui::View& container);
    void btnClick(ui::Button& button);
    void layoutSubviews() override;

    void setDelegate(std::weak_ptr<HorizontalScrollButtonsDelegate> d) { m_delegate = std::move(d); }
    int currPage() const { return m_currPage; }
    int buttonWidth() const { return m_buttonWidth; }
    bool shouldScrollBgImageWhenClick = false;
    const std::vector<std::shared_ptr<ui::Button>>& arrButtons() const { return m_arrButtons; }
    ui::ImageView* bgView() const { return m_bgView.get(); }
    ui::ImageView* buttonImage() const { return m_buttonImage.get(); }

protected:
    using View::View;
    friend class ui::View;
    void didCreate() override { setup(); }

private:
    void markCurrent(int index);
    void slideHighlightTo(double x);

    std::shared_ptr<ui::ImageView> m_bgView;
    std::shared_ptr<ui::ImageView> m_buttonImage;
    std::vector<std::shared_ptr<ui::Button>> m_arrButtons;
    std::weak_ptr<HorizontalScrollButtonsDelegate> m_delegate;
    int m_buttonWidth = 0;
    int m_currPage = 0;
};

} // namespace pw

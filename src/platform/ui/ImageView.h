#pragma once
// Shows a picture scaled by its content mode, or a sequence of pictures as an
// animation timed on the shared clock.
#include "platform/gfx/Image.h"
#include "platform/ui/View.h"

#include <cstdint>
#include <vector>

namespace pw::ui {

class ImageView : public View {
public:
    ~ImageView() override;

    const gfx::Image& image() const { return m_image; }
    void setImage(gfx::Image image);
    void setHighlightedImage(gfx::Image image);
    bool isHighlighted() const { return m_highlighted; }
    void setHighlighted(bool h);
    // Draws the picture darkened (a pressed button).
    void setDarkened(bool d);

    const std::vector<gfx::Image>& animationImages() const { return m_frames; }
    void setAnimationImages(std::vector<gfx::Image> frames);
    double animationDuration() const { return m_duration; }
    void setAnimationDuration(double d) { m_duration = d; }
    // 0 repeats for ever.
    void setAnimationRepeatCount(int n) { m_repeatCount = n; }
    void startAnimating();
    void stopAnimating();
    bool isAnimating() const { return m_ticker != 0; }
    // The frame shown now (-1 when not animating).
    int currentFrameIndex() const { return m_frame; }

    gfx::Size sizeThatFits(gfx::Size) const override;
    void draw(gfx::Context& ctx, const gfx::Rect& rect) override;

protected:
    ImageView();
    explicit ImageView(gfx::Image image);
    explicit ImageView(const gfx::Rect& frame);
    friend class View;

private:
    void showCurrent();
    gfx::Image m_image;
    gfx::Image m_highlightedImage;
    bool m_highlighted = false;
    bool m_darkened = false;
    std::vector<gfx::Image> m_frames;
    double m_duration = 0;
    int m_repeatCount = 0;
    uint64_t m_ticker = 0;
    double m_started = 0;
    int m_frame = -1;
};

} // namespace pw::ui

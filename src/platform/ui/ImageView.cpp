#include "platform/ui/ImageView.h"

#include <cairo.h>

#include <cmath>

namespace pw::ui {

ImageView::ImageView() {
    setOpaque(false);
    setUserInteractionEnabled(false);
}

ImageView::ImageView(const gfx::Rect& frame) : ImageView() {
    setFrame(frame);
}

ImageView::ImageView(gfx::Image image) : ImageView() {
    setImage(std::move(image));
    if (!m_image.isNull())
        setFrame({0, 0, m_image.size().width, m_image.size().height});
}

ImageView::~ImageView() {
    if (m_ticker)
        Animator::shared().removeTicker(m_ticker);
}

void ImageView::setImage(gfx::Image image) {
    m_image = std::move(image);
    showCurrent();
}

void ImageView::setHighlightedImage(gfx::Image image) {
    m_highlightedImage = std::move(image);
    showCurrent();
}

void ImageView::setHighlighted(bool h) {
    m_highlighted = h;
    showCurrent();
}

void ImageView::setDarkened(bool d) {
    if (d == m_darkened)
        return;
    m_darkened = d;
    setNeedsDisplay();
}

void ImageView::setAnimationImages(std::vector<gfx::Image> frames) {
    m_frames = std::move(frames);
    if (m_frames.empty())
        stopAnimating();
}

void ImageView::startAnimating() {
    if (m_frames.empty() || m_ticker)
        return;
    m_started = Animator::shared().now();
    m_frame = 0;
    showCurrent();
    std::weak_ptr<View> weak = weak_from_this();
    m_ticker = Animator::shared().addTicker([this, weak](double now) {
        if (weak.expired())
            return false;
        const size_t n = m_frames.size();
        if (n == 0)
            return false;
        const double cycle = m_duration > 0 ? m_duration : static_cast<double>(n) / 30.0;
        const double t = now - m_started;
        if (m_repeatCount > 0 && t >= cycle * m_repeatCount) {
            m_ticker = 0;
            m_frame = -1;
            showCurrent();
            return false;
        }
        const int frame = static_cast<int>(std::fmod(t, cycle) / cycle * static_cast<double>(n)) % static_cast<int>(n);
        if (frame != m_frame) {
            m_frame = frame;
            showCurrent();
        }
        return true;
    });
}

void ImageView::stopAnimating() {
    if (m_ticker)
        Animator::shared().removeTicker(m_ticker);
    m_ticker = 0;
    m_frame = -1;
    showCurrent();
}

void ImageView::showCurrent() {
    gfx::Image shown = m_highlighted && !m_highlightedImage.isNull() ? m_highlightedImage : m_image;
    if (m_frame >= 0 && m_frame < static_cast<int>(m_frames.size()))
        shown = m_frames[static_cast<size_t>(m_frame)];
    m_layer->setContents(std::move(shown));
}

gfx::Size ImageView::sizeThatFits(gfx::Size) const {
    return m_image.isNull() ? gfx::Size{0, 0} : m_image.size();
}

void ImageView::draw(gfx::Context& ctx, const gfx::Rect&) {
    if (!m_darkened || m_layer->contents().isNull())
        return;
    // Darken only where the picture has ink: the picture itself is the mask.
    cairo_t* cr = ctx.cairo();
    const gfx::Rect b = bounds();
    const gfx::Image& img = m_layer->contents();
    cairo_save(cr);
    cairo_translate(cr, b.x(), b.y());
    cairo_scale(cr, b.width() / img.size().width / img.scale(), b.height() / img.size().height / img.scale());
    cairo_set_source_rgba(cr, 0, 0, 0, 0.45);
    cairo_mask_surface(cr, img.surface(), 0, 0);
    cairo_restore(cr);
}

} // namespace pw::ui

#include "reading/page/ContentManager.h"

#include "foundation/util/Utils.h"
#include "platform/gfx/BitmapContext.h"
#include "reading/page/PageWindow.h"
#include "reading/page/PangoPageTypesetter.h"

#include <algorithm>
#include <cmath>

namespace pw {

namespace {

bool isHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool isLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// Undoes a flip (or any transform) made for one page when the call returns, so a
// caller that reuses its context is not left with a turned one.
class SavedState {
public:
    explicit SavedState(gfx::Context& ctx) : m_ctx(ctx) { m_ctx.save(); }
    ~SavedState() { m_ctx.restore(); }
    SavedState(const SavedState&) = delete;
    SavedState& operator=(const SavedState&) = delete;

private:
    gfx::Context& m_ctx;
};

} // namespace

ContentManager::ContentManager() : ContentManager(std::make_unique<PangoPageTypesetter>()) {}

ContentManager::ContentManager(std::unique_ptr<PageTypesetter> typesetter) : m_typesetter(std::move(typesetter)) {
    m_toTraditional = [](std::u16string_view t) { return simplifiedToTraditional(t); };
}

ContentManager::~ContentManager() = default;

void ContentManager::setupConfig() {
    if (!m_rzConfig)
        return;
    const RZConfig& cfg = *m_rzConfig;
    m_font = cfg.getReadingFont().withSize(cfg.fontSize());
    m_textColour = cfg.getPageFontColor();
    // Never below one point: a font without metrics must not divide the page by zero.
    m_lineHeight = std::max(1.0, getLineHeightForFont(*m_font, cfg.lineSpace()));
    const double height = cfg.getPageBounds().height();
    m_totalLines = height > 0 ? static_cast<int>(std::floor(height / m_lineHeight)) : 0;
}

void ContentManager::setupContext(gfx::Context& ctx, const gfx::Rect& rect, bool flip) {
    ctx.clearRect(rect);
    ctx.setFillColor(m_rzConfig ? m_rzConfig->getPageBackgroundColor() : gfx::Color::white());
    ctx.fillRect(rect);
    if (flip) {
        ctx.translate(0, rect.height());
        ctx.scale(1, -1);
    }
}

int ContentManager::estimate() const {
    return estimatedMaxLengthOfTextWithSize(static_cast<int>(m_rzConfig->fontSize()), m_rzConfig->deviceKind());
}

std::u16string ContentManager::displayText(std::u16string_view window) const {
    std::u16string out(window);
    std::replace(out.begin(), out.end(), u'\r', u' ');
    if (m_rzConfig->convertToBig5() && m_toTraditional) {
        std::u16string converted = m_toTraditional(out);
        // The conversion maps unit for unit; anything else would break the indices.
        if (converted.size() == out.size())
            out = std::move(converted);
    }
    return out;
}

void ContentManager::drawLines(const TypesetLines& lines, size_t first, size_t count, gfx::Context& ctx) const {
    const RZConfig& cfg = *m_rzConfig;
    const double x = cfg.getPageBounds().x();
    const double top = cfg.paddings().top;
    const double canvasHeight = cfg.canvasSize().height;
    // Baselines at a fixed pitch from the top margin; the breaker's own line
    // positions are not used, only its breaks. The context is flipped (y up).
    for (size_t k = 0; k < count; ++k) {
        const double y = canvasHeight - top - static_cast<double>(k + 1) * m_lineHeight;
        lines.draw(first + k, ctx, {x, y}, m_textColour);
    }
}

std::shared_ptr<PageContent> ContentManager::getBackwardPageContent(std::u16string_view text, int64_t position,
                                                                    gfx::BitmapContext& ctx, bool flip) {
    if (!m_rzConfig || !m_font)
        return nullptr;
    const RZConfig& cfg = *m_rzConfig;
    SavedState saved(ctx);
    setupContext(ctx, {0, 0, cfg.canvasSize().width, cfg.canvasSize().height}, flip);

    const int64_t length = static_cast<int64_t>(text.size());
    const int e = estimate();
    if (length == 0 || e < 0 || position < -1 || position >= length - 1)
        return nullptr; // no character after the position
    PageWindow w{position + 1, position + 1};
    computePageStartAndEnd(length - 1, position, e, 2, false, w);
    // Never split a surrogate pair at the window's end.
    if (w.end + 1 < length && isHighSurrogate(text[w.end]) && isLowSurrogate(text[w.end + 1]))
        ++w.end;
    const std::u16string window = displayText(cutStringByRange(text, w.start, w.end));

    const auto lines = m_typesetter->layout(window, *m_font, cfg.getPageBounds().width());
    const size_t n = std::min(lines->count(), static_cast<size_t>(std::max(m_totalLines, 0)));
    if (n == 0)
        return nullptr;
    drawLines(*lines, 0, n, ctx);

    const gfx::TextRange last = lines->range(n - 1);
    auto page = std::make_shared<PageContent>();
    page->start = position + 1;
    page->end = page->start + last.location + last.length - 1;
    // Cut from the text as given, not from the display form (the traditional
    // round trip is not an identity).
    page->pageText =
        std::u16string(text.substr(static_cast<size_t>(page->start), static_cast<size_t>(page->end - page->start + 1)));
    page->pageImage = ctx.snapshot();
    return page;
}

std::shared_ptr<PageContent> ContentManager::getForwardPageContent(std::u16string_view text, int64_t position,
                                                                   gfx::BitmapContext& ctx) {
    if (!m_rzConfig || !m_font)
        return nullptr;
    const RZConfig& cfg = *m_rzConfig;
    SavedState saved(ctx);
    setupContext(ctx, {0, 0, cfg.canvasSize().width, cfg.canvasSize().height}, true);

    const int64_t length = static_cast<int64_t>(text.size());
    const int e = estimate();
    if (e < 0)
        return nullptr;
    PageWindow w{-1, -1};
    computePageStartAndEnd(length - 1, position, e, 1, false, w);
    if (w.start < 0 || w.start >= length)
        return nullptr;
    // Start the window at the beginning of its line, so the lines break as they do
    // when the text is paged forward.
    int64_t start = 0;
    for (int64_t i = w.start; i >= 0; --i) {
        if (text[i] == u'\n') {
            start = i + 1;
            break;
        }
    }
    w.start = start;
    if (w.start > w.end) // the window was a line break alone
        return getBackwardPageContent(text, -1, ctx, false);
    const std::u16string window = displayText(cutStringByRange(text, w.start, w.end));

    const auto lines = m_typesetter->layout(window, *m_font, cfg.getPageBounds().width());
    const size_t total = static_cast<size_t>(std::max(m_totalLines, 0));
    if (total == 0)
        return nullptr;
    if (lines->count() < total) {
        // Not a full page before the position: the first page instead. The context
        // is already flipped.
        return getBackwardPageContent(text, -1, ctx, false);
    }
    const size_t first = lines->count() - total;
    drawLines(*lines, first, total, ctx);

    const int64_t loc = lines->range(first).location;
    auto page = std::make_shared<PageContent>();
    page->end = w.end;
    page->start = w.start + loc;
    page->pageText =
        std::u16string(text.substr(static_cast<size_t>(page->start), static_cast<size_t>(page->end - page->start + 1)));
    page->pageImage = ctx.snapshot();
    return page;
}

} // namespace pw

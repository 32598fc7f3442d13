#include "reading/turn/PageManager.h"

#include "foundation/db/BookTB.h"
#include "foundation/db/BookmarkTB.h"
#include "platform/core/Clock.h"
#include "platform/core/Text.h"
#include "platform/core/Thread.h"
#include "platform/device/Device.h"
#include "platform/gfx/BitmapContext.h"
#include "reading/page/PageWindow.h"
#include "reading/page/PangoPageTypesetter.h"
#include "reading/turn/AutoScrollView.h"
#include "reading/turn/DragView.h"
#include "reading/turn/PageCurlView.h"
#include "reading/turn/RZPageView.h"
#include "reading/turn/SwipView.h"
#include "reading/txt/TxtFile.h"

#include <cmath>

namespace pw {

namespace {

gfx::Point truncated(gfx::Point p) {
    return {std::trunc(p.x), std::trunc(p.y)};
}

} // namespace

PageManager::PageManager(TypesetterFactory typesetters) : m_typesetters(std::move(typesetters)) {
    if (!m_typesetters)
        m_typesetters = [] { return std::make_unique<PangoPageTypesetter>(); };
    m_cntMgr = std::make_shared<ContentManager>(m_typesetters());
    m_launchPreload = [](std::function<void()> job) { core::Thread::detach(std::move(job), "preload"); };
}

PageManager::~PageManager() {
    // A preload still running keeps its own copies; it can no longer store.
    m_cache->close();
    if (m_autoScrollTimer)
        m_autoScrollTimer->invalidate();
}

void PageManager::setData(std::u16string text) {
    m_data = std::make_shared<const std::u16string>(std::move(text));
    m_cache->invalidate();
}

// --- geometry helpers ---

gfx::Size PageManager::pageSize() const {
    if (m_pageView) {
        const gfx::Size s = m_pageView->bounds().size;
        if (s.width > 0 && s.height > 0)
            return s;
    }
    return m_rzConfig ? m_rzConfig->canvasSize() : gfx::Size{};
}

double PageManager::screenScale() const {
    return std::max(1.0, device::Device::current().screen().scale);
}

int PageManager::turnType() const {
    return m_rzConfig ? m_rzConfig->pageTurningType() : kTurnNone;
}

int PageManager::getLRDirect(gfx::Point p) const {
    return p.x < pageSize().width / 2 ? 1 : 2;
}

int PageManager::getTBDirect(gfx::Point p) const {
    return p.y < pageSize().height / 2 ? 1 : 2;
}

int PageManager::direction(gfx::Point p) const {
    const int type = turnType();
    return type == kTurnDragVertical || type == kTurnSwipeVertical ? getTBDirect(p) : getLRDirect(p);
}

int PageManager::estimate() const {
    if (!m_rzConfig)
        return -1;
    return estimatedMaxLengthOfTextWithSize(static_cast<int>(m_rzConfig->fontSize()), m_rzConfig->deviceKind());
}

int64_t PageManager::now() const {
    return static_cast<int64_t>(std::floor(core::Clock::shared().now()));
}

std::shared_ptr<PageContent> PageManager::layoutFrom(int64_t position) {
    gfx::BitmapContext ctx(pageSize(), screenScale(), true);
    return m_cntMgr->getBackwardPageContent(*m_data, position, ctx);
}

std::shared_ptr<PageContent> PageManager::layoutTo(int64_t position) {
    gfx::BitmapContext ctx(pageSize(), screenScale(), true);
    return m_cntMgr->getForwardPageContent(*m_data, position, ctx);
}

std::shared_ptr<BaseView> PageManager::makePageView(int type, const gfx::Rect& frame) {
    switch (type) {
    case kTurnNone:
        return ui::View::create<RZPageView>(frame);
    case kTurnCurl:
        return ui::View::create<PageCurlView>(frame);
    case kTurnDragHorizontal:
        return ui::View::create<DragView>(DragView::kHorizontal, frame);
    case kTurnSwipeHorizontal:
        return ui::View::create<SwipView>(SwipView::kHorizontal, frame);
    case kTurnDragVertical:
        return ui::View::create<DragView>(DragView::kVertical, frame);
    case kTurnSwipeVertical:
        return ui::View::create<SwipView>(SwipView::kVertical, frame);
    case kTurnAutoScroll:
        return ui::View::create<AutoScrollView>(frame);
    default:
        return nullptr;
    }
}

// --- state ---

void PageManager::handleMemoryWarning() {
    m_cache->invalidate();
}

void PageManager::appDidBecomeActive() {
    if (!m_pageView || dynamic_cast<AutoScrollView*>(m_pageView.get()))
        return;
    m_pageView->reset();
    reloadCurrentPage();
}

// --- queries ---

bool PageManager::isFirstPage() const {
    return !m_currPage || m_currPage->start <= 0;
}

bool PageManager::isLastPage() const {
    const int64_t end = m_currPage ? m_currPage->end : 0;
    switch (m_bookFormat) {
    case BookFormat::Txt:
        if (!m_txtLoadAll)
            return (m_currPage ? m_currPage->bEnd : 0) >= m_txtContentTotalLength - 1;
        [[fallthrough]];
    case BookFormat::Site:
    case BookFormat::Umd:
        return end >= static_cast<int64_t>(m_data->size()) - 1;
    }
    return false;
}

bool PageManager::isFirstPageOrLastPage(gfx::Point p, bool callDelegate) {
    const int type = turnType();
    if (type < kTurnNone || type > kTurnSwipeVertical)
        return false;
    const bool backward = direction(p) == 1;
    bool atEdge = backward ? isFirstPage() : isLastPage();
    if (isChunkedTxt()) {
        // A chunk is left a page early, so the turn continues exactly at the page
        // boundary in the next chunk.
        const int64_t e = estimate();
        const int64_t start = m_currPage ? m_currPage->start : 0;
        const int64_t end = m_currPage ? m_currPage->end : 0;
        atEdge = backward ? start - e <= 0 : e >= static_cast<int64_t>(m_data->size()) - end - 1;
    }
    if (!atEdge || !callDelegate)
        return atEdge;
    auto delegate = m_delegate.lock();
    if (!delegate)
        return true;
    if (canLoadAnotherChapter(backward))
        return false;
    if (backward)
        delegate->atFirstPage();
    else
        delegate->atLastPage();
    return true;
}

float PageManager::getPercent() const {
    const int64_t start = m_currPage ? m_currPage->start : 0;
    switch (m_bookFormat) {
    case BookFormat::Txt: {
        if (m_txtContentTotalLength <= 0)
            return 0;
        const int64_t bStart = m_currPage ? m_currPage->bStart : 0;
        return static_cast<float>(bStart) * 100.0f / static_cast<float>(m_txtContentTotalLength);
    }
    case BookFormat::Umd: {
        const auto total = static_cast<float>(m_umdContentTotalLength / 2);
        if (total == 0)
            return 0;
        return static_cast<float>(start + m_chapterId / 2 + 1) / total * 100.0f;
    }
    case BookFormat::Site: {
        const auto length = static_cast<double>(m_data->size());
        if (length == 0)
            return 0;
        return static_cast<float>(static_cast<double>(start + 1) * 100.0 / length);
    }
    }
    return 0;
}

float PageManager::getCorrectionOfPercent() const {
    if ((m_bookFormat == BookFormat::Site || m_bookFormat == BookFormat::Txt) && isLastPage())
        return 100;
    return getPercent();
}

// --- turning ---

std::shared_ptr<PageContent> PageManager::loadPageContentWithTouch(gfx::Point p) {
    std::shared_ptr<PageContent> page;
    const int type = turnType();
    if (type >= kTurnNone && type <= kTurnSwipeVertical) {
        const bool backward = direction(p) == 1;
        const int64_t start = m_currPage ? m_currPage->start : 0;
        const int64_t end = m_currPage ? m_currPage->end : 0;
        page = m_cache->find(backward ? start - 1 : end + 1);
        if (!page) {
            const int64_t pos = m_canLoadAnotherChapterFlag ? m_anotherChapterPos : (backward ? start : end);
            page = backward ? layoutTo(pos) : layoutFrom(pos);
        }
    }
    m_canLoadAnotherChapterFlag = false;
    if (page) {
        m_currPage = page;
        m_currPageOutsideData = false;
        preLoadPage();
    }
    return page;
}

void PageManager::preLoadPage() {
    if (!m_currPage || !m_rzConfig)
        return;
    const uint64_t generation = m_cache->invalidate();
    // The job owns everything it reads: the cache, the text, the page, a copy of
    // the configuration and a layout engine of its own.
    auto cache = m_cache;
    auto text = m_data;
    auto page = m_currPage;
    auto config = std::make_shared<RZConfig>(*m_rzConfig);
    auto typesetters = m_typesetters;
    const gfx::Size size = pageSize();
    const double scale = screenScale();
    m_launchPreload([cache, text, page, config, typesetters, size, scale, generation] {
        if (cache->generation() != generation)
            return;
        ContentManager layout(typesetters());
        layout.setRzConfig(config);
        layout.setupConfig();
        const auto length = static_cast<int64_t>(text->size());
        if (page->end < length - 1) {
            gfx::BitmapContext ctx(size, scale, true);
            cache->store(generation, page->end + 1, layout.getBackwardPageContent(*text, page->end, ctx));
        }
        if (page->start > 0 && cache->generation() == generation) {
            gfx::BitmapContext ctx(size, scale, true);
            cache->store(generation, page->start - 1, layout.getForwardPageContent(*text, page->start, ctx));
        }
    });
}

void PageManager::tapTurning(gfx::Point touch) {
    // Whole points from here on: the seam test, the load and the view see the
    // same point, so they agree on the half it lies in.
    const gfx::Point p = truncated(touch);
    if (isFirstPageOrLastPage(p, true))
        return;
    turn(Gesture::Tap, p);
    saveBookReadingInfo();
}

void PageManager::panTurningBegin(gfx::Point touch) {
    turn(Gesture::Pan, truncated(touch));
}

void PageManager::turn(Gesture gesture, gfx::Point p) {
    const auto old = m_currPage;
    const bool acrossSeam = m_canLoadAnotherChapterFlag;
    const auto page = loadPageContentWithTouch(p);
    // No page to turn to: the old one stays, nothing moves. After a seam the
    // text is already the neighbouring one, which the old page is not part of.
    if (!page) {
        if (acrossSeam)
            m_currPageOutsideData = true;
        return;
    }
    if (!m_pageView)
        return;
    dispatchToView(gesture, direction(p), old ? old->pageImage : gfx::Image(), page->pageImage, p);
}

void PageManager::dispatchToView(Gesture gesture, int dir, const gfx::Image& oldImage, const gfx::Image& newImage,
                                 gfx::Point pt) {
    BaseView& v = *m_pageView;
    const bool tap = gesture == Gesture::Tap;
    const bool backward = dir == 1;
    switch (turnType()) {
    case kTurnNone:
        v.setCanvas(newImage);
        v.setNeedsDisplay();
        break;
    case kTurnCurl:
    case kTurnDragVertical:
        if (backward) {
            v.setBottomPageImage(oldImage);
            if (tap) {
                v.touchesBegan(pt);
                v.touchesEnded(pt);
            } else {
                v.touchesBeganSmooth(pt);
            }
            v.setTopPageImage(newImage);
        } else {
            v.setBottomPageImage(newImage);
            v.setFinalImage(newImage);
            if (turnType() == kTurnCurl && !tap)
                v.touchesBeganSmooth(pt);
            else
                v.touchesBegan(pt);
            if (tap)
                v.touchesEnded(pt);
        }
        break;
    case kTurnDragHorizontal:
    case kTurnSwipeHorizontal:
        if (backward) {
            v.setRightPageImage(oldImage);
            if (!tap && turnType() == kTurnDragHorizontal)
                v.touchesBeganSmooth(pt);
            else
                v.touchesBegan(pt);
            v.setLeftPageImage(newImage);
        } else {
            v.setRightPageImage(newImage);
            v.setFinalImage(newImage);
            v.touchesBegan(pt);
        }
        if (tap)
            v.touchesEnded(pt);
        break;
    case kTurnSwipeVertical:
        v.setSplitLineShow(!tap);
        if (backward) {
            v.setBottomPageImage(oldImage);
            v.touchesBegan(pt);
            v.setTopPageImage(newImage);
        } else {
            v.setBottomPageImage(newImage);
            v.setFinalImage(newImage);
            v.touchesBegan(pt);
        }
        if (tap)
            v.touchesEnded(pt);
        break;
    default:
        break;
    }
}

void PageManager::panTurningChanged(gfx::Point current, gfx::Point origin) {
    if (!m_pageView)
        return;
    const gfx::Point c = truncated(current), o = truncated(origin);
    const gfx::Size size = pageSize();
    const int type = turnType();
    const bool vertical = type == kTurnDragVertical || type == kTurnSwipeVertical;
    const bool backward = direction(o) == 1;
    // Along the turn's axis: where the finger is, where it began, the extent.
    const double cv = vertical ? c.y : c.x, ov = vertical ? o.y : o.x;
    const double extent = vertical ? size.height : size.width;
    auto along = [&](double value) { return vertical ? gfx::Point{c.x, value} : gfx::Point{value, c.y}; };
    switch (type) {
    case kTurnCurl:
        m_pageView->touchesMoved(c);
        break;
    case kTurnDragHorizontal:
    case kTurnDragVertical:
        if (backward)
            m_pageView->touchesMoved(c);
        else if (cv <= ov)
            m_pageView->touchesMoved(along(extent - std::abs(ov - cv)));
        break;
    case kTurnSwipeHorizontal:
    case kTurnSwipeVertical:
        if ((backward && cv < ov) || (!backward && cv > ov))
            break;
        if (cv < ov)
            m_pageView->touchesMoved(along(extent - std::abs(ov - cv)));
        else if (cv > ov)
            m_pageView->touchesMoved(along(std::abs(ov - cv)));
        break;
    default:
        break;
    }
}

void PageManager::panTurningEnd(gfx::Point current, gfx::Point) {
    const int type = turnType();
    if (m_pageView && type >= kTurnCurl && type <= kTurnSwipeVertical) {
        if (type == kTurnSwipeVertical)
            m_pageView->setSplitLineShow(false);
        m_pageView->touchesEnded(truncated(current));
    }
    saveBookReadingInfo();
}

// --- positioning ---

void PageManager::showJumpedPage(std::shared_ptr<PageContent> page) {
    m_currPage = std::move(page);
    m_currPageOutsideData = false;
    loadPageWithContent(m_currPage);
    saveBookReadingInfo();
    preLoadPage();
}

void PageManager::getPageFromPosition(int64_t p) {
    showJumpedPage(layoutFrom(p));
}

void PageManager::getPageToPosition(int64_t p) {
    showJumpedPage(layoutTo(p));
}

void PageManager::reloadCurrentPage() {
    getPageFromPosition((m_currPage ? m_currPage->start : 0) - 1);
}

void PageManager::loadPageWithContent(const std::shared_ptr<PageContent>& page) {
    if (!page)
        return;
    m_cache->invalidate();
    if (!m_pageView)
        return;
    BaseView& v = *m_pageView;
    const gfx::Image& image = page->pageImage;
    switch (turnType()) {
    case kTurnNone:
        v.setCanvas(image);
        v.setNeedsDisplay();
        break;
    case kTurnCurl:
        v.setTopPage(image, image);
        break;
    case kTurnDragHorizontal:
    case kTurnSwipeHorizontal:
        v.setLeftImage(image, image);
        break;
    case kTurnDragVertical:
    case kTurnSwipeVertical:
        v.setTopImage(image, image);
        break;
    default:
        break;
    }
}

void PageManager::goToPercent(int percent) {
    const int64_t p = percent;
    switch (m_bookFormat) {
    case BookFormat::Txt:
        if (auto d = m_delegate.lock())
            d->loadContentWithOffset(p * (m_txtContentTotalLength / 100));
        return;
    case BookFormat::Umd:
        if (auto d = m_delegate.lock()) {
            int64_t offset = p * (m_umdContentTotalLength / 100);
            // UTF-16 content: never ask for the middle of a character.
            if (offset > 0 && offset % 2 == 1)
                --offset;
            d->loadContentWithOffset(offset);
        }
        return;
    case BookFormat::Site: {
        const auto length = static_cast<int64_t>(m_data->size());
        int64_t q = p * (length / 100);
        if (q == 0)
            q = -1;
        else if (q == length)
            q = length - 6;
        getPageFromPosition(q);
        return;
    }
    }
}

// --- seams ---

bool PageManager::canLoadAnotherChapter(bool previous) {
    if (m_bookFormat == BookFormat::Txt) {
        if (m_txtLoadAll)
            return false;
        SeamData d;
        if (m_currPage)
            d = {m_currPage->start, m_currPage->end, m_currPage->bStart, m_currPage->bEnd};
        return canLoadAnotherChapter(previous, d);
    }
    return canLoadAnotherChapter(previous, std::nullopt);
}

bool PageManager::canLoadAnotherChapter(bool previous, const std::optional<SeamData>& data) {
    auto delegate = m_delegate.lock();
    if (!delegate)
        return false;
    m_canLoadAnotherChapterFlag = delegate->canLoadAnotherChapter(previous, data);
    m_anotherChapterPos = previous ? static_cast<int64_t>(m_data->size()) : -1;
    if (m_canLoadAnotherChapterFlag) {
        m_cache->invalidate();
        return true;
    }
    return false;
}

// --- persistence ---

bool PageManager::saveBookReadingInfo() {
    // Without a page there is no place to keep; the stored one stays. Nor is a
    // page of the text left behind at a seam kept under the new chapter.
    if (!m_currPage || m_currPageOutsideData)
        return false;
    PageContent& page = *m_currPage;
    switch (m_bookFormat) {
    case BookFormat::Txt: {
        int64_t bStart = 0, bEnd = 0;
        if (TxtFile::computebStartAndbEndOffsetInFile(m_filePath, *m_data, page.pageText, page.start,
                                                      m_txtContentTotalLength, bStart, bEnd)) {
            page.bStart = bStart;
            page.bEnd = bEnd;
        }
        return BookTB::saveBookReadingInfoWithBookId(
            m_bookId, page.start, now(), TxtFile::getChunkStartOffset(m_filePath), m_title, getCorrectionOfPercent());
    }
    case BookFormat::Site:
    case BookFormat::Umd:
        return BookTB::saveBookReadingInfoWithBookId(m_bookId, page.start, now(), m_chapterId, m_title,
                                                     getCorrectionOfPercent());
    }
    return false;
}

bool PageManager::addBookmark() {
    if (!m_currPage || m_currPageOutsideData)
        return false;
    int64_t position = 0;
    switch (m_bookFormat) {
    case BookFormat::Txt:
        position = TxtFile::getChunkStartOffset(m_filePath);
        break;
    case BookFormat::Site:
    case BookFormat::Umd:
        position = m_chapterId;
        break;
    default:
        return false;
    }
    const std::u16string desc = cutStringByRange(m_currPage->pageText, 0, 10);
    return BookmarkTB::addBookmarkByBookId(m_bookId, core::text::toUtf8Lenient(desc), position, m_currPage->start,
                                           now(), getPercent());
}

} // namespace pw

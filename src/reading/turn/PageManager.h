#pragma once

// The paging controller of one open book. The reader screen hands it the text to
// page (a site chapter, a UMD chapter or a TXT chunk), the reading configuration,
// a page view and itself as delegate, and forwards taps and pans to it. The
// manager keeps the current page, caches its two neighbours and lays them out
// ahead on a preload thread, drives the page view for the configured turn type,
// asks the delegate for the neighbouring text when a turn runs off the end, writes
// the reading position to the book table after every turn, and computes read
// percentages, percent jumps and bookmarks. It also carries the reading settings
// that change the layout while reading, the dimming overlay and the automatic
// scroll.
//
// Order of set-up expected of the reader: create; set title, chapter id, delegate,
// book format, data, book id, file path, total lengths, txtLoadAll and the
// configuration; store the canvas size in the configuration and call
// setupPageConfig; set the page view for the stored turn type; apply the stored
// brightness; then getPageFromPosition (stored position - 1) or getPageToPosition
// (text length for the last page); afterwards forward gestures. Before a pan
// begins the reader asks isFirstPageOrLastPage(point, true) and starts no turn on
// yes. Main thread only; preloads run on their own threads and touch only the
// cache, a copy of the configuration and the text they were given.

#include "foundation/config/RZConfig.h"
#include "platform/core/Timer.h"
#include "reading/page/ContentManager.h"
#include "reading/page/PageContent.h"
#include "reading/page/PageTypesetter.h"
#include "reading/turn/BaseView.h"
#include "reading/turn/PageCache.h"
#include "reading/turn/PageManagerDelegate.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace pw {

// How a page is reached; the values are the stored ones.
enum class BookFormat : int { Site = 1, Umd = 2, Txt = 3 };

// Turn types; 6 is a running mode and never stored.
enum PageTurningType : int {
    kTurnNone = 0,
    kTurnCurl = 1,
    kTurnDragHorizontal = 2,
    kTurnSwipeHorizontal = 3,
    kTurnDragVertical = 4,
    kTurnSwipeVertical = 5,
    kTurnAutoScroll = 6
};

class PageManager {
public:
    // The tag of the dimming overlay inside the page view.
    static constexpr int kDimmingViewTag = 50000;
    static constexpr double kAutoScrollRestingTop = 3000.0;

    using TypesetterFactory = std::function<std::unique_ptr<PageTypesetter>()>;
    // Runs a preload job; a detached thread unless replaced (tests hold jobs back).
    using PreloadLauncher = std::function<void(std::function<void()>)>;

    // Pango line breaking unless another typesetter is given (one per layout
    // engine: the main thread's and each preload's).
    explicit PageManager(TypesetterFactory typesetters = {});
    ~PageManager();
    PageManager(const PageManager&) = delete;
    PageManager& operator=(const PageManager&) = delete;

    // --- set-up and state ---
    const std::shared_ptr<RZConfig>& rzConfig() const { return m_rzConfig; }
    void setRzConfig(std::shared_ptr<RZConfig> config) { m_rzConfig = std::move(config); }
    const std::u16string& data() const { return *m_data; }
    // A new text to page; no page is laid out (ask for one, or let a seam turn on).
    void setData(std::u16string text);
    const std::string& title() const { return m_title; }
    void setTitle(std::string t) { m_title = std::move(t); }
    const std::shared_ptr<BaseView>& pageView() const { return m_pageView; }
    void setPageView(std::shared_ptr<BaseView> view) { m_pageView = std::move(view); }
    void setDelegate(std::weak_ptr<PageManagerDelegate> d) { m_delegate = std::move(d); }
    int64_t bookId() const { return m_bookId; }
    void setBookId(int64_t id) { m_bookId = id; }
    int64_t chapterId() const { return m_chapterId; }
    void setChapterId(int64_t id) { m_chapterId = id; }
    BookFormat bookFormat() const { return m_bookFormat; }
    void setBookFormat(BookFormat f) { m_bookFormat = f; }
    const std::string& filePath() const { return m_filePath; }
    void setFilePath(std::string p) { m_filePath = std::move(p); }
    int64_t umdContentTotalLength() const { return m_umdContentTotalLength; }
    void setUmdContentTotalLength(int64_t n) { m_umdContentTotalLength = n; }
    int64_t txtContentTotalLength() const { return m_txtContentTotalLength; }
    void setTxtContentTotalLength(int64_t n) { m_txtContentTotalLength = n; }
    bool txtLoadAll() const { return m_txtLoadAll; }
    void setTxtLoadAll(bool v) { m_txtLoadAll = v; }
    void setPreloadLauncher(PreloadLauncher launcher) { m_launchPreload = std::move(launcher); }

    const std::shared_ptr<PageContent>& currPage() const { return m_currPage; }
    bool isAutoScrolling() const { return m_isAutoScrolling; }
    double autoScrollTop() const { return m_autoScrollTop; }
    const PageCache& pageCache() const { return *m_cache; }

    // Empties the page cache.
    void handleMemoryWarning();
    // Back from the background: the page view rests and the page is laid out again
    // (not while scrolling automatically).
    void appDidBecomeActive();

    // --- queries ---
    bool isFirstPage() const;
    bool isLastPage() const;
    // Whether a turn from this point would run off the text. With callDelegate the
    // delegate is asked for the neighbouring text at a seam; the answer is then no
    // when it gave one, yes (after atFirstPage / atLastPage) when it did not.
    bool isFirstPageOrLastPage(gfx::Point p, bool callDelegate);
    // 1 backward (left or upper half), 2 forward.
    int getLRDirect(gfx::Point p) const;
    int getTBDirect(gfx::Point p) const;
    float getPercent() const;
    float getCorrectionOfPercent() const;

    // --- turning ---
    void tapTurning(gfx::Point p);
    void panTurningBegin(gfx::Point p);
    void panTurningChanged(gfx::Point current, gfx::Point origin);
    void panTurningEnd(gfx::Point current, gfx::Point origin);

    // --- positioning ---
    // The page beginning at p + 1 (-1: the first page) / ending at p - 1.
    void getPageFromPosition(int64_t p);
    void getPageToPosition(int64_t p);
    void reloadCurrentPage();
    // Shows the page without a turn (nothing for none); empties the cache.
    void loadPageWithContent(const std::shared_ptr<PageContent>& page);
    void goToPercent(int percent);

    // --- seams ---
    bool canLoadAnotherChapter(bool previous);
    bool canLoadAnotherChapter(bool previous, const std::optional<SeamData>& data);

    // --- persistence ---
    // False, and nothing written, while there is no page or the page is not part
    // of the text (a seam whose new text gave none).
    bool saveBookReadingInfo();
    bool addBookmark();

    // --- settings, brightness, auto-scroll ---
    void setupPageConfig();
    void fontSizeChangedHandler(int points);
    void orientationChangedHandler(gfx::Size canvas, int orientation);
    void lightSwitch();
    bool isRotateLock() const;
    // Toggles the rotation lock.
    void rotateLock();
    void setupScreenBrightness(int brightness);
    void setupScreenBrightnessWithoutSave(int brightness);
    void pageCurlChanged(int type);
    void autoScrollScreenSpeedChanged(int speed);
    void beginAutoScrollScreen();
    void exitAutoScrollScreen();
    void endAutoScrollScreen(core::Timer* timer);
    void autoScrollingsRepeat(core::Timer* timer);
    void setReadBackgroundImage(int tag, bool portrait, const std::optional<gfx::Color>& fontColour = std::nullopt);
    void pickFontColor(const std::optional<gfx::Color>& colour);
    void setReadingFontColor(const std::optional<gfx::Color>& colour);
    void pickBackgroundColor(const std::optional<gfx::Color>& colour);
    void setReadingBackgroundColor(const std::optional<gfx::Color>& colour);
    void pickReadingBackgroundColor(const std::optional<gfx::Color>& background, const std::optional<gfx::Color>& font);
    void setReadingBackgroundColor(const std::optional<gfx::Color>& background, const std::optional<gfx::Color>& font);
    bool isPageTurningUpDown() const;
    // A small picture of the page flies to the point (the bookmark button).
    void animateToPoint(gfx::Point p);
    void animateToPointFinished(ui::View& view);

    // Seconds between auto-scroll steps for a speed: 2 slow, 1 medium, else fast.
    static double autoScrollInterval(int speed);
    // The page view for a turn type, as the reader builds it on changePageTurningType:
    // 0 RZPageView, 1 PageCurlView, 2 and 4 DragView across and up-down, 3 and 5
    // SwipView across and up-down, 6 AutoScrollView; null for any other type.
    static std::shared_ptr<BaseView> makePageView(int type, const gfx::Rect& frame);

private:
    enum class Gesture { Tap, Pan };
    gfx::Size pageSize() const;
    double screenScale() const;
    int direction(gfx::Point p) const;
    int turnType() const;
    bool isChunkedTxt() const { return m_bookFormat == BookFormat::Txt && !m_txtLoadAll; }
    int estimate() const;
    // Lays a page out on the main thread in a fresh bitmap of the page's size.
    std::shared_ptr<PageContent> layoutFrom(int64_t position);
    std::shared_ptr<PageContent> layoutTo(int64_t position);
    // The page the touch turns to, from the cache or laid out; null when none.
    std::shared_ptr<PageContent> loadPageContentWithTouch(gfx::Point p);
    void preLoadPage();
    void turn(Gesture gesture, gfx::Point p);
    void dispatchToView(Gesture gesture, int dir, const gfx::Image& oldImage, const gfx::Image& newImage,
                        gfx::Point pt);
    // Font, colours or canvas changed: the layout engine follows, cached pages go.
    void layoutChanged();
    void rerenderCurrentPage();
    // Day colours (each when given), then the page again: previewed (re-rendered,
    // nothing saved) or confirmed (reloaded and saved).
    void changeColours(const std::optional<gfx::Color>& background, const std::optional<gfx::Color>& font,
                       bool confirm);
    // A jump's page becomes current: shown, its place saved, its neighbours preloaded.
    void showJumpedPage(std::shared_ptr<PageContent> page);
    int64_t now() const;

    std::shared_ptr<PageCache> m_cache = std::make_shared<PageCache>();
    TypesetterFactory m_typesetters;
    std::shared_ptr<ContentManager> m_cntMgr;
    bool m_isAutoScrolling = false;
    bool m_canLoadAnotherChapterFlag = false;
    int64_t m_anotherChapterPos = -1;
    std::shared_ptr<PageContent> m_currPage;
    // The current page belongs to the text a seam replaced (the new text gave no page).
    bool m_currPageOutsideData = false;
    std::shared_ptr<RZConfig> m_rzConfig;
    std::shared_ptr<const std::u16string> m_data = std::make_shared<const std::u16string>();
    std::string m_title;
    std::shared_ptr<BaseView> m_pageView;
    std::weak_ptr<PageManagerDelegate> m_delegate;
    int64_t m_bookId = 0;
    int64_t m_chapterId = 0;
    BookFormat m_bookFormat = BookFormat::Site;
    std::string m_filePath;
    int64_t m_umdContentTotalLength = 0;
    int64_t m_txtContentTotalLength = 0;
    bool m_txtLoadAll = false;
    double m_autoScrollTop = kAutoScrollRestingTop;
    std::shared_ptr<core::Timer> m_autoScrollTimer;
    PreloadLauncher m_launchPreload;
};

} // namespace pw

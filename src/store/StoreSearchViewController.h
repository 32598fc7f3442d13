#pragma once
// The store's search tab: a search bar with the filter button, and a stage on
// which the site's hot words appear ten at a time, flying in to scattered
// points while the previous page flies out; a tapped word flies into the bar
// and searches for itself.
#include "platform/core/Value.h"
#include "platform/ui/Button.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/SearchBar.h"
#include "store/StoreBaseViewController.h"

#include <array>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace pw {

class StoreSearchViewController : public StoreBaseViewController, public ui::SearchBarDelegate {
public:
    static constexpr int kWordsPerPage = 10;
    static constexpr int kPages = 5;
    static constexpr double kFlyInDuration = 0.6;
    static constexpr double kFlyOutDuration = 1.5;
    static constexpr double kMoveDuration = 0.4;
    static std::shared_ptr<StoreSearchViewController> create() {
        return ViewController::create<StoreSearchViewController>();
    }
    static std::string searchTopsUrl() { return storeUrl("/BookStoreAPI/GetSearchTops.ashx"); }

    // ---- the page arithmetic, as pure functions
    // The ten titles of the page `flyCount` names (5 reads as 0), and the next flyCount.
    static std::pair<std::array<std::string, kWordsPerPage>, int> pageTitles(const std::vector<std::string>& words,
                                                                             int flyCount);
    // In-points on the area from ten draws of 0..99 (column = v % 10, row = v / 10).
    static std::array<gfx::Point, kWordsPerPage> inPoints(const gfx::Rect& area, const std::array<int, 10>& draws);
    // Where a word at p leaves to, away from the stage's centre c.
    static gfx::Point outPoint(gfx::Point p, gfx::Point c);
    // Words hidden because another word's frame holds their top-left corner.
    static std::array<bool, kWordsPerPage> hiddenByOverlap(const std::array<gfx::Rect, kWordsPerPage>& frames);
    // The tapped word's way into the search bar: a quadratic curve from the
    // touch to the bar whose control point is (end x, start y).
    static std::vector<gfx::Point> curvePath(gfx::Point from, gfx::Point to);

    ~StoreSearchViewController() override;
    void viewDidLoad() override;
    void viewDidUnload() override;
    void willAnimateRotationToInterfaceOrientation(device::Orientation o, double duration) override;
    void requestSearchTops();
    void requestFinished(RQHTTPRequest& request) override;
    void requestFailed(RQHTTPRequest& request) override;
    void showSearchTopsAnimate();
    void keywordClick(ui::Button& button);
    void afterKeywordMove(ui::Button& button);
    void afterKeywordMoveThenSearch(ui::Button& button);
    void afterKeywordMoveAndSearch(ui::Button& button);
    // The three flights: in from the centre growing and showing, out to the
    // edges swelling and fading, and the tapped word's curve to the bar.
    void flyInFromPoint(gfx::Point from, gfx::Point to, ui::View& view);
    void flyOutToPoint(gfx::Point to, ui::View& view);
    void moveFromPoint(gfx::Point from, gfx::Point to, ui::View& view);
    void searchBarSearchButtonClicked(ui::SearchBar& bar) override;
    void openSearch(const std::string& text);
    void goToFilterView();
    void handleViewTap();
    void clean() override;
    std::string className() const override { return "StoreSearchViewController"; }

    // The source of random() draws (non-negative): words are placed by draws
    // mod 100, sized and coloured by draws mod 5 and mod 255 (tests fix them).
    void setRandom(std::function<int()> random) { m_random = std::move(random); }
    // Where the words of the current page stand and where they fly out to:
    // one pair of tables for every search screen, kept from screen to screen.
    static std::array<gfx::Point, kWordsPerPage>& inPointTable();
    static std::array<gfx::Point, kWordsPerPage>& outPointTable();
    ui::SearchBar& searchBar() { return *m_searchBar; }
    ui::ScrollView& scroll() { return *m_scroll; }
    ui::View& animateView() { return *m_animateView; }
    const std::vector<std::shared_ptr<ui::Button>>& arrInBtns() const { return m_arrInBtns; }
    const std::vector<std::shared_ptr<ui::Button>>& arrOutBtns() const { return m_arrOutBtns; }
    const std::vector<std::string>& words() const { return m_words; }
    int flyCount() const { return m_flyCount; }
    bool isKeywordFlyingToSch() const { return m_isKeywordFlyingToSch; }

protected:
    StoreSearchViewController();
    friend class ui::ViewController;

private:
    std::vector<std::shared_ptr<ui::Button>> genButtonsWithTag(int tag);
    void computePositionInView(ui::View& stage);
    void flyIn();
    void flyOut();

    std::shared_ptr<ui::ScrollView> m_scroll;
    std::shared_ptr<ui::View> m_topView;
    std::shared_ptr<ui::SearchBar> m_searchBar;
    std::shared_ptr<ui::View> m_animateView;
    std::vector<std::string> m_words;
    bool m_retrySearchTops = false;
    std::vector<std::shared_ptr<ui::Button>> m_arrInBtns;
    std::vector<std::shared_ptr<ui::Button>> m_arrOutBtns;
    int m_flyCount = 0;
    gfx::Point m_currentTouchPoint;
    gfx::Rect m_kwBtnFrame;
    bool m_isKeywordFlyingToSch = false;
    double m_contentHeight = 0;
    std::function<int()> m_random;
};

} // namespace pw

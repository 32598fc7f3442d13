#include "store/StoreSearchViewController.h"

#include "foundation/config/DeviceKind.h"
#include "platform/gfx/Font.h"
#include "platform/ui/Animation.h"
#include "platform/ui/BundleImage.h"
#include "platform/ui/Layer.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/TapGestureRecognizer.h"
#include "platform/ui/Touch.h"
#include "site/Ostra.h"
#include "site/RZHTTPRequest.h"
#include "site/SiteAnswer.h"
#include "store/StoreSearchFilterController.h"
#include "store/StoreSearchResultController.h"

#include <cmath>

namespace pw {

StoreSearchViewController::StoreSearchViewController() {
    setTitle("搜索");
    m_random = [engine = std::make_shared<std::minstd_rand>(std::random_device{}())] {
        return static_cast<int>((*engine)() & 0x7fffffff);
    };
}

std::array<gfx::Point, StoreSearchViewController::kWordsPerPage>& StoreSearchViewController::inPointTable() {
    static std::array<gfx::Point, kWordsPerPage> points{};
    return points;
}

std::array<gfx::Point, StoreSearchViewController::kWordsPerPage>& StoreSearchViewController::outPointTable() {
    static std::array<gfx::Point, kWordsPerPage> points{};
    return points;
}

StoreSearchViewController::~StoreSearchViewController() {
    clean();
}

std::pair<std::array<std::string, StoreSearchViewController::kWordsPerPage>, int>
StoreSearchViewController::pageTitles(const std::vector<std::string>& words, int flyCount) {
    if (flyCount >= kPages)
        flyCount = 0;
    const size_t start = static_cast<size_t>(flyCount) * kWordsPerPage;
    const size_t end = std::min(start + kWordsPerPage, words.size());
    std::array<std::string, kWordsPerPage> titles;
    for (size_t i = 0; start + i < end; ++i)
        titles[i] = words[start + i];
    return {titles, flyCount + 1};
}

std::array<gfx::Point, StoreSearchViewController::kWordsPerPage>
StoreSearchViewController::inPoints(const gfx::Rect& area, const std::array<int, 10>& draws) {
    const double stepX = std::trunc(area.size.width / 10);
    const double stepY = std::trunc(area.size.height / 10);
    std::array<gfx::Point, kWordsPerPage> out;
    for (int i = 0; i < kWordsPerPage; ++i) {
        const int v = draws[static_cast<size_t>(i)];
        out[static_cast<size_t>(i)] = {area.x() + (v % 10) * stepX, area.y() + (v / 10) * stepY};
    }
    return out;
}

gfx::Point StoreSearchViewController::outPoint(gfx::Point p, gfx::Point c) {
    return {p.x <= c.x ? -160 - p.x : 2 * p.x, p.y <= c.y ? -50 - p.y : 2 * p.y};
}

std::array<bool, StoreSearchViewController::kWordsPerPage>
StoreSearchViewController::hiddenByOverlap(const std::array<gfx::Rect, kWordsPerPage>& frames) {
    std::array<bool, kWordsPerPage> hidden{};
    for (size_t i = 0; i < frames.size(); ++i)
        for (size_t j = 0; j < frames.size(); ++j)
            if (i != j && frames[i].contains(frames[j].origin))
                hidden[j] = true;
    return hidden;
}

void StoreSearchViewController::viewDidLoad() {
    m_scroll = ui::View::create<ui::ScrollView>(view()->bounds());
    m_scroll->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    view()->addSubview(m_scroll);
    const double w = m_scroll->bounds().size.width;
    m_topView = ui::View::create(gfx::Rect{0, 0, w, 44});
    m_topView->setAutoresizingMask(ui::FlexibleWidth);
    m_scroll->addSubview(m_topView);
    m_searchBar = ui::View::create<ui::SearchBar>();
    m_searchBar->setFrame({0, 0, w - 80, 44});
    m_searchBar->setAutoresizingMask(ui::FlexibleWidth);
    m_searchBar->setBackgroundColor(gfx::Color::clear());
    m_searchBar->setBackgroundImage(ui::BundleImage::named("searchbg.png"));
    m_searchBar->setPlaceholder("请输入要查找的关键字");
    m_searchBar->setShowsCancelButton(false);
    m_searchBar->setDelegate(std::static_pointer_cast<ui::SearchBarDelegate>(
        std::static_pointer_cast<StoreSearchViewController>(shared_from_this())));
    m_topView->addSubview(m_searchBar);
    std::weak_ptr<StoreBaseViewController> weak = weakSelf();
    auto me = [weak]() -> StoreSearchViewController* {
        auto s = weak.lock();
        return s ? static_cast<StoreSearchViewController*>(s.get()) : nullptr;
    };
    auto filter = ui::Button::create();
    filter->setFrame({m_searchBar->frame().maxX() + 10, (44 - 30) / 2.0, 60, 29});
    filter->setAutoresizingMask(ui::FlexibleLeftMargin);
    filter->setBackgroundImage(ui::BundleImage::named("buy_chapter_button.png").stretchable(8, 10));
    filter->titleLabel().setFont(gfx::Font::systemFont(12));
    filter->setTitleColor(gfx::Color::black());
    filter->setTitle("分类筛选");
    filter->addTarget(
        [me](ui::Control&) {
            if (auto* s = me())
                s->goToFilterView();
        },
        ui::ControlEventTouchUpInside);
    m_topView->addSubview(filter);
    m_animateView = ui::View::create(gfx::Rect{0, 44, w, m_scroll->bounds().size.height - 185});
    m_animateView->setAutoresizingMask(ui::FlexibleWidth);
    m_scroll->addSubview(m_animateView);
    auto more = ui::Button::create();
    more->setFrame({20, m_animateView->frame().maxY(), w - 40, 35});
    more->setAutoresizingMask(ui::FlexibleLeftMargin | ui::FlexibleWidth | ui::FlexibleRightMargin);
    more->titleLabel().setFont(gfx::Font::systemFont(14));
    more->setTitleColor(gfx::Color::fromWhite(1.0 / 3));
    more->setTitleColor(gfx::Color::black(), ui::ControlStateHighlighted);
    more->setTitle("更多热词...");
    more->addTarget(
        [me](ui::Control&) {
            if (auto* s = me())
                s->showSearchTopsAnimate();
        },
        ui::ControlEventTouchUpInside);
    m_scroll->addSubview(more);
    m_contentHeight = more->frame().maxY();
    m_scroll->setContentSize({w, m_contentHeight});
    auto tap = ui::TapGestureRecognizer::create([me](ui::GestureRecognizer&) {
        if (auto* s = me())
            s->handleViewTap();
    });
    tap->shouldReceiveTouch = [me](ui::GestureRecognizer&, const ui::Touch& touch) {
        auto* s = me();
        if (!s)
            return false;
        s->m_currentTouchPoint = touch.locationInView(s->view().get());
        auto hit = touch.view.lock();
        // Only the screen's own view and the stage: buttons and the bar keep their touches.
        return hit.get() == s->view().get() || hit == s->m_animateView;
    };
    view()->addGestureRecognizer(tap);
    StoreBaseViewController::viewDidLoad();
    m_arrInBtns = genButtonsWithTag(9);
    m_arrOutBtns = genButtonsWithTag(55);
    m_flyCount = 0;
    requestSearchTops();
    Ostra::createOstraReferrer(className(), title(), className(), className(), className(), className());
}

void StoreSearchViewController::viewDidUnload() {
    StoreBaseViewController::viewDidUnload();
    clean();
}

void StoreSearchViewController::clean() {
    m_words.clear();
    m_arrInBtns.clear();
    m_arrOutBtns.clear();
}

void StoreSearchViewController::willAnimateRotationToInterfaceOrientation(device::Orientation o, double d) {
    if (m_scroll)
        m_scroll->setContentSize({m_scroll->bounds().size.width, m_contentHeight});
    StoreBaseViewController::willAnimateRotationToInterfaceOrientation(o, d);
}

std::vector<std::shared_ptr<ui::Button>> StoreSearchViewController::genButtonsWithTag(int tag) {
    std::vector<std::shared_ptr<ui::Button>> buttons;
    std::weak_ptr<StoreBaseViewController> weak = weakSelf();
    for (int i = 0; i < kWordsPerPage; ++i) {
        auto b = ui::Button::create();
        b->setAutoresizingMask(ui::FlexibleLeftMargin | ui::FlexibleRightMargin | ui::FlexibleBottomMargin);
        b->setFrame({0, 0, 250, 20});
        b->titleLabel().setShadowOffset({0.5, 0.5});
        b->setHidden(true);
        b->setTag(tag);
        ui::Button* raw = b.get();
        b->addTarget(
            [weak, raw](ui::Control&) {
                if (auto s = weak.lock())
                    static_cast<StoreSearchViewController*>(s.get())->keywordClick(*raw);
            },
            ui::ControlEventTouchUpInside);
        m_scroll->addSubview(b);
        buttons.push_back(b);
    }
    return buttons;
}

void StoreSearchViewController::requestSearchTops() {
    startStoreRequest(searchTopsUrl(), 0, 30, false);
}

void StoreSearchViewController::requestFinished(RQHTTPRequest& request) {
    stopIndicator();
    auto answer = SiteAnswer::cleanedJSON(request);
    if (!answer)
        return;
    const core::Value* data = answer->get("Data");
    if (!data || !data->asArray() || data->asArray()->empty())
        return;
    for (const auto& e : *data->asArray())
        m_words.push_back(e["LabelName"].asString().value_or(""));
    showSearchTopsAnimate();
}

void StoreSearchViewController::requestFailed(RQHTTPRequest&) {
    stopIndicator();
}

void StoreSearchViewController::showSearchTopsAnimate() {
    if (m_isKeywordFlyingToSch)
        return;
    if (m_words.empty()) {
        if (!m_retrySearchTops) {
            m_retrySearchTops = true;
            requestSearchTops();
        }
        return;
    }
    flyOut();
    auto [titles, next] = pageTitles(m_words, m_flyCount);
    m_flyCount = next;
    for (size_t i = 0; i < titles.size() && i < m_arrInBtns.size(); ++i)
        m_arrInBtns[i]->setTitle(titles[i]);
    flyIn();
}

void StoreSearchViewController::computePositionInView(ui::View& stage) {
    const bool pad = currentDeviceKind() == DeviceKind::Tablet;
    const gfx::Rect area = stage.frame().insetBy(pad ? 70 : 35, pad ? 100 : 12);
    std::array<int, 10> draws{};
    for (auto& d : draws)
        d = ((m_random() % 100) + 100) % 100;
    inPointTable() = inPoints(area, draws);
    const gfx::Point c = stage.frame().center();
    for (size_t i = 0; i < inPointTable().size(); ++i)
        outPointTable()[i] = outPoint(inPointTable()[i], c);
}

void StoreSearchViewController::flyIn() {
    computePositionInView(*m_animateView);
    std::array<gfx::Rect, kWordsPerPage> frames;
    for (size_t i = 0; i < m_arrInBtns.size(); ++i) {
        auto& b = *m_arrInBtns[i];
        b.setHidden(true);
        b.setTag(9);
        b.titleLabel().setFont(gfx::Font::systemFont(12 + m_random() % 5));
        const int red = m_random() % 255, green = m_random() % 255, blue = m_random() % 255;
        b.setTitleColor(gfx::Color::fromRGB255(red, green, blue));
        b.sizeToFit();
        b.setFrame({inPointTable()[i].x, inPointTable()[i].y, b.frame().size.width, b.frame().size.height});
        frames[i] = b.frame();
    }
    const auto hidden = hiddenByOverlap(frames);
    const gfx::Point centre = view()->bounds().center();
    for (size_t i = 0; i < m_arrInBtns.size(); ++i) {
        auto& button = *m_arrInBtns[i];
        button.setTag(hidden[i] ? 99 : 9);
        button.setHidden(hidden[i] || button.currentTitle().empty());
        button.setCenter(centre);
    }
    for (size_t i = 0; i < m_arrInBtns.size(); ++i)
        flyInFromPoint(centre, inPointTable()[i], *m_arrInBtns[i]);
}

void StoreSearchViewController::flyOut() {
    for (size_t i = 0; i < m_arrInBtns.size() && i < m_arrOutBtns.size(); ++i) {
        auto& in = *m_arrInBtns[i];
        auto& out = *m_arrOutBtns[i];
        out.setCenter(in.center());
        out.setFrame(in.frame());
        out.titleLabel().setFont(in.titleLabel().font());
        out.setTitle(in.currentTitle());
        out.setTitleColor(in.titleLabel().textColor());
        out.setHidden(in.isHidden());
        in.setHidden(true);
    }
    for (size_t i = 0; i < m_arrOutBtns.size(); ++i)
        flyOutToPoint(outPointTable()[i], *m_arrOutBtns[i]);
}

namespace {

// One flight: the position along the path with, where given, the scale and
// the opacity going from the first value to the second; added without a key
// and removed at its end, and the view then stays at the path's end.
void fly(ui::View& view, std::vector<gfx::Point> path, std::optional<std::pair<double, double>> scale,
         std::optional<std::pair<double, double>> opacity, double duration) {
    auto group = std::make_shared<ui::AnimationGroup>();
    auto position = std::make_shared<ui::PropertyAnimation>("position");
    position->path = path;
    position->duration = duration;
    group->animations.push_back(position);
    if (scale)
        group->animations.push_back(ui::PropertyAnimation::basic("transform.scale", scale->first, scale->second, duration));
    if (opacity)
        group->animations.push_back(
            ui::PropertyAnimation::basic("opacity", opacity->first, opacity->second, duration));
    group->duration = duration;
    view.layer()->addAnimation(group, "");
    view.setCenter(path.back());
}

} // namespace

void StoreSearchViewController::flyInFromPoint(gfx::Point from, gfx::Point to, ui::View& view) {
    fly(view, {from, to}, std::pair{0.1, 1.0}, std::pair{0.1, 1.0}, kFlyInDuration);
}

void StoreSearchViewController::flyOutToPoint(gfx::Point to, ui::View& view) {
    fly(view, {view.center(), to}, std::pair{1.0, 1.5}, std::pair{1.0, 0.1}, kFlyOutDuration);
}

std::vector<gfx::Point> StoreSearchViewController::curvePath(gfx::Point from, gfx::Point to) {
    // A quadratic curve whose control point stands below (or above) the end,
    // level with the start, drawn as a polyline fine enough for the eye.
    const gfx::Point control{to.x, from.y};
    constexpr int kSegments = 16;
    std::vector<gfx::Point> path;
    for (int i = 0; i <= kSegments; ++i) {
        const double t = static_cast<double>(i) / kSegments, u = 1 - t;
        path.push_back({u * u * from.x + 2 * u * t * control.x + t * t * to.x,
                        u * u * from.y + 2 * u * t * control.y + t * t * to.y});
    }
    return path;
}

void StoreSearchViewController::moveFromPoint(gfx::Point from, gfx::Point to, ui::View& view) {
    fly(view, curvePath(from, to), std::nullopt, std::nullopt, kMoveDuration);
}

void StoreSearchViewController::keywordClick(ui::Button& button) {
    m_searchBar->resignFirstResponder();
    if (m_isKeywordFlyingToSch || button.currentTitle().empty())
        return;
    m_isKeywordFlyingToSch = true;
    m_kwBtnFrame = button.frame();
    const gfx::Point target{33 + button.frame().size.width / 2, m_searchBar->frame().y() + 21};
    moveFromPoint(m_currentTouchPoint, target, button);
    auto keep = std::static_pointer_cast<ui::Button>(button.sharedFromThis());
    performAfter(kMoveDuration, [this, keep] { afterKeywordMove(*keep); });
}

void StoreSearchViewController::afterKeywordMove(ui::Button& button) {
    auto keep = std::static_pointer_cast<ui::Button>(button.sharedFromThis());
    ui::View::animate(0.3, [keep] { keep->setAlpha(0); });
    m_searchBar->setText(button.currentTitle());
    performAfter(0.4, [this, keep] { afterKeywordMoveThenSearch(*keep); });
}

void StoreSearchViewController::afterKeywordMoveThenSearch(ui::Button& button) {
    openSearch(button.currentTitle());
    auto keep = std::static_pointer_cast<ui::Button>(button.sharedFromThis());
    performAfter(0.8, [this, keep] { afterKeywordMoveAndSearch(*keep); });
}

void StoreSearchViewController::afterKeywordMoveAndSearch(ui::Button& button) {
    button.setAlpha(1);
    button.setFrame(m_kwBtnFrame);
    m_isKeywordFlyingToSch = false;
}

void StoreSearchViewController::searchBarSearchButtonClicked(ui::SearchBar& bar) {
    bar.resignFirstResponder();
    const std::string text = bar.text();
    if (!text.empty())
        openSearch(text);
}

void StoreSearchViewController::openSearch(const std::string& text) {
    auto results = StoreSearchResultController::create();
    results->keyword = text;
    results->isSearchByKeyword = true;
    results->setTitle("搜索：" + text);
    if (auto* nav = navigationController())
        nav->pushViewController(results, true);
}

void StoreSearchViewController::goToFilterView() {
    if (m_isKeywordFlyingToSch)
        return;
    m_searchBar->resignFirstResponder();
    if (auto* nav = navigationController())
        nav->pushViewController(StoreSearchFilterController::create(), true);
}

void StoreSearchViewController::handleViewTap() {
    m_searchBar->resignFirstResponder();
}

} // namespace pw

#include "account/LocalBuyChapterController.h"

#include "foundation/frame/PagewellAppDelegate.h"
#include "network/RQFormDataRequest.h"
#include "account/AccountControls.h"
#include "account/ReplyValue.h"
#include "foundation/paths/AppPaths.h"
#include "platform/core/RunLoop.h"
#include "platform/ui/Application.h"
#include "platform/ui/BundleImage.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/TapGestureRecognizer.h"
#include "platform/ui/TableViewCell.h"

#include <cmath>
#include "site/RZFormDataRequest.h"
#include "site/RZHTTPRequest.h"
#include "site/Ostra.h"
#include "site/SiteAnswer.h"

namespace pw {
namespace {

constexpr double kTimeout = 30;
constexpr const char* kClassName = "LocalBuyChapterController";

using ReplyValue::wholeNumber;

} // namespace

std::shared_ptr<LocalBuyChapterController> LocalBuyChapterController::create() {
    return ViewController::create<LocalBuyChapterController>();
}

void LocalBuyChapterController::remember(const std::shared_ptr<RQHTTPRequest>& request) {
    std::erase_if(m_earlier, [](const std::weak_ptr<RQHTTPRequest>& w) { return w.expired(); });
    m_earlier.push_back(request);
}

void LocalBuyChapterController::cancelRequests() {
    // The requests replaced while running too: nothing answers a screen that is gone.
    for (auto& weak : m_earlier)
        if (auto r = weak.lock())
            r->clearDelegatesAndCancel();
    m_earlier.clear();
}

std::shared_ptr<LocalBuyChapterController> LocalBuyChapterController::self() {
    return std::static_pointer_cast<LocalBuyChapterController>(shared_from_this());
}

LocalBuyChapterController::~LocalBuyChapterController() {
    m_finishing.cancel();
    m_scrollbarFade.cancel();
    cancelRequests();
}

void LocalBuyChapterController::get(const std::string& url, int tag) {
    auto request = RZHTTPRequest::requestWithURL(url);
    request->setShowAccurateProgress(false);
    request->setTimeOutSeconds(kTimeout);
    request->setTag(tag);
    request->setDelegate(std::static_pointer_cast<RQHTTPRequestDelegate>(self()));
    // Replacing the property leaves an earlier GET running; its answer is
    // still read, by its tag.
    m_request = request;
    remember(request);
    m_busy = true;
    if (m_indicator)
        m_indicator->startAnimating();
    request->startAsynchronous();
}

void LocalBuyChapterController::open() {
    setButtonEnable(false);
    const std::string url =
        SiteAnswer::url(SiteHosts::Service::Interface, "/api/GetVipChapter.ashx?BookId=" + std::to_string(rzBookId) +
                                                           "&ChapterId=" + std::to_string(chapterId));
    get(url, kTagChapterInfo);
    Ostra::createOstraReferrer(kClassName, "单章订阅章节", kClassName, url, "BuyChapterSingle", "BuyChapterSingle");
}

void LocalBuyChapterController::setCurrPage(int page) {
    m_currPage = page;
    requestBuyChapterList();
}

void LocalBuyChapterController::requestBuyChapterList() {
    if (m_currPage != 1)
        return;
    if (m_vipChapters.asArray() && !m_vipChapters.asArray()->empty()) {
        if (m_vipTable)
            m_vipTable->reloadData();
        return;
    }
    const std::string url = SiteAnswer::url(SiteHosts::Service::Interface,
                                            "/api/GetBuyChapterList.ashx?BookId=" + std::to_string(rzBookId));
    Ostra::createOstraReferrer(kClassName, "批量订阅", kClassName, url, kClassName, kClassName);
    get(url, kTagChapterList);
}

void LocalBuyChapterController::buy(int tag, const std::string& type, const std::string& forward,
                                    const std::string& chapterList) {
    auto form =
        RZFormDataRequest::requestWithURL(SiteAnswer::url(SiteHosts::Service::Interface, "/api/BuyVipChapter.ashx"));
    form->setPostFormat(RQFormDataRequest::URLEncodedPostFormat);
    form->setStringEncoding("UTF-8");
    form->addPostValue(std::to_string(rzBookId), "bookId");
    form->addPostValue(std::to_string(chapterId), "chapterid");
    form->addPostValue(type, "type");
    form->addPostValue(forward, "forward");
    form->addPostValue(chapterList, "ChapterList");
    form->setTimeOutSeconds(kTimeout);
    form->setTag(tag);
    form->setDelegate(std::static_pointer_cast<RQHTTPRequestDelegate>(self()));
    // A purchase still on its way is not cancelled: the site may have taken
    // the money, and its answer says what to download. It is kept with the
    // GETs so that nothing answers a screen that is gone.
    m_requestForm = form;
    remember(form);
    m_busy = true;
    setButtonEnable(false);
    if (m_indicator)
        m_indicator->startAnimating();
    form->startAsynchronous();
}

void LocalBuyChapterController::btnThisChapterClick() {
    buy(kTagBuyThis, "0", "", "");
}

void LocalBuyChapterController::btnAllChapterClick() {
    buy(kTagBuyAll, "1", "", "");
}

void LocalBuyChapterController::btnAfterChapterClick(int count) {
    buy(kTagBuyForward, "2", std::to_string(count), "");
}

void LocalBuyChapterController::btnBuySelected() {
    if (m_selected.empty()) {
        showTip("请选择章节");
        return;
    }
    std::string list;
    for (int64_t id : m_selected)
        list += (list.empty() ? "" : ",") + std::to_string(id);
    buy(kTagBuyChosen, "3", "", list);
}

void LocalBuyChapterController::btnSelectedAll() {
    m_selected.clear();
    if (m_selectAllTitle == "全选") {
        if (auto* list = m_vipChapters.asArray())
            for (const auto& chapter : *list)
                m_selected.insert(wholeNumber(chapter["ChapterId"]));
        m_selectAllTitle = "全部取消";
    } else {
        m_selectAllTitle = "全选";
    }
    if (m_btnSelectedAll)
        m_btnSelectedAll->setTitle(m_selectAllTitle);
    if (m_vipTable)
        m_vipTable->reloadData();
}

void LocalBuyChapterController::toggleChapter(int64_t id) {
    if (!m_selected.erase(id))
        m_selected.insert(id);
}

void LocalBuyChapterController::showTip(std::string text) {
    m_tip = std::move(text);
    if (m_pProgressHUD)
        m_pProgressHUD->showTipsWithoutLoadingHideDelay(m_tip, 2);
}

void LocalBuyChapterController::requestFinished(RQHTTPRequest& request) {
    m_busy = false;
    if (m_indicator)
        m_indicator->stopAnimating();
    const auto reply = SiteAnswer::cleanedJSON(request);
    const bool parsed = reply && reply->isMap();
    const int tag = request.tag();
    switch (tag) {
    case kTagChapterInfo:
        if (!parsed) {
            showTip("获取章节信息失败");
        } else if (wholeNumber((*reply)["Result"]) == 1) {
            finish(std::to_string(rzBookId) + "," + std::to_string(chapterId));
            return;
        } else {
            m_bookName = (*reply)["BookName"].asString().value_or("");
            m_chapterName = (*reply)["ChapterName"].asString().value_or("");
            m_price = std::to_string(wholeNumber((*reply)["Price"]));
            m_own = std::to_string(wholeNumber((*reply)["Balance"]));
            m_wordCount = "字数：" + std::to_string(wholeNumber((*reply)["WordsCount"]));
            refreshLabels();
        }
        break;
    case kTagChapterList:
        if (!parsed || wholeNumber((*reply)["Result"]) != 0 || !(*reply)["Chapter"].isArray())
            showTip("获取 VIP 章节列表失败");
        else
            m_vipChapters = (*reply)["Chapter"];
        if (m_vipTable)
            m_vipTable->reloadData();
        break;
    case kTagBuyThis:
    case kTagBuyAll:
    case kTagBuyForward:
    case kTagBuyChosen: {
        // An answer without a result code bought nothing: it must not read as 0.
        const int64_t result = (parsed ? ReplyValue::integerOf((*reply)["Result"]) : std::nullopt).value_or(99);
        if (result == 0 || result == 1) {
            m_popToRoot = false;
            finish(std::to_string(rzBookId) + "," + std::to_string(chapterId));
            return;
        }
        if (result == 2) {
            m_popToRoot = true;
            finish(std::to_string(rzBookId));
            return;
        }
        if (result >= -5 && result <= -1)
            showTip((*reply)["Message"].asString().value_or("订阅失败"));
        else
            showTip("订阅失败");
        break;
    }
    default:
        break;
    }
    setButtonEnable(true);
}

void LocalBuyChapterController::requestFailed(RQHTTPRequest&) {
    m_busy = false;
    if (m_indicator)
        m_indicator->stopAnimating();
    setButtonEnable(true);
}

void LocalBuyChapterController::finish(std::string result) {
    std::weak_ptr<LocalBuyChapterController> weak = self();
    m_finishing.cancel();
    m_finishing = core::RunLoop::current().postAfter(0.5, [weak, result = std::move(result)] {
        if (auto self = weak.lock())
            self->navBack(result);
    });
}

void LocalBuyChapterController::navBack(const std::string& result) {
    auto keep = self(); // the caller may let go of the screen while told
    if (!m_popToRoot) {
        if (popScreen)
            popScreen();
        else if (auto* nav = navigationController())
            nav->popViewControllerAnimated(true);
    }
    if (callback)
        callback(result);
    else
        setButtonEnable(true);
}

// ---- the screen

namespace {

constexpr double kStripHeight = 35;
constexpr double kBottomBar = 45;
constexpr const char* kButtonImage = "buy_chapter_button.png";

} // namespace

std::shared_ptr<ui::Label> LocalBuyChapterController::genLabelWithFrame(const gfx::Rect& frame, double fontSize,
                                                                        std::optional<gfx::Color> colour,
                                                                        const std::string& text, ui::View& container) {
    auto label = ui::View::create<ui::Label>(frame);
    if (fontSize > 0)
        label->setFont(gfx::Font::boldSystemFont(fontSize));
    if (colour)
        label->setTextColor(*colour);
    label->setText(text);
    label->setMinimumFontSize(9);
    label->setAdjustsFontSizeToFitWidth(true);
    label->setBackgroundColor(gfx::Color::clear());
    container.addSubview(label);
    return label;
}

std::shared_ptr<ui::Button> LocalBuyChapterController::genButtonWithFrame(const gfx::Rect& frame,
                                                                          const std::string& backgroundImage,
                                                                          const std::string& title,
                                                                          ui::View& container) {
    return AccountControls::imageButton(frame, backgroundImage, 8, 10, title, 12, container);
}

void LocalBuyChapterController::setButtonEnable(bool enabled) {
    m_buttonsEnabled = enabled;
    for (auto* b :
         {m_btnThisChapter.get(), m_btnAllChapter.get(), m_btnTenChapter.get(), m_btnTwentyChapter.get(),
          m_btnFiftyChapter.get(), m_btnOneHundredChapter.get(), m_btnSelectedAll.get(), m_btnBuySelectd.get()})
        if (b)
            b->setEnabled(enabled);
}

ui::Button* LocalBuyChapterController::btnForward(int count) const {
    switch (count) {
    case 10:
        return m_btnTenChapter.get();
    case 20:
        return m_btnTwentyChapter.get();
    case 50:
        return m_btnFiftyChapter.get();
    case 100:
        return m_btnOneHundredChapter.get();
    default:
        return nullptr;
    }
}

void LocalBuyChapterController::rechargeAccount() {
    AccountControls::openInBrowser(SiteHosts::baseUrl(SiteHosts::Service::Mobile) + "/Profile/Charge.aspx");
}

std::optional<double> LocalBuyChapterController::quickScrollTarget(bool down, double offset, double rowHeight,
                                                                   double contentHeight, double tableHeight) {
    const double distance = 200 * rowHeight;
    // Never past either end of the list, whatever its length.
    const double last = std::max(0.0, contentHeight - tableHeight);
    if (down) {
        const double target = std::min(offset + distance, last);
        if (target <= 0 || target <= offset)
            return std::nullopt;
        return target;
    }
    const double target = std::max(offset - distance, 0.0);
    if (target >= offset)
        return std::nullopt;
    return target;
}

void LocalBuyChapterController::scrollbarTap(double y) {
    if (!m_vipTable || !m_scrollbar)
        return;
    m_scrollbarFade.cancel();
    m_scrollbar->setAlpha(0.9);
    const bool down = y > m_scrollbar->bounds().height() / 2;
    if (auto target = quickScrollTarget(down, m_vipTable->contentOffset().y, m_vipTable->rowHeight,
                                        m_vipTable->contentSize().height, m_vipTable->bounds().height()))
        m_vipTable->setContentOffset({m_vipTable->contentOffset().x, *target}, true);
    std::weak_ptr<ui::ImageView> bar = m_scrollbar;
    m_scrollbarFade = core::RunLoop::current().postAfter(1.0, [bar] {
        if (auto b = bar.lock())
            ui::View::animate(0.2, [&] { b->setAlpha(0.3); });
    });
}

void LocalBuyChapterController::loadView() {
    auto view = ui::View::create(gfx::Rect(0, 0, 320, 416));
    view->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    setView(view);
}

void LocalBuyChapterController::viewDidLoad() {
    setTitle("章节订阅");
    auto& v = *view();
    v.setBackgroundColor(gfx::Color::fromRGB255(238, 238, 238));
    const double width = v.bounds().width();

    m_sectionView = HorizontalScrollButtonsView::initWithFrame({0, 0, width, kStripHeight});
    m_sectionView->setAutoresizingMask(ui::FlexibleWidth);
    m_sectionView->setDelegate(std::static_pointer_cast<HorizontalScrollButtonsDelegate>(self()));
    m_sectionView->setButtonNames({"单章订阅", "批量订阅"});
    v.addSubview(m_sectionView);

    m_bottomScroll = RZScrollView::initWithFrame({0, kStripHeight, width, v.bounds().height() - kStripHeight});
    m_bottomScroll->setTag(30);
    m_bottomScroll->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    m_bottomScroll->setDelegate(
        std::static_pointer_cast<ui::ScrollViewDelegate>(std::static_pointer_cast<ui::TableViewDelegate>(self())));
    v.addSubview(m_bottomScroll);

    m_leftScroll = ui::View::create<ui::ScrollView>(m_bottomScroll->bounds());
    m_rightScroll = ui::View::create(m_bottomScroll->bounds());
    // The screen may change height after it appeared (the reader it was
    // opened from gives the status bar back): the pages follow the pager so
    // page 1's bar stays on screen.
    m_leftScroll->setAutoresizingMask(ui::FlexibleHeight);
    m_rightScroll->setAutoresizingMask(ui::FlexibleHeight);
    m_bottomScroll->addHorizontalSubview(m_leftScroll);
    m_bottomScroll->addHorizontalSubview(m_rightScroll);
    buildPage0(*m_leftScroll);
    buildPage1(*m_rightScroll);

    m_indicator = ui::View::create<ui::ActivityIndicatorView>(ui::ActivityIndicatorStyle::Gray);
    m_indicator->sizeToFit();
    m_indicator->setCenter(v.bounds().center());
    m_indicator->setAutoresizingMask(ui::FlexibleLeftMargin | ui::FlexibleRightMargin | ui::FlexibleTopMargin |
                                     ui::FlexibleBottomMargin);
    v.addSubview(m_indicator);

    m_pProgressHUD = ProgressHUD::initWithView(&v);
    m_pProgressHUD->animationType = ProgressHUDAnimationZoom;
    m_pProgressHUD->setCustomView(ui::View::create(gfx::Rect()));
    v.addSubview(m_pProgressHUD);

    open();
    // The list page's own two buttons are there from the start.
    m_btnSelectedAll->setEnabled(true);
    m_btnBuySelectd->setEnabled(true);
}

void LocalBuyChapterController::buildPage0(ui::View& page) {
    std::weak_ptr<LocalBuyChapterController> weak = self();
    const gfx::Rect cover(20, 20, 74, 92);
    auto shadow = ui::View::create<ui::ImageView>(ui::BundleImage::named("bookmask.9.png"));
    shadow->setFrame(cover.offsetBy(2, 2));
    page.addSubview(shadow);
    auto coverView = ui::View::create<ui::ImageView>();
    coverView->setFrame(cover);
    if (auto picture = gfx::Image::fromFile(AppPaths::coverFile(rzBookId).string()))
        coverView->setImage(*picture);
    page.addSubview(coverView);

    const double right = cover.maxX() + 15;
    m_lblBookName = genLabelWithFrame({right, cover.y() + 5, 200, 30}, 0, std::nullopt, m_bookName, page);
    m_lblAuthor =
        genLabelWithFrame({right, m_lblBookName->frame().maxY() + 10, 200, 30}, 14, gfx::Color::darkGray(), m_wordCount, page);
    m_lblChapterName = genLabelWithFrame({cover.x(), cover.maxY() + 15, 270, 30}, 14, std::nullopt, m_chapterName, page);
    const double priceY = m_lblChapterName->frame().maxY() + 10;
    genLabelWithFrame({cover.x(), priceY, 100, 30}, 14, gfx::Color::darkGray(), "所需墨川币：", page);
    m_lblPrice = genLabelWithFrame({cover.x() + 100, priceY, 55, 30}, 14, gfx::Color::red(), m_price, page);
    m_lblPrice->setTextAlignment(gfx::TextAlignment::Center);
    genLabelWithFrame({cover.x() + 155, priceY, 20, 30}, 14, std::nullopt, "点", page);
    const double ownY = m_lblChapterName->frame().maxY() + 40;
    genLabelWithFrame({cover.x(), ownY, 130, 30}, 14, std::nullopt, "您目前拥有墨川币：", page);
    m_lblOwn = genLabelWithFrame({cover.x() + 130, ownY, 85, 30}, 14, gfx::Color::red(), m_own, page);
    m_lblOwn->setTextAlignment(gfx::TextAlignment::Center);
    genLabelWithFrame({cover.x() + 215, ownY, 20, 30}, 14, std::nullopt, "点", page);
    auto recharge = genButtonWithFrame({cover.x() + 235, ownY - 2, 38, 35}, kButtonImage, "充值", page);
    recharge->addTarget(
        [weak](ui::Control&) {
            if (auto s = weak.lock())
                s->rechargeAccount();
        },
        ui::ControlEventTouchUpInside);

    const double buyY = ownY + 30 + 15;
    m_btnThisChapter = genButtonWithFrame({cover.x(), buyY, 130, 35}, kButtonImage, "订阅本章", page);
    const double allX = AccountControls::isPad() ? cover.x() + 150 : page.bounds().width() - 150;
    m_btnAllChapter = genButtonWithFrame({allX, buyY, 130, 35}, kButtonImage, "订阅全部", page);
    m_btnThisChapter->addTarget(
        [weak](ui::Control&) {
            if (auto s = weak.lock())
                s->btnThisChapterClick();
        },
        ui::ControlEventTouchUpInside);
    m_btnAllChapter->addTarget(
        [weak](ui::Control&) {
            if (auto s = weak.lock())
                s->btnAllChapterClick();
        },
        ui::ControlEventTouchUpInside);

    const double forwardY = ownY + 30 + 65;
    genLabelWithFrame({cover.x(), forwardY, 80, 35}, 14, std::nullopt, "向后订阅：", page);
    double x = cover.x() + 80 + 5;
    for (int n : {10, 20, 50, 100}) {
        const double w = n == 100 ? 50 : 40;
        auto b = genButtonWithFrame({x, forwardY, w, 35}, kButtonImage, std::to_string(n) + "章", page);
        b->setTag(n);
        b->addTarget(
            [weak](ui::Control& sender) {
                if (auto s = weak.lock())
                    s->btnAfterChapterClick(sender.tag());
            },
            ui::ControlEventTouchUpInside);
        (n == 10   ? m_btnTenChapter
         : n == 20 ? m_btnTwentyChapter
         : n == 50 ? m_btnFiftyChapter
                   : m_btnOneHundredChapter) = b;
        x += w + 8;
    }
}

void LocalBuyChapterController::buildPage1(ui::View& page) {
    std::weak_ptr<LocalBuyChapterController> weak = self();
    const gfx::Rect b = page.bounds();
    m_vipTable = ui::TableView::create({0, 0, b.width(), b.height() - kBottomBar});
    m_vipTable->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    m_vipTable->setBackgroundColor(gfx::Color::clear());
    m_vipTable->setDataSource(std::static_pointer_cast<ui::TableViewDataSource>(self()));
    m_vipTable->setTableDelegate(std::static_pointer_cast<ui::TableViewDelegate>(self()));
    page.addSubview(m_vipTable);

    auto bar = ui::View::create<ui::ImageView>(ui::BundleImage::named("buy_chapter_bottom.png").stretchable(5, 0));
    bar->setFrame({0, b.height() - kBottomBar, b.width(), kBottomBar});
    bar->setUserInteractionEnabled(true);
    bar->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleTopMargin);
    page.addSubview(bar);
    const double left = (b.width() - 280) / 2;
    m_btnSelectedAll = genButtonWithFrame({left, 5, 130, 35}, kButtonImage, m_selectAllTitle, *bar);
    m_btnBuySelectd = genButtonWithFrame({left + 150, 5, 130, 35}, kButtonImage, "订阅", *bar);
    for (auto* btn : {m_btnSelectedAll.get(), m_btnBuySelectd.get()})
        btn->setAutoresizingMask(ui::FlexibleLeftMargin | ui::FlexibleRightMargin);
    m_btnSelectedAll->addTarget(
        [weak](ui::Control&) {
            if (auto s = weak.lock())
                s->btnSelectedAll();
        },
        ui::ControlEventTouchUpInside);
    m_btnBuySelectd->addTarget(
        [weak](ui::Control&) {
            if (auto s = weak.lock())
                s->btnBuySelected();
        },
        ui::ControlEventTouchUpInside);

    m_scrollbar = ui::View::create<ui::ImageView>(ui::BundleImage::named("scrollbar.png"));
    m_scrollbar->setFrame({b.width() - 52, (b.height() - 100) / 2, 50, 100});
    m_scrollbar->setAlpha(0.3);
    m_scrollbar->setUserInteractionEnabled(true);
    m_scrollbar->setAutoresizingMask(ui::FlexibleLeftMargin | ui::FlexibleTopMargin | ui::FlexibleBottomMargin);
    std::weak_ptr<ui::ImageView> barView = m_scrollbar;
    m_scrollbar->addGestureRecognizer(ui::TapGestureRecognizer::create([weak, barView](ui::GestureRecognizer& g) {
        auto s = weak.lock();
        auto v = barView.lock();
        if (s && v)
            s->scrollbarTap(g.locationInView(v.get()).y);
    }));
    page.addSubview(m_scrollbar);
}

void LocalBuyChapterController::refreshLabels() {
    if (!m_lblBookName)
        return;
    m_lblBookName->setText(m_bookName);
    m_lblAuthor->setText(m_wordCount);
    m_lblChapterName->setText(m_chapterName);
    m_lblPrice->setText(m_price);
    m_lblOwn->setText(m_own);
}

void LocalBuyChapterController::layoutPages() {
    if (!m_bottomScroll)
        return;
    if (m_btnOneHundredChapter)
        m_leftScroll->setContentSize({m_leftScroll->bounds().width(), m_btnOneHundredChapter->frame().maxY() + 20});
    m_bottomScroll->reLayout();
    m_bottomScroll->scrollToPage(m_currPage, false);
    if (m_sectionView)
        m_sectionView->setButtonImagePositionWithIndex(m_currPage);
}

void LocalBuyChapterController::viewWillAppear(bool animated) {
    if (auto* nav = navigationController())
        nav->setNavigationBarHidden(false, animated);
    layoutPages();
}

void LocalBuyChapterController::viewDidUnload() {
    m_finishing.cancel();
    cancelRequests();
}

bool LocalBuyChapterController::shouldAutorotateToInterfaceOrientation(device::Orientation o) const {
    return PagewellAppDelegate::allowsOrientation(o);
}

void LocalBuyChapterController::didRotateFromInterfaceOrientation(device::Orientation) {
    layoutPages();
}

void LocalBuyChapterController::horizontalScrollButtonClick(ui::Button&, int index) {
    m_currPage = index;
    if (m_bottomScroll)
        m_bottomScroll->scrollToPage(index, true);
    requestBuyChapterList();
}

void LocalBuyChapterController::scrollViewDidScroll(ui::ScrollView& scroll) {
    if (scroll.tag() == 30 && m_sectionView)
        m_sectionView->setButtonImagePositionWithOriginX(scroll.contentOffset().x / 2);
}

void LocalBuyChapterController::swipeStopped() {
    const double w = m_bottomScroll->bounds().width();
    if (w <= 0)
        return;
    m_currPage = static_cast<int>(std::floor((m_bottomScroll->contentOffset().x - w / 2) / w)) + 1;
    m_sectionView->setButtonImagePositionWithIndex(m_currPage);
    requestBuyChapterList();
}

void LocalBuyChapterController::scrollViewDidEndDragging(ui::ScrollView& scroll, bool willDecelerate) {
    if (scroll.tag() == 30 && !willDecelerate)
        swipeStopped();
}

void LocalBuyChapterController::scrollViewDidEndDecelerating(ui::ScrollView& scroll) {
    if (scroll.tag() == 30)
        swipeStopped();
}

int64_t LocalBuyChapterController::numberOfRows(ui::TableView&, int64_t) {
    auto* list = m_vipChapters.asArray();
    return list ? static_cast<int64_t>(list->size()) : 0;
}

std::shared_ptr<ui::TableViewCell> LocalBuyChapterController::cellForRow(ui::TableView& table,
                                                                         const ui::IndexPath& ip) {
    auto cell = table.dequeueReusableCell("vip");
    if (!cell)
        cell = ui::TableViewCell::create(ui::TableViewCellStyle::Subtitle, "vip");
    const auto& chapter = (*m_vipChapters.asArray())[static_cast<size_t>(ip.row)];
    cell->textLabel().setText(chapter["ChapterName"].asString().value_or(""));
    cell->textLabel().setFont(gfx::Font::systemFont(14));
    cell->detailTextLabel().setText(" " + ReplyValue::textOf(chapter["Price"]) + " 点");
    cell->accessoryType = m_selected.count(wholeNumber(chapter["ChapterId"])) ? ui::TableViewCellAccessory::Checkmark
                                                                        : ui::TableViewCellAccessory::None;
    return cell;
}

void LocalBuyChapterController::didSelectRow(ui::TableView& table, const ui::IndexPath& ip) {
    auto* list = m_vipChapters.asArray();
    if (!list || ip.row < 0 || static_cast<size_t>(ip.row) >= list->size())
        return;
    toggleChapter(wholeNumber((*list)[static_cast<size_t>(ip.row)]["ChapterId"]));
    table.reloadRows({ip});
    table.deselectRow(ip, true);
}

} // namespace pw

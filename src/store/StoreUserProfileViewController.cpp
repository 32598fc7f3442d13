#include "store/StoreUserProfileViewController.h"

#include "account/ReplyValue.h"
#include "foundation/config/DeviceKind.h"
#include "foundation/hosts/SiteHosts.h"
#include "platform/core/NotificationCenter.h"
#include "platform/gfx/Font.h"
#include "platform/ui/Application.h"
#include "platform/ui/BundleImage.h"
#include "platform/ui/Button.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/TabBarController.h"
#include "site/Ostra.h"
#include "site/RZHTTPRequest.h"
#include "site/SiteAnswer.h"
#include "site/ZELLoginViewController.h"
#include "store/StoreBookDetailsController.h"
#include "store/StoreBookRow.h"
#include "store/StoreImageDownloader.h"

#include <cmath>

namespace pw {
namespace {

const char* const kShelfNames[] = {"VIP书架", "书架1", "书架2", "书架3"};

std::shared_ptr<ui::Label> panelLabel(ui::View& parent, const gfx::Rect& frame) {
    auto label = ui::View::create<ui::Label>(frame);
    label->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleRightMargin);
    label->setFont(gfx::Font::systemFont(13));
    label->setTextColor(gfx::Color::black());
    label->setShadowColor(gfx::Color::fromWhite(0.8, 0.9));
    label->setShadowOffset({0, 1});
    label->setBackgroundColor(gfx::Color::clear());
    parent.addSubview(label);
    return label;
}

// A value of the site's answer as the panel shows it: text as it is, a
// number as written (a balance of 12.5 included).
const auto shown = ReplyValue::textOf;

} // namespace

std::string StoreUserProfileViewController::chargeUrl() {
    return SiteAnswer::url(SiteHosts::Service::Mobile, "/Profile/Charge.aspx");
}

StoreUserProfileViewController::~StoreUserProfileViewController() {
    clean();
}

void StoreUserProfileViewController::viewDidLoad() {
    m_topIsOpen = true;
    const gfx::Rect b = view()->bounds();
    const double w = b.size.width;
    auto me = std::static_pointer_cast<StoreUserProfileViewController>(shared_from_this());
    m_topView = ui::View::create(gfx::Rect{0, 0, w, 141});
    m_topView->setAutoresizingMask(ui::FlexibleWidth);
    view()->addSubview(m_topView);
    m_profileView = ui::View::create(gfx::Rect{0, 0, w, 110});
    m_profileView->setAutoresizingMask(ui::FlexibleWidth);
    m_profileView->setBackgroundColor(gfx::Color::fromWhite(2.0 / 3));
    m_topView->addSubview(m_profileView);
    m_sectionView = ui::View::create<HorizontalFixButtonView>(gfx::Rect{0, 110, w, 31});
    m_sectionView->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleTopMargin);
    m_sectionView->setBackgroundColor(gfx::Color::clear());
    m_sectionView->setDelegate(std::static_pointer_cast<HorizontalFixButtonDelegate>(me));
    m_sectionView->setButtonNames(std::vector<std::string>(std::begin(kShelfNames), std::end(kShelfNames)));
    m_topView->addSubview(m_sectionView);

    m_imgCoverShadow = ui::View::create<ui::ImageView>(ui::BundleImage::named("bookmask.9.png"));
    m_imgCoverShadow->setFrame({22, 12, 50, 50});
    m_imgCoverShadow->setHidden(true);
    m_profileView->addSubview(m_imgCoverShadow);
    m_avatar = ui::View::create<ui::ImageView>(ui::BundleImage::named("placeholder_empty.png").stretchable(8, 10));
    m_avatar->setFrame({20, 10, 50, 50});
    m_profileView->addSubview(m_avatar);
    const double p = m_profileView->bounds().size.width;
    const gfx::Rect av = m_avatar->frame();
    m_lblNick = panelLabel(*m_profileView, {av.maxX() + 20, 10, p - av.maxX() - 15, 25});
    m_lblRZB = panelLabel(*m_profileView, {av.maxX() + 20, m_lblNick->frame().maxY() + 3, p - av.maxX() - 15, 19});
    std::weak_ptr<StoreBaseViewController> weak = weakSelf();
    auto button = [&](const char* title, const gfx::Rect& r, unsigned mask,
                      void (StoreUserProfileViewController::*f)()) {
        auto btn = ui::Button::create();
        btn->setFrame(r);
        btn->setAutoresizingMask(mask);
        btn->setBackgroundImage(ui::BundleImage::named("buy_chapter_button.png").stretchable(8, 10));
        btn->titleLabel().setFont(gfx::Font::systemFont(12));
        btn->setTitleColor(gfx::Color::black());
        btn->setTitle(title);
        btn->addTarget(
            [weak, f](ui::Control&) {
                if (auto s = weak.lock())
                    (static_cast<StoreUserProfileViewController*>(s.get())->*f)();
            },
            ui::ControlEventTouchUpInside);
        m_profileView->addSubview(btn);
        return btn;
    };
    const double bw = (p - 50) / 2;
    const double by = m_lblRZB->frame().maxY() + 15;
    auto charge = button("充值", {20, by, bw, 30}, ui::FlexibleWidth | ui::FlexibleRightMargin,
                         &StoreUserProfileViewController::rechargeAccount);
    button("同步墨川书架", {charge->frame().maxX() + 10, by, bw, 30}, ui::FlexibleLeftMargin | ui::FlexibleWidth,
           &StoreUserProfileViewController::syncBookcase);

    m_imageToken = core::NotificationCenter::defaultCenter().addObserver(
        StoreImageDownloader::kNotification, [weak](const core::Notification& n) {
            if (auto s = weak.lock())
                static_cast<StoreUserProfileViewController*>(s.get())->storeImageDown(n.payload);
        });
    m_bottomScroll = RZScrollView::initWithFrame({0, 141, w, b.size.height - 141});
    m_bottomScroll->setTag(10);
    m_bottomScroll->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    m_bottomScroll->setDelegate(
        std::static_pointer_cast<ui::ScrollViewDelegate>(std::static_pointer_cast<ui::TableViewDelegate>(me)));
    view()->addSubview(m_bottomScroll);
    int tag = kFirstShelfTag;
    for (ui::TableView* t : m_bottomScroll->genHorizontalTableView(kShelves)) {
        auto table = std::static_pointer_cast<ui::TableView>(t->sharedFromThis());
        table->setDataSource(std::static_pointer_cast<ui::TableViewDataSource>(me));
        table->setTableDelegate(std::static_pointer_cast<ui::TableViewDelegate>(me));
        table->setBackgroundColor(tableBackground());
        table->rowHeight = 125;
        auto header = MyRefreshTableHeaderView::initWithFrame({0, -60, w, 60});
        header->setDelegate(std::static_pointer_cast<MyRefreshTableHeaderDelegate>(me));
        header->setTag(tag);
        table->addSubview(header);
        table->setTag(tag++);
        m_arrTables.push_back(table);
        m_arrRefresh.push_back(header);
    }
    StoreBaseViewController::viewDidLoad();
    Ostra::createOstraReferrer(className(), title(), className(), className(), className(), className());
}

void StoreUserProfileViewController::viewDidUnload() {
    StoreBaseViewController::viewDidUnload();
    clean();
}

void StoreUserProfileViewController::clean() {
    for (auto& s : m_shelves)
        s.reset();
    m_arrTables.clear();
    m_arrRefresh.clear();
}

void StoreUserProfileViewController::viewWillAppear(bool animated) {
    StoreBaseViewController::viewWillAppear(animated);
    if (m_sectionView)
        m_sectionView->reLayout();
    if (m_bottomScroll) {
        m_bottomScroll->reLayout();
        m_bottomScroll->scrollToPage(m_currPage, false);
    }
}

void StoreUserProfileViewController::willAnimateRotationToInterfaceOrientation(device::Orientation o, double d) {
    StoreBaseViewController::willAnimateRotationToInterfaceOrientation(o, d);
    if (m_sectionView)
        m_sectionView->reLayout();
    if (m_bottomScroll) {
        m_bottomScroll->reLayout();
        m_bottomScroll->scrollToPage(m_currPage, false);
    }
}

void StoreUserProfileViewController::requestForProfile() {
    if (!m_isLogin)
        requestUserInfo(kUserInfoTag);
}

void StoreUserProfileViewController::requestUserInfo(int tag) {
    startIndicator();
    startStoreRequest(userInfoUrl(), tag, 30, false);
}

void StoreUserProfileViewController::finishPull(int tag) {
    if (!isShelfTag(tag) || m_arrRefresh.empty())
        return;
    m_arrRefresh[static_cast<size_t>(shelfIndex(tag))]->refreshScrollViewDataSourceDidFinishedLoading(
        *m_arrTables[static_cast<size_t>(shelfIndex(tag))]);
}

void StoreUserProfileViewController::requestBookCase(int shelfTag, bool always) {
    if (!m_canLoadCaseData) {
        finishPull(shelfTag);
        return;
    }
    int t = 0;
    if (isShelfTag(shelfTag)) {
        auto& rows = m_shelves[static_cast<size_t>(shelfIndex(shelfTag))];
        if (rows && !rows->empty() && !always)
            return;
        if (!rows || rows->empty())
            rows = Rows{};
        t = shelfIndex(shelfTag);
        m_arrRefresh[static_cast<size_t>(t)]->enterLoadingState();
    }
    startIndicator();
    startStoreRequest(bookCaseUrl(t), shelfTag, 20);
}

void StoreUserProfileViewController::loginCallback() {
    requestUserInfo(kUserInfoAfterLoginTag);
}

void StoreUserProfileViewController::backClick() {
    StoreBaseViewController::backClick();
    performAfter(0.3, [this] { selectFirstTab(); });
}

void StoreUserProfileViewController::selectFirstTab() {
    for (ui::ViewController* p = parentViewController(); p; p = p->parentViewController())
        if (auto* tabs = dynamic_cast<ui::TabBarController*>(p)) {
            tabs->setSelectedIndex(0);
            return;
        }
}

void StoreUserProfileViewController::rechargeAccount() {
    ui::Application::shared().openURL(chargeUrl());
}

void StoreUserProfileViewController::syncBookcase() {
    setDownType(StoreActionSyncBookcase);
    checkIsLoginWithInfo(std::nullopt);
}

void StoreUserProfileViewController::openTop(bool open) {
    m_topIsOpen = open;
    if (currentDeviceKind() == DeviceKind::Tablet)
        return;
    const double w = view()->bounds().size.width;
    const double h = view()->bounds().size.height;
    auto top = m_topView;
    auto bottom = m_bottomScroll;
    ui::BlockAnimationOptions options;
    options.duration = open ? 0.2 : 0.45;
    options.curve = ui::TimingFunction::EaseOut;
    ui::View::animate(options, [top, bottom, open, w, h] {
        top->setFrame(topFrame(open, w));
        const double y = top->frame().maxY();
        bottom->setFrame({0, y, w, h - y});
    });
    m_bottomScroll->reLayout();
}

void StoreUserProfileViewController::requestFinished(RQHTTPRequest& request) {
    stopIndicator();
    const int tag = request.tag();
    auto answer = SiteAnswer::cleanedJSON(request);
    if (!answer) {
        finishPull(tag);
        return;
    }
    if ((*answer)["Result"].asInt() == -1) {
        if (tag == kUserInfoTag) {
            auto login = ZELLoginViewController::create();
            login->hidesBottomBarWhenPushed = true;
            login->setCallbackTarget(shared_from_this());
            std::weak_ptr<StoreBaseViewController> weak = weakSelf();
            login->setCallbackSelector([weak](const std::any&) {
                if (auto s = weak.lock())
                    static_cast<StoreUserProfileViewController*>(s.get())->loginCallback();
            });
            login->navigationItem().leftBarButtonItem = ui::BarButtonItem::withTitle("返回书库", [weak] {
                if (auto s = weak.lock())
                    s->backClick();
            });
            if (auto* nav = navigationController())
                nav->pushViewController(login, true);
        } else {
            tip("未能登录成功");
            finishPull(tag); // the pull must not stay loading
        }
        return;
    }
    if (tag == kUserInfoTag || tag == kUserInfoAfterLoginTag) {
        const core::Value& data = (*answer)["Data"];
        m_lblNick->setText(shown(data["NickName"]));
        m_lblRZB->setText("墨川币：" + shown(data["Balance"]));
        if (auto head = data["HeadImage"].asString(); head && !head->empty())
            StoreImageDownloader::beginDownloading(*head, kHeadImageTag, -1);
        m_sectionView->setButtonSelectedAtIndexAnimate(m_currPage);
        m_canLoadCaseData = true;
        m_isLogin = true;
        requestBookCase(kFirstShelfTag);
        return;
    }
    if (!isShelfTag(tag))
        return;
    const size_t i = static_cast<size_t>(shelfIndex(tag));
    const core::Value* data = answer->get("Data");
    if (data && data->asArray() && !data->asArray()->empty()) {
        Rows rows;
        for (const auto& row : *data->asArray())
            rows.push_back(StoreBookRow(row).cellBookInfo(format(), {.readImageStatus = false}));
        m_shelves[i] = std::move(rows);
        auto line = ui::View::create<ui::ImageView>(ui::BundleImage::named("v2_icon_main_psl.png"));
        line->setAutoresizingMask(ui::FlexibleWidth);
        m_arrTables[i]->setTableFooterView(line);
        m_arrTables[i]->reloadData();
    }
    finishPull(tag);
}

void StoreUserProfileViewController::requestFailed(RQHTTPRequest& request) {
    const int tag = request.tag();
    if (isShelfTag(tag) && !m_arrTables.empty()) {
        auto& table = *m_arrTables[static_cast<size_t>(shelfIndex(tag))];
        table.setTableFooterView(nullptr);
        table.reloadData();
        finishPull(tag);
    }
    stopIndicator();
}

void StoreUserProfileViewController::storeImageDown(const core::Value& note) {
    if (!note["success"].asBool().value_or(false) || note["tag"].asInt() != kHeadImageTag)
        return;
    if (auto image = gfx::Image::fromFile(note["cover"].asString().value_or(""))) {
        m_avatar->setImage(*image);
        m_imgCoverShadow->setHidden(false);
    }
}

int64_t StoreUserProfileViewController::numberOfRows(ui::TableView& table, int64_t) {
    if (!isShelfTag(table.tag()))
        return 0;
    const auto& rows = m_shelves[static_cast<size_t>(shelfIndex(table.tag()))];
    return rows && !rows->empty() ? static_cast<int64_t>(rows->size()) : 1;
}

std::shared_ptr<ui::TableViewCell> StoreUserProfileViewController::cellForRow(ui::TableView& table,
                                                                              const ui::IndexPath& ip) {
    const int index = isShelfTag(table.tag()) ? shelfIndex(table.tag()) : 0;
    const auto& rows = m_shelves[static_cast<size_t>(index)];
    if (!rows || rows->empty() || ip.row >= static_cast<int64_t>(rows->size())) {
        auto cell = table.dequeueReusableCell("IdtEmpty");
        if (!cell) {
            cell = ui::TableViewCell::create(ui::TableViewCellStyle::Default, "IdtEmpty");
            cell->selectionStyle = ui::TableViewCellSelectionStyle::None;
            cell->textLabel().setTextAlignment(gfx::TextAlignment::Center);
            cell->textLabel().setFont(gfx::Font::systemFont(12));
            cell->textLabel().setTextColor(gfx::Color::fromWhite(0.2, 1));
            cell->textLabel().setText("暂无书籍");
        }
        return cell;
    }
    const std::string identifier = "Idt" + std::to_string(index);
    auto cell = std::dynamic_pointer_cast<BookInfoTableCell>(table.dequeueReusableCell(identifier));
    if (!cell) {
        cell = BookInfoTableCell::create(identifier);
        cell->selectionStyle = ui::TableViewCellSelectionStyle::Blue;
        cell->accessoryType = ui::TableViewCellAccessory::DisclosureIndicator;
    }
    const RZCellBookInfo& record = *(*rows)[static_cast<size_t>(ip.row)];
    cell->setBgColor(rowBackground(ip.row));
    cell->isNoImgMode = m_isNoImageMode;
    cell->tbTag = table.tag();
    cell->rzBookId = record.bookId;
    cell->imageStatus = record.imageStatus;
    cell->lblBookName().setText(record.bookName);
    cell->lblAuthor().setText(record.authorName);
    cell->lblChapterName().setText(record.chapterName);
    cell->lblLstUpdateTime().setText(record.chapterUpdateTime);
    cell->reloadImage();
    if (!table.isDragging() && !table.isDecelerating())
        askCover(table, *cell, record, ip);
    return cell;
}

void StoreUserProfileViewController::askCover(ui::TableView& table, BookInfoTableCell& cell,
                                              const RZCellBookInfo& record, const ui::IndexPath& ip) {
    // Keyed by the book: a book on two shelves is asked for once.
    const ui::IndexPath key{-1, record.bookId};
    auto& marks = dictDownMark();
    if (marks[key])
        return;
    if (!m_isNoImageMode)
        marks[key] = true;
    cell.downImageWithRZBookId(record.bookId, record.imageStatus, m_isNoImageMode, ip, table.tag());
}

void StoreUserProfileViewController::coverPass(ui::TableView& table) {
    if (!isShelfTag(table.tag()))
        return;
    const auto& rows = m_shelves[static_cast<size_t>(shelfIndex(table.tag()))];
    if (!rows || rows->empty())
        return;
    for (const auto& ip : table.indexPathsForVisibleRows())
        if (ip.row < static_cast<int64_t>(rows->size()))
            if (auto* cell = dynamic_cast<BookInfoTableCell*>(table.cellForRow(ip)))
                askCover(table, *cell, *(*rows)[static_cast<size_t>(ip.row)], ip);
}

void StoreUserProfileViewController::didSelectRow(ui::TableView& table, const ui::IndexPath& ip) {
    table.deselectRow(ip, true);
    if (!isShelfTag(table.tag()))
        return;
    const auto& rows = m_shelves[static_cast<size_t>(shelfIndex(table.tag()))];
    if (!rows || ip.row < 0 || ip.row >= static_cast<int64_t>(rows->size()))
        return;
    auto details = StoreBookDetailsController::create();
    details->rzBookId = (*rows)[static_cast<size_t>(ip.row)]->bookId;
    if (auto* nav = navigationController())
        nav->pushViewController(details, true);
}

void StoreUserProfileViewController::scrollViewDidScroll(ui::ScrollView& scroll) {
    if (!isShelfTag(scroll.tag()) || m_arrRefresh.empty())
        return;
    m_arrRefresh[static_cast<size_t>(shelfIndex(scroll.tag()))]->refreshScrollViewDidScroll(scroll);
    const double y = scroll.contentOffset().y;
    if (y > 1 && m_topIsOpen)
        openTop(false);
    else if (y < -30 && !m_topIsOpen)
        openTop(true);
}

void StoreUserProfileViewController::scrollViewDidEndDragging(ui::ScrollView& scroll, bool willDecelerate) {
    if (!willDecelerate)
        whenScrollStop(scroll);
    if (isShelfTag(scroll.tag()) && !m_arrRefresh.empty())
        m_arrRefresh[static_cast<size_t>(shelfIndex(scroll.tag()))]->refreshScrollViewDidEndDragging(scroll);
}

void StoreUserProfileViewController::scrollViewDidEndDecelerating(ui::ScrollView& scroll) {
    whenScrollStop(scroll);
}

void StoreUserProfileViewController::whenScrollStop(ui::ScrollView& scroll) {
    if (&scroll == m_bottomScroll.get()) {
        const double width = scroll.frame().size.width;
        m_currPage = width > 0 ? static_cast<int>(std::floor((scroll.contentOffset().x - width / 2) / width)) + 1 : 0;
        m_currPage = std::clamp(m_currPage, 0, kShelves - 1);
        m_sectionView->setButtonSelectedAtIndexAnimate(m_currPage);
        requestBookCase(kFirstShelfTag + m_currPage);
        coverPass(*m_arrTables[static_cast<size_t>(m_currPage)]);
        return;
    }
    if (isShelfTag(scroll.tag()))
        coverPass(static_cast<ui::TableView&>(scroll));
}

void StoreUserProfileViewController::selectedAtIndex(int index) {
    m_currPage = index;
    m_bottomScroll->scrollToPage(index, true);
    if (index >= 0 && index < kShelves)
        requestBookCase(kFirstShelfTag + index);
}

void StoreUserProfileViewController::refreshTableHeaderDidTriggerRefresh(MyRefreshTableHeaderView&) {
    requestBookCase(kFirstShelfTag + m_currPage, true);
}

void StoreUserProfileViewController::switchImageMode() {
    for (auto& t : m_arrTables)
        t->reloadData();
}

void StoreUserProfileViewController::checkLoginCallback(bool isLogin, const std::string&, const std::any&) {
    if (isLogin && m_lblNick && m_lblNick->text().empty())
        requestUserInfo(kUserInfoAfterLoginTag);
}

void StoreUserProfileViewController::storeBookCoverDown(bool, int tag, int, int64_t,
                                                        const std::optional<ui::IndexPath>& ip, const std::string&) {
    if (!isShelfTag(tag) || !ip || m_arrTables.empty())
        return;
    if (auto* cell =
            dynamic_cast<BookInfoTableCell*>(m_arrTables[static_cast<size_t>(shelfIndex(tag))]->cellForRow(*ip)))
        cell->reloadImage();
}

} // namespace pw

#include "reader/RZChapterListViewController.h"

#include "foundation/db/BookDB.h"
#include "foundation/db/BookTB.h"
#include "foundation/frame/PagewellAppDelegate.h"
#include "foundation/frame/RZNavigationController.h"
#include "foundation/widgets/ProgressHUD.h"
#include "platform/core/RunLoop.h"
#include "platform/core/Thread.h"
#include "platform/ui/ActivityIndicatorView.h"
#include "platform/ui/Animation.h"
#include "platform/ui/BundleImage.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/TableViewCell.h"
#include "platform/ui/TapGestureRecognizer.h"
#include "reader/ListScreenTransition.h"
#include "reader/RZChapterListSection.h"
#include "reader/RZChapterTableCell.h"
#include "site/CheckLoginWithInfo.h"
#include "site/IGetBookInfo.h"

#include <algorithm>

namespace pw {

namespace {
constexpr const char* kCellId = "Idt1";
constexpr int kChapterCellTag = 7301;
constexpr double kJumpRows = 200;
} // namespace

RZChapterListViewController::RZChapterListViewController() = default;

RZChapterListViewController::~RZChapterListViewController() {
    m_flashEnd.cancel();
    m_scrollbarFade.cancel();
}

std::shared_ptr<RZChapterListViewController> RZChapterListViewController::self() {
    return std::static_pointer_cast<RZChapterListViewController>(shared_from_this());
}

std::vector<ChapterListEntry> RZChapterListViewController::chapterEntries(const core::Value::Array& records) {
    std::vector<ChapterListEntry> out;
    out.reserve(records.size());
    for (const auto& r : records) {
        ChapterListEntry e;
        e.cid = r["cid"].asInt().value_or(0);
        e.cname = r["cname"].asString().value_or("");
        e.vc = static_cast<int>(r["vc"].asInt().value_or(0));
        e.vip = r["vip"].asInt().value_or(0) == 1;
        e.down = r["down"].asInt().value_or(0) == 1;
        e.price = r["price"].asInt().value_or(0);
        e.t = r["t"].asInt().value_or(0);
        e.words = r["words"].asInt().value_or(0);
        out.push_back(std::move(e));
    }
    return out;
}

ChapterGroups RZChapterListViewController::loadGroups(int64_t rzBookId, int64_t markChapterId) {
    std::vector<ChapterListEntry> chapters;
    if (auto records = BookDB::getAllChaptersWithRZBookId(rzBookId))
        chapters = chapterEntries(*records);
    std::vector<VolumeRecord> volumes;
    if (auto records = BookDB::getAllVolumeWithRZBookId(rzBookId))
        for (const auto& r : *records)
            volumes.push_back({r["vcode"].asString().value_or(""), r["vname"].asString().value_or("")});
    return archiveChapters(chapters, volumes, markChapterId);
}

std::string RZChapterListViewController::updateTimeText(const core::DateFormatter& formatter, int64_t milliseconds) {
    return "更新时间：" + formatter.format(static_cast<double>(milliseconds / 1000));
}

void RZChapterListViewController::viewDidLoad() {
    m_formatter = std::make_unique<core::DateFormatter>("yyyy-MM-dd aaah:mm:ss");
    m_formatter->setAmPmSymbols("上午", "下午");
    m_canSelectItem = false;
    auto v = view();
    v->setBackgroundColor(gfx::Color::white());
    const gfx::Rect b = v->bounds();

    m_table = ui::TableView::create(b, ui::TableViewStyle::Plain);
    m_table->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    m_table->showsVerticalScrollIndicator = false;
    m_table->showsHorizontalScrollIndicator = false;
    m_table->separatorStyle = ui::TableViewSeparatorStyle::None;
    m_table->setBackgroundColor(gfx::Color::fromRGB255(237, 236, 234));
    m_table->sectionHeaderHeight = 34;
    auto footer = ui::View::create<ui::ImageView>(ui::BundleImage::named("TbCell_SepLine.png"));
    footer->setFrame({0, 0, b.width(), footer->image().isNull() ? 1 : footer->image().size().height});
    m_table->setTableFooterView(footer);
    auto me = self();
    m_table->setDataSource(std::static_pointer_cast<ui::TableViewDataSource>(me));
    m_table->setTableDelegate(std::static_pointer_cast<ui::TableViewDelegate>(me));
    v->addSubview(m_table);

    m_scrollbar = ui::View::create<ui::ImageView>(ui::BundleImage::named("scrollbar.png"));
    m_scrollbar->setFrame({b.width() - 52, (b.height() - 100) / 2, 50, 100});
    if (m_scrollbar->image().isNull())
        m_scrollbar->setBackgroundColor(gfx::Color::gray());
    m_scrollbar->setAutoresizingMask(ui::FlexibleLeftMargin | ui::FlexibleTopMargin | ui::FlexibleBottomMargin);
    m_scrollbar->setAlpha(0.3);
    m_scrollbar->setUserInteractionEnabled(true);
    std::weak_ptr<RZChapterListViewController> weak = me;
    m_scrollbar->addGestureRecognizer(ui::TapGestureRecognizer::create([weak](ui::GestureRecognizer& g) {
        if (auto s = weak.lock())
            s->scrollbarTap(g.locationInView(s->m_scrollbar.get()).y);
    }));
    v->addSubview(m_scrollbar);

    m_lblStatus = ui::View::create<ui::Label>(gfx::Rect(10, 18, 200, 20));
    m_lblStatus->setText("章节加载中...");
    m_lblStatus->setFont(gfx::Font::systemFont(14));
    m_lblStatus->setTextColor(gfx::Color::gray());
    m_lblStatus->setBackgroundColor(gfx::Color::clear());
    v->addSubview(m_lblStatus);

    m_volumeView = ui::View::create<ui::ScrollView>(b);
    m_volumeView->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    m_volumeView->setBackgroundColor(gfx::Color::black());
    m_volumeView->setAlpha(0.8);
    m_volumeView->setHidden(true);
    v->addSubview(m_volumeView);

    m_indicator = ui::View::create<ui::ActivityIndicatorView>(ui::ActivityIndicatorStyle::Gray);
    m_indicator->setCenter(b.center());
    m_indicator->setAutoresizingMask(ui::FlexibleLeftMargin | ui::FlexibleRightMargin | ui::FlexibleTopMargin |
                                     ui::FlexibleBottomMargin);
    v->addSubview(m_indicator);
    m_pProgressHUD = ProgressHUD::initWithView(v.get());
    v->addSubview(m_pProgressHUD);

    loadData();
}

void RZChapterListViewController::viewDidUnload() {
    closed();
    m_table.reset();
    m_scrollbar.reset();
    m_lblStatus.reset();
    m_volumeView.reset();
    m_volumeViewBtn.clear();
    m_hasGenVolumeViewList = false;
    m_indicator.reset();
    m_pProgressHUD.reset();
    m_formatter.reset();
    m_groups = {};
    m_hasData = false;
}

void RZChapterListViewController::loadData() {
    if (m_hasData)
        return;
    loadGroupsThen(&RZChapterListViewController::updateTable, "chapter list");
}

// Reads the groups off the main thread and hands them whole to `apply` on
// it; a newer load or a closed list makes the answer stale.
void RZChapterListViewController::loadGroupsThen(void (RZChapterListViewController::*apply)(ChapterGroups, uint64_t),
                                                 const char* threadName) {
    const uint64_t generation = ++m_generation;
    std::weak_ptr<RZChapterListViewController> weak = self();
    const int64_t book = rzBookId;
    const int64_t mark = chapterId;
    core::Thread::detach(
        [weak, generation, book, mark, apply] {
            ChapterGroups groups = loadGroups(book, mark);
            core::RunLoop::runOnMain(
                [weak, generation, apply, groups = std::move(groups)]() mutable {
                    if (auto s = weak.lock())
                        ((*s).*apply)(std::move(groups), generation);
                },
                false);
        },
        threadName);
}

void RZChapterListViewController::updateTable(ChapterGroups groups, uint64_t generation) {
    if (generation != m_generation || m_hasData || !m_table)
        return;
    m_groups = std::move(groups);
    m_hasData = true;
    m_lblStatus->setHidden(true);
    m_table->reloadData();
    const int s = m_groups.scrollToSection;
    const int r = m_groups.scrollToRow;
    if (s >= 0 && r >= 0 && static_cast<size_t>(s) < m_groups.arrVolume.size() &&
        static_cast<size_t>(r) < m_groups.section(static_cast<size_t>(s)).size())
        m_table->selectRow(ui::IndexPath{s, r}, false, ui::TableViewScrollPosition::Middle);
    std::weak_ptr<RZChapterListViewController> weak = self();
    navigationItem().rightBarButtonItem = ui::BarButtonItem::withTitle(
        "更新",
        [weak] {
            if (auto me = weak.lock())
                me->rightItemBtnClick();
        },
        ui::BarButtonItemStyle::Plain);
    // The bar draws the items as they were when it last looked.
    if (auto* nav = navigationController(); nav && nav->isViewLoaded())
        nav->navigationBar().refresh();
    m_indicator->stopAnimating();
    m_canSelectItem = true;
}

// ----- update -----

void RZChapterListViewController::rightItemBtnClick() {
    if (!m_checkLogin) {
        m_iGetBookInfo = IGetBookInfo::create();
        m_checkLogin = CheckLoginWithInfo::create();
        m_checkLogin->setResultDelegate(std::static_pointer_cast<CheckLoginWithInfoDelegate>(self()));
    }
    closeVolumeView();
    m_indicator->startAnimating();
    m_canSelectItem = false;
    m_updating = true;
    m_checkLogin->checkIsLoginWithTarget(std::weak_ptr<ui::ViewController>(self()), std::any());
}

void RZChapterListViewController::checkLoginWithInfoResult(bool isLogin, const std::string& userId, const std::any&) {
    if (!m_updating)
        return;
    m_canSelectItem = false;
    if (!isLogin) {
        endUpdate();
        return;
    }
    const int exists = BookTB::isBookExistsByRZBookId(rzBookId);
    if (exists == -2) {
        endUpdate();
        showTip("读取本地信息失败");
        return;
    }
    if (exists == 1) {
        const int belongs = BookTB::isBookBelongWithRZBookId(rzBookId, core::Value(userId));
        if (belongs == 0) {
            endUpdate();
            showTip("", "书籍下载用户与当前登录用户不一致，请删除后重新下载");
            return;
        }
        if (belongs == -2) {
            endUpdate();
            showTip("读取本地信息失败");
            return;
        }
    }
    std::weak_ptr<RZChapterListViewController> weak = self();
    m_iGetBookInfo->getBookInfoByRZBookId(
        rzBookId, std::weak_ptr<void>(weak.lock()),
        [weak](const core::Value& result) {
            if (auto s = weak.lock())
                s->getBookInfoCallback(result);
        },
        nullptr, userId, true);
}

void RZChapterListViewController::getBookInfoCallback(const core::Value& result) {
    if (!m_updating)
        return;
    m_canSelectItem = false;
    m_indicator->startAnimating();
    const auto* list = result.asArray();
    if (list && !list->empty() && (*list)[0].asInt() == 1) {
        reloadData();
        return;
    }
    endUpdate();
}

void RZChapterListViewController::reloadData() {
    loadGroupsThen(&RZChapterListViewController::reloadTable, "chapter list reload");
}

void RZChapterListViewController::reloadTable(ChapterGroups groups, uint64_t generation) {
    if (generation != m_generation || !m_table)
        return;
    m_groups = std::move(groups);
    m_hasData = true;
    m_lblStatus->setHidden(true);
    m_table->reloadData();
    const size_t sections = m_groups.arrVolume.size();
    if (sections == 0 || m_groups.section(sections - 1).empty()) {
        endUpdate();
        return;
    }
    rebuildVolumeViewList();
    const ui::IndexPath last{static_cast<int64_t>(sections - 1),
                             static_cast<int64_t>(m_groups.section(sections - 1).size() - 1)};
    m_table->selectRow(last, false, ui::TableViewScrollPosition::Middle);
    std::weak_ptr<RZChapterListViewController> weak = self();
    m_flashEnd = core::RunLoop::current().postAfter(0.6, [weak, last] {
        auto s = weak.lock();
        if (!s || !s->m_table)
            return;
        s->m_table->deselectRow(last, true);
        s->endUpdate();
    });
}

void RZChapterListViewController::endUpdate() {
    m_updating = false;
    if (m_indicator)
        m_indicator->stopAnimating();
    m_canSelectItem = true;
}

void RZChapterListViewController::showTip(const std::string& text, const std::string& details) {
    m_lastTip = details.empty() ? text : details;
    if (!m_pProgressHUD)
        return;
    if (details.empty())
        m_pProgressHUD->showTipsWithoutLoadingHideDelay(text, 2);
    else
        m_pProgressHUD->showTipsWithLoadingDetailsHideDelay(text, details, 2);
}

void RZChapterListViewController::closed() {
    ++m_generation;
    m_updating = false;
    m_flashEnd.cancel();
    m_scrollbarFade.cancel();
    // Dropping the clients cancels their requests, so neither answers.
    m_checkLogin.reset();
    m_iGetBookInfo.reset();
    if (m_indicator)
        m_indicator->stopAnimating();
}

// ----- navigation -----

void RZChapterListViewController::viewWillAppear(bool) {
    auto* nav = navigationController();
    if (nav) {
        if (useCustomNavAnimate) {
            if (auto* rz = dynamic_cast<RZNavigationController*>(nav))
                rz->setRzDelegate(std::static_pointer_cast<RZNavigationControllerDelegate>(self()));
            nav->setNavigationBarHidden(false, false);
        } else {
            nav->setNavigationBarHidden(false, true);
        }
    }
    if (m_indicator && !m_updating)
        m_indicator->stopAnimating();
    if (!m_updating)
        m_canSelectItem = m_hasData;
}

void RZChapterListViewController::viewWillDisappear(bool) {
    auto* nav = navigationController();
    if (useCustomNavAnimate)
        if (auto* rz = dynamic_cast<RZNavigationController*>(nav))
            if (rz->rzDelegate().get() == static_cast<RZNavigationControllerDelegate*>(this))
                rz->setRzDelegate({});
    const bool stillStacked = nav && std::any_of(nav->viewControllers().begin(), nav->viewControllers().end(),
                                                 [this](const auto& vc) { return vc.get() == this; });
    if (!stillStacked) {
        // Off the stack the list answers nothing more, picks included.
        closed();
        m_canSelectItem = false;
        return;
    }
    if (!m_updating)
        m_canSelectItem = m_hasData;
}

void RZChapterListViewController::customViewControllerAnimated() {
    pushListScreenTransition(*this, "chapterlist");
}

bool RZChapterListViewController::shouldAutorotateToInterfaceOrientation(device::Orientation o) const {
    return PagewellAppDelegate::allowsOrientation(o);
}

void RZChapterListViewController::willAnimateRotationToInterfaceOrientation(device::Orientation, double) {
    if (m_volumeView)
        m_volumeView->setContentSize({view()->bounds().width(), m_volumeView->contentSize().height});
}

// ----- table -----

int64_t RZChapterListViewController::numberOfSections(ui::TableView&) {
    return m_hasData ? static_cast<int64_t>(m_groups.arrVolume.size()) : 0;
}

int64_t RZChapterListViewController::numberOfRows(ui::TableView&, int64_t section) {
    if (!m_hasData || section < 0)
        return 0;
    return static_cast<int64_t>(m_groups.section(static_cast<size_t>(section)).size());
}

std::shared_ptr<ui::View> RZChapterListViewController::viewForHeader(ui::TableView& table, int64_t section) {
    if (section < 0 || static_cast<size_t>(section) >= m_groups.arrVolume.size())
        return nullptr;
    const auto& volume = m_groups.arrVolume[static_cast<size_t>(section)];
    auto header = RZChapterListSection::create({0, 0, table.bounds().width(), 34}, volume.vname, volume.vcode);
    header->delegate = std::static_pointer_cast<RZChapterListSectionDelegate>(self());
    return header;
}

std::shared_ptr<ui::TableViewCell> RZChapterListViewController::cellForRow(ui::TableView& table,
                                                                           const ui::IndexPath& ip) {
    auto cell = table.dequeueReusableCell(kCellId);
    if (!cell) {
        cell = ui::TableViewCell::create(ui::TableViewCellStyle::Default, kCellId);
        cell->selectionStyle = ui::TableViewCellSelectionStyle::Gray;
        auto content = RZChapterTableCell::create(cell->contentView().bounds());
        content->setTag(kChapterCellTag);
        cell->contentView().addSubview(content);
    }
    auto* content = dynamic_cast<RZChapterTableCell*>(cell->contentView().viewWithTag(kChapterCellTag));
    if (!content)
        return cell;
    content->reset();
    const auto& rows = m_groups.section(static_cast<size_t>(std::max<int64_t>(0, ip.section)));
    if (ip.row < 0 || static_cast<size_t>(ip.row) >= rows.size())
        return cell;
    const auto& c = rows[static_cast<size_t>(ip.row)];
    content->chapterId = c.cid;
    content->lblChapterName().setText(c.cname);
    content->showIcon(c.vip);
    content->lblIsDown().setText(c.down ? "已下载" : "未下载");
    if (m_formatter)
        content->lblUpdateTime().setText(updateTimeText(*m_formatter, c.t));
    return cell;
}

void RZChapterListViewController::didSelectRow(ui::TableView& table, const ui::IndexPath& ip) {
    table.deselectRow(ip, true);
    if (!m_canSelectItem || ip.section < 0 || ip.row < 0)
        return;
    const auto& rows = m_groups.section(static_cast<size_t>(ip.section));
    if (static_cast<size_t>(ip.row) >= rows.size())
        return;
    const ChapterListEntry picked = rows[static_cast<size_t>(ip.row)];
    // The pick is answered once: the list takes no more taps on its way out.
    m_canSelectItem = false;
    auto keep = self();
    if (auto* nav = navigationController())
        nav->popViewControllerAnimated(true);
    closed();
    if (auto d = didSelectDelegate.lock())
        d->rzChapterDidSelected(picked, rzBookId);
}

// ----- volume panel -----

void RZChapterListViewController::chapterVolomeSelectedName(const std::string&, const std::string&) {
    if (!m_canSelectItem || !m_volumeView)
        return;
    if (!m_hasGenVolumeViewList) {
        m_hasGenVolumeViewList = true;
        m_volumeViewBtn.clear();
        genVolumeList();
    }
    m_volumeView->setHidden(false);
    m_volumeView->setAlpha(0);
    auto panel = m_volumeView;
    ui::View::animate(0.2, [panel] { panel->setAlpha(0.8); });
    const double n = static_cast<double>(m_volumeViewBtn.size());
    for (size_t i = 0; i < m_volumeViewBtn.size(); ++i) {
        auto button = m_volumeViewBtn[i];
        const gfx::Rect place = button->frame();
        ui::View::performWithoutAnimation([&] {
            button->setFrame({place.x(), place.y() + 1200, place.width(), place.height()});
        });
        ui::BlockAnimationOptions options;
        options.duration = 0.7 / (n + 2) * static_cast<double>(i + 1);
        options.curve = ui::TimingFunction::EaseOut;
        ui::View::animate(options, [button, place] { button->setFrame(place); });
    }
}

void RZChapterListViewController::genVolumeList() {
    const double w = m_volumeView->bounds().width();
    std::weak_ptr<RZChapterListViewController> weak = self();
    double bottom = 0;
    for (size_t i = 0; i < m_groups.arrVolume.size(); ++i) {
        auto button = ui::Button::create(ui::ButtonType::Custom);
        button->setTag(static_cast<int>(i));
        button->setBackgroundColor(gfx::Color::fromRGB255(122, 134, 142));
        button->setTitle(m_groups.arrVolume[i].vname);
        button->setFrame({20, 65 + 54 * static_cast<double>(i), w - 40, 34});
        button->setAutoresizingMask(ui::FlexibleWidth);
        const int tag = static_cast<int>(i);
        button->addTarget(
            [weak, tag](ui::Control&) {
                if (auto s = weak.lock())
                    s->volumeViewListSelected(tag);
            },
            ui::ControlEventTouchUpInside);
        m_volumeView->addSubview(button);
        m_volumeViewBtn.push_back(button);
        bottom = button->frame().maxY();
    }
    m_volumeView->setContentSize({w, bottom + 20});
    auto close = ui::Button::create(ui::ButtonType::Custom);
    close->setBackgroundColor(gfx::Color::black());
    close->setTitle("X");
    close->setFrame({w - 54, 20, 34, 34});
    close->setAutoresizingMask(ui::FlexibleLeftMargin);
    close->addTarget(
        [weak](ui::Control&) {
            if (auto s = weak.lock())
                s->closeVolumeView();
        },
        ui::ControlEventTouchUpInside);
    m_volumeView->addSubview(close);
}

void RZChapterListViewController::rebuildVolumeViewList() {
    if (!m_hasGenVolumeViewList || !m_volumeView)
        return;
    m_volumeViewBtn.clear();
    const auto subviews = m_volumeView->subviews();
    for (const auto& v : subviews)
        if (dynamic_cast<ui::Button*>(v.get()))
            v->removeFromSuperview();
    genVolumeList();
}

void RZChapterListViewController::closeVolumeView() {
    if (m_volumeView)
        m_volumeView->setHidden(true);
}

void RZChapterListViewController::volumeViewListSelected(int tag) {
    closeVolumeView();
    if (tag < 0 || static_cast<size_t>(tag) >= m_groups.arrVolume.size() || !m_table)
        return;
    if (!m_groups.section(static_cast<size_t>(tag)).empty())
        m_table->scrollToRow({tag, 0}, ui::TableViewScrollPosition::Top, false);
    else
        m_table->scrollRectToVisible(m_table->rectForHeaderInSection(tag), false);
}

// ----- page jump -----

void RZChapterListViewController::scrollbarTap(double y) {
    if (!m_table || !m_scrollbar)
        return;
    m_scrollbarFade.cancel();
    m_scrollbar->setAlpha(0.9);
    const double half = m_scrollbar->bounds().height() / 2;
    const double o = m_table->contentOffset().y;
    const double d = kJumpRows * m_table->rowHeight;
    double target = 0;
    if (y <= half) {
        target = std::max(o - d, 0.0);
        m_table->setContentOffset({m_table->contentOffset().x, target}, true);
    } else {
        // Never past the last screenful.
        const double last = m_table->contentSize().height - m_table->bounds().height();
        target = std::min(o + d, last);
        if (target > 0)
            m_table->setContentOffset({m_table->contentOffset().x, target}, true);
    }
    std::weak_ptr<RZChapterListViewController> weak = self();
    m_scrollbarFade = core::RunLoop::current().postAfter(1.0, [weak] {
        if (auto s = weak.lock())
            s->scrollbarTapEnd();
    });
}

void RZChapterListViewController::scrollbarTapEnd() {
    if (!m_scrollbar)
        return;
    auto handle = m_scrollbar;
    ui::View::animate(0.2, [handle] { handle->setAlpha(0.3); });
}

} // namespace pw

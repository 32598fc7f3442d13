#include "store/StoreBookDetailsController.h"

#include "account/ReplyValue.h"

#include "foundation/util/Utils.h"
#include "platform/core/NotificationCenter.h"
#include "platform/gfx/Font.h"
#include "platform/ui/BundleImage.h"
#include "platform/ui/NavigationController.h"
#include "site/DownManager.h"
#include "site/RZHTTPRequest.h"
#include "site/SiteAnswer.h"
#include "site/ZELLoginViewController.h"
#include "store/StoreBookCoverDownloader.h"
#include "store/StoreBookRow.h"
#include "store/StoreEnvironment.h"

namespace pw {
namespace {

void replaceAll(std::string& s, std::string_view from, std::string_view to) {
    for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
        s.replace(at, from.size(), to);
}

// Numbers and texts as the site sends them.
// Counts and texts as the site wrote them ("2.5" stays "2.5").
std::string shown(const core::Value& v) {
    return ReplyValue::textOf(v);
}

std::shared_ptr<ui::Label> infoLabel(ui::View& parent, const gfx::Rect& frame, double fontSize, bool grey) {
    auto label = ui::View::create<ui::Label>(frame);
    label->setFont(gfx::Font::systemFont(fontSize));
    label->setBackgroundColor(gfx::Color::clear());
    label->setAutoresizingMask(ui::FlexibleWidth);
    if (grey)
        label->setTextColor(gfx::Color::fromWhite(1.0 / 3));
    parent.addSubview(label);
    return label;
}

} // namespace

StoreBookDetailsController::StoreBookDetailsController()
    : StoreBookListController(
          Setup{.tableTag = kTagRelated,
                .rowHeight = 125,
                .paged = false,
                .sectionHeaderHeight = 35,
                .requestsAtLoad = false}) {
    setTitle("作品简介");
}

StoreBookDetailsController::~StoreBookDetailsController() {
    clean();
}

std::string StoreBookDetailsController::detailUrl(int64_t id) {
    return storeUrl("/BookStoreAPI/GetBookDetail.ashx") + "?BookId=" + std::to_string(id);
}

std::string StoreBookDetailsController::relatedUrl(int64_t id) {
    return storeUrl("/BookStoreAPI/GetRelatedBooks.ashx") + "?BookId=" + std::to_string(id);
}

std::string StoreBookDetailsController::addBookcaseUrl(int64_t id, const std::string& name) {
    return storeUrl("/api/AddFavoriteBook.ashx") + "?bid=" + std::to_string(id) +
           "&bname=" + encodingStringParameter(name);
}

std::string StoreBookDetailsController::descriptionText(std::string html) {
    for (const char* br : {"<br>", "</br>", "<br/>"})
        replaceAll(html, br, "\n");
    replaceAll(html, "&nbsp;", " ");
    return html;
}

void StoreBookDetailsController::viewDidLoad() {
    const double w = view()->bounds().size.width;
    m_sectionView = ui::View::create<ui::ImageView>(ui::BundleImage::named("buy_chapter_title.png").stretchable(8, 10));
    m_sectionView->setFrame({0, 0, w, 35});
    m_sectionView->setAlpha(0.9);
    m_sectionView->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    auto label = ui::View::create<ui::Label>(gfx::Rect{10, 5, 300, 25});
    label->setFont(gfx::Font::systemFont(14));
    label->setTextColor(gfx::Color::fromWhite(1.0 / 3));
    label->setBackgroundColor(gfx::Color::clear());
    label->setText("您可能还喜欢");
    m_sectionView->addSubview(label);
    // The table, the base's set-up and the related books.
    StoreBookListController::viewDidLoad();
    buildInfoView(w);
    m_table->setTableHeaderView(m_bookInfoView);
    setCoverPicture();
    std::weak_ptr<StoreBaseViewController> weak = weakSelf();
    m_downBeginToken = core::NotificationCenter::defaultCenter().addObserver(
        "NSNotificationCenter_BookAllDownBegin", [weak](const core::Notification& n) {
            if (auto s = weak.lock())
                static_cast<StoreBookDetailsController*>(s.get())->beginToDownWholeBook(n.payload);
        });
    requestBookDetail();
    requestRelativeBooks();
}

void StoreBookDetailsController::buildInfoView(double w) {
    m_bookInfoView = ui::View::create(gfx::Rect{0, 0, w, 325});
    m_bookInfoView->setBackgroundColor(gfx::Color::fromRGB255(236, 237, 239));
    auto frame = ui::View::create<ui::ImageView>(ui::BundleImage::named("bookmask.9.png"));
    frame->setFrame({22, 12, 96, 119});
    m_bookInfoView->addSubview(frame);
    m_imgBookCover = ui::View::create<ui::ImageView>();
    m_imgBookCover->setFrame({20, 10, 96, 119});
    m_bookInfoView->addSubview(m_imgBookCover);
    const gfx::Rect cover = m_imgBookCover->frame();
    const double x = cover.maxX() + 20;
    const double lw = w - cover.maxX() - 15;
    m_lblName = infoLabel(*m_bookInfoView, {x, cover.y(), lw, 19}, 14, false);
    double y = m_lblName->frame().maxY() + 3;
    m_lblAuthor = infoLabel(*m_bookInfoView, {x, y, lw, 19}, 13, true);
    y += 22;
    m_lblTotalClick = infoLabel(*m_bookInfoView, {x, y, lw, 19}, 12, true);
    y += 22;
    m_lblWeekClick = infoLabel(*m_bookInfoView, {x, y, lw, 19}, 12, true);
    y += 22;
    m_lblTotalRecommend = infoLabel(*m_bookInfoView, {x, y, lw, 19}, 12, true);
    y += 22;
    m_lblWords = infoLabel(*m_bookInfoView, {x, y, lw, 19}, 12, true);
    const double bw = (w - 40 - 10) / 2;
    const double by = m_lblWords->frame().maxY() + 10;
    std::weak_ptr<StoreBaseViewController> weak = weakSelf();
    auto makeButton = [&](const char* title, const gfx::Rect& r, void (StoreBookDetailsController::*action)()) {
        auto button = ui::Button::create();
        button->setFrame(r);
        button->setBackgroundImage(ui::BundleImage::named("buy_chapter_button.png").stretchable(8, 10));
        button->titleLabel().setFont(gfx::Font::systemFont(12));
        button->setTitleColor(gfx::Color::black());
        button->setTitle(title);
        button->addTarget(
            [weak, action](ui::Control&) {
                if (auto s = weak.lock())
                    (static_cast<StoreBookDetailsController*>(s.get())->*action)();
            },
            ui::ControlEventTouchUpInside);
        m_bookInfoView->addSubview(button);
        m_buttons.push_back(button);
        return button;
    };
    auto list = makeButton("目录", {20, by, bw, 35}, &StoreBookDetailsController::downChapterList);
    auto add =
        makeButton("加入墨川书架", {list->frame().maxX() + 10, by, bw, 35}, &StoreBookDetailsController::addBookcase);
    m_btnDownWholeBook =
        makeButton("下载/更新本书", {20, add->frame().maxY() + 10, w - 40, 35}, &StoreBookDetailsController::downBook);
    const gfx::Rect down = m_btnDownWholeBook->frame();
    m_lblDes = infoLabel(*m_bookInfoView, {down.x(), down.maxY() + 3, down.size.width, 95}, 12, true);
    m_lblDes->setNumberOfLines(5);
}

void StoreBookDetailsController::setCoverPicture() {
    std::optional<gfx::Image> cover;
    if (!m_isNoImageMode)
        cover = gfx::Image::fromFile(StoreBookCoverDownloader::cachePath(rzBookId).string());
    m_imgBookCover->setImage(cover ? *cover : ui::BundleImage::named("nopicsite_topscroll.png"));
}

void StoreBookDetailsController::requestBookDetail() {
    if (rzBookId <= 0)
        return;
    startIndicator();
    startStoreRequest(detailUrl(rzBookId), kTagDetail, 30);
}

void StoreBookDetailsController::requestRelativeBooks() {
    requestPage(0);
}

void StoreBookDetailsController::requestPage(int) {
    startIndicator();
    startStoreRequest(relatedUrl(rzBookId), kTagRelated, 30);
}

void StoreBookDetailsController::doAddBookcase(int tag) {
    startIndicator();
    startStoreRequest(addBookcaseUrl(rzBookId, m_bookName), tag, 30, false);
}

void StoreBookDetailsController::downChapterList() {
    if (auto* manager = StoreEnvironment::downManager(); manager && manager->isBookDownloadingNow(rzBookId)) {
        tip("书籍正在下载中，请稍后再试");
        return;
    }
    setDownType(StoreActionChapterList);
    checkIsLoginWithInfo(rzBookId);
}

void StoreBookDetailsController::addBookcase() {
    doAddBookcase(kTagAddShelf);
}

void StoreBookDetailsController::downBook() {
    if (m_leavesToShelf) {
        backToBookcase();
        return;
    }
    if (auto* manager = StoreEnvironment::downManager(); manager && manager->isBookDownloadingNow(rzBookId)) {
        tip("书籍正在下载中，请稍后再试");
        return;
    }
    doAddBookcase(kTagAddBeforeDownload);
}

void StoreBookDetailsController::loginCallback(const std::any& userPack) {
    const int* pack = std::any_cast<int>(&userPack);
    doAddBookcase(pack && *pack == kTagAddBeforeDownload ? kTagAddBeforeDownloadAfterLogin : kTagAddShelfAfterLogin);
}

void StoreBookDetailsController::beginToDownWholeBook(const core::Value& note) {
    if (note["rzbid"].asInt() != rzBookId)
        return;
    m_btnDownWholeBook->setTitle("返回书架");
    m_leavesToShelf = true;
}

void StoreBookDetailsController::backToBookcase() {
    core::NotificationCenter::defaultCenter().post("NSNotificationCenter_BackToBookcase");
}

std::optional<StoreBookListController::Rows> StoreBookDetailsController::rowsOf(const core::Value& answer) {
    const core::Value* data = answer.get("Data");
    if (!data || !data->asArray() || data->asArray()->empty())
        return std::nullopt;
    Rows rows;
    for (const auto& row : *data->asArray())
        rows.push_back(StoreBookRow(row).cellBookInfo(format(), {}));
    return rows;
}

void StoreBookDetailsController::requestFinished(RQHTTPRequest& request) {
    const int tag = request.tag();
    if (tag == kTagRelated) {
        takeListAnswer(request);
        return;
    }
    stopIndicator();
    auto answer = SiteAnswer::cleanedJSON(request);
    if (!answer)
        return;
    if (tag == kTagDetail)
        takeDetail(*answer);
    else
        takeFavorite(tag, *answer);
}

void StoreBookDetailsController::requestFailed(RQHTTPRequest& request) {
    if (request.tag() == kTagRelated)
        listFailed();
    else
        stopIndicator();
}

void StoreBookDetailsController::takeDetail(const core::Value& answer) {
    const core::Value* data = answer.get("Data");
    if (!data || !data->asMap())
        return;
    const core::Value& d = *data;
    m_categoryId = d["CategoryId"].asInt().value_or(0);
    m_authorId = d["AuthorId"].asInt().value_or(0);
    m_channelId = d["ChannelId"].asInt().value_or(0);
    m_subCategoryId = d["SubCategoryId"].asInt().value_or(0);
    m_bookName = shown(d["BookName"]);
    m_lblName->setText(m_bookName);
    m_lblAuthor->setText(shown(d["AuthorName"]));
    m_lblTotalClick->setText("总点击：" + shown(d["ClickAll"]));
    m_lblWeekClick->setText("周点击：" + shown(d["ClickWeek"]));
    m_lblTotalRecommend->setText("总推荐：" + shown(d["RecommendAll"]));
    m_lblWords->setText("总字数：" + shown(d["WordsCnt"]));
    m_lblDes->setText(descriptionText(shown(d["Description"])));
}

void StoreBookDetailsController::takeFavorite(int tag, const core::Value& answer) {
    const int64_t code = answer["data"].asInt().value_or(INT64_MIN);
    const std::string msg = shown(answer["msg"]);
    if ((tag == kTagAddShelf || tag == kTagAddBeforeDownload) && code == -997) {
        auto login = ZELLoginViewController::create();
        login->hidesBottomBarWhenPushed = true;
        login->setCallbackTarget(shared_from_this());
        if (tag == kTagAddBeforeDownload)
            login->setUserPack(static_cast<int>(kTagAddBeforeDownload));
        std::weak_ptr<StoreBaseViewController> weak = weakSelf();
        login->setCallbackSelector([weak](const std::any& pack) {
            if (auto s = weak.lock())
                static_cast<StoreBookDetailsController*>(s.get())->loginCallback(pack);
        });
        if (auto* nav = navigationController())
            nav->pushViewController(login, true);
        return;
    }
    if (tag == kTagAddShelf || tag == kTagAddShelfAfterLogin) {
        tip(msg);
        return;
    }
    if (tag == kTagAddBeforeDownload || tag == kTagAddBeforeDownloadAfterLogin) {
        if (code == 0 || code == -3) {
            setDownType(StoreActionDownloadBook);
            checkIsLoginWithInfo(rzBookId);
        } else {
            tip(msg + "，书籍下载失败。");
        }
    }
}

void StoreBookDetailsController::switchImageMode() {
    StoreBookListController::switchImageMode();
    setCoverPicture();
}

void StoreBookDetailsController::clean() {
    StoreBookListController::clean();
    m_sectionView.reset();
    m_bookInfoView.reset();
    m_bookName.clear();
}

} // namespace pw

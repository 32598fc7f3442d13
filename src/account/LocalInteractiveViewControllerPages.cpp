// The interaction screen's pages and controls: the frame with its tab strip
// and pager, one page per interaction the site enables, the choice-list and
// editor overlay, and the small control factories. The conversation with the
// site lives in LocalInteractiveViewController.cpp.
#include "account/LocalInteractiveViewController.h"

#include "account/AccountControls.h"
#include "account/LoginHelper.h"
#include "account/ReplyValue.h"
#include "foundation/db/BookTB.h"
#include "foundation/frame/PagewellAppDelegate.h"
#include "foundation/widgets/HorizontalPickerView.h"
#include "platform/core/RunLoop.h"
#include "platform/ui/BundleImage.h"
#include "platform/ui/NavigationController.h"

#include <cmath>

namespace pw {
namespace {

constexpr double kPagesStripHeight = 31;
constexpr int kPagerTag = 10;
constexpr const char* kPageTitles[] = {"我要催更", "我要打赏", "投粉红票", "我要评价",
                                       "投推荐票", "书友印象", "我投月票"};
const gfx::Color kBoxBorder = gfx::Color::fromRGB255(123, 156, 197);

using ReplyValue::wholeNumber;
// A page object's value as its label shows it.
const auto valueText = ReplyValue::textOf;

} // namespace

// ---- tips and spinner

void LocalInteractiveViewController::showTip(const std::string& text) {
    m_tip = text;
    if (m_pProgressHUD)
        m_pProgressHUD->showTipsWithoutLoadingHideDelay(text, 2);
}

void LocalInteractiveViewController::startSpinner() {
    if (m_indicator)
        m_indicator->startAnimating();
}

void LocalInteractiveViewController::stopSpinner() {
    if (m_indicator)
        m_indicator->stopAnimating();
}

const core::Value& LocalInteractiveViewController::pageObject(const std::string& page) const {
    static const core::Value none;
    auto it = m_pages.find(page);
    return it == m_pages.end() ? none : it->second;
}

ui::Label* LocalInteractiveViewController::valueLabel(const std::string& page, const std::string& key) const {
    auto it = m_valueLabels.find(page + "." + key);
    return it == m_valueLabels.end() ? nullptr : it->second.get();
}

ListButton* LocalInteractiveViewController::listButton(int tag) const {
    auto it = m_listButtons.find(tag);
    return it == m_listButtons.end() ? nullptr : it->second.get();
}

ui::TextView* LocalInteractiveViewController::messageBox(int tag) const {
    auto it = m_boxes.find(tag);
    return it == m_boxes.end() ? nullptr : it->second.get();
}

void LocalInteractiveViewController::refreshLabels() {
    // Only the labels of pages that were built; a page the site enables later
    // is not added.
    for (auto& [name, label] : m_valueLabels) {
        const auto dot = name.find('.');
        const std::string page = name.substr(0, dot), key = name.substr(dot + 1);
        const core::Value& object = pageObject(page);
        if (wholeNumber(object["Enable"]) != 1 || key == "fansLevel")
            continue;
        label->setText(valueText(object[key]));
    }
}

// ---- the screen

void LocalInteractiveViewController::loadView() {
    auto view = ui::View::create(gfx::Rect(0, 0, 320, 416));
    view->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    setView(view);
}

void LocalInteractiveViewController::viewDidLoad() {
    auto& v = *view();
    const double width = v.bounds().width();
    m_sectionView = HorizontalFixButtonView::initWithFrame({0, 0, width, kPagesStripHeight});
    m_sectionView->setAutoresizingMask(ui::FlexibleWidth);
    m_sectionView->setBackgroundColor(gfx::Color::clear());
    m_sectionView->setDelegate(std::static_pointer_cast<HorizontalFixButtonDelegate>(self()));
    v.addSubview(m_sectionView);

    m_bottomScroll = RZScrollView::initWithFrame({0, kPagesStripHeight, width, v.bounds().height() - kPagesStripHeight});
    m_bottomScroll->setTag(kPagerTag);
    m_bottomScroll->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    m_bottomScroll->setDelegate(std::static_pointer_cast<ui::ScrollViewDelegate>(self()));
    v.addSubview(m_bottomScroll);

    setTitle(BookTB::getBookNameByRZBookId(m_rzBookId).value_or(""));
    v.setBackgroundColor(gfx::Color::fromRGB255(238, 238, 238));

    m_pProgressHUD = ProgressHUD::initWithView(&v);
    m_pProgressHUD->animationType = ProgressHUDAnimationZoom;
    m_pProgressHUD->setCustomView(ui::View::create(gfx::Rect()));
    v.addSubview(m_pProgressHUD);

    m_indicator = ui::View::create<ui::ActivityIndicatorView>(ui::ActivityIndicatorStyle::Gray);
    m_indicator->sizeToFit();
    m_indicator->setCenter(v.bounds().center());
    m_indicator->setAutoresizingMask(ui::FlexibleLeftMargin | ui::FlexibleRightMargin | ui::FlexibleTopMargin |
                                     ui::FlexibleBottomMargin);
    v.addSubview(m_indicator);

    getInteractionWithTag(kFetchFirst);
    startSpinner();
}

void LocalInteractiveViewController::viewWillAppear(bool animated) {
    if (auto* nav = navigationController())
        nav->setNavigationBarHidden(false, animated);
    if (m_sectionView)
        m_sectionView->reLayout();
    if (m_bottomScroll) {
        m_bottomScroll->reLayout();
        m_bottomScroll->scrollToPage(m_currPage, false);
    }
}

void LocalInteractiveViewController::viewDidUnload() {
    clean();
}

bool LocalInteractiveViewController::shouldAutorotateToInterfaceOrientation(device::Orientation o) const {
    return PagewellAppDelegate::allowsOrientation(o);
}

void LocalInteractiveViewController::didRotateFromInterfaceOrientation(device::Orientation) {
    const double width = view()->bounds().width();
    for (auto& [name, page] : m_pageViews)
        if (auto* scroll = dynamic_cast<ui::ScrollView*>(page.get()))
            scroll->setContentSize({width, scroll->contentSize().height});
    if (m_listView)
        m_listView->setContentSize({width, m_listView->contentSize().height});
    m_sectionView->reLayout();
    m_bottomScroll->reLayout();
    m_bottomScroll->scrollToPage(m_currPage, false);
}

void LocalInteractiveViewController::selectedAtIndex(int index) {
    m_currPage = index;
    m_bottomScroll->scrollToPage(index, true);
    if (AccountControls::isPad()) {
        std::weak_ptr<LocalInteractiveViewController> weak = self();
        m_padRedraw.cancel();
        m_padRedraw = core::RunLoop::current().postAfter(0.5, [weak] {
            if (auto s = weak.lock())
                s->showTextViewTextWhenFirstLoadOnPad();
        });
    }
}

void LocalInteractiveViewController::whenScrollStop() {
    const double w = m_bottomScroll->bounds().width();
    if (w <= 0)
        return;
    m_currPage = static_cast<int>(std::floor((m_bottomScroll->contentOffset().x - w / 2) / w)) + 1;
    m_sectionView->setButtonSelectedAtIndexAnimate(m_currPage);
    if (AccountControls::isPad())
        showTextViewTextWhenFirstLoadOnPad();
}

void LocalInteractiveViewController::scrollViewDidScroll(ui::ScrollView& scroll) {
    if (scroll.tag() == kPagerTag || !AccountControls::isPad())
        hideKeyboard();
    if (auto* box = messageBox(kBoxDaShang))
        box->setNeedsLayout();
}

void LocalInteractiveViewController::scrollViewDidEndDragging(ui::ScrollView& scroll, bool willDecelerate) {
    if (scroll.tag() == kPagerTag && !willDecelerate)
        whenScrollStop();
}

void LocalInteractiveViewController::scrollViewDidEndDecelerating(ui::ScrollView& scroll) {
    if (scroll.tag() == kPagerTag)
        whenScrollStop();
}

void LocalInteractiveViewController::showTextViewTextWhenFirstLoadOnPad() {
    for (auto& [tag, box] : m_boxes) {
        gfx::Rect f = box->frame();
        box->setFrame({f.x(), f.y(), f.width() + 0.05, f.height()});
    }
}

void LocalInteractiveViewController::setTVContent(ui::View& v) {
    const gfx::Rect f = v.frame();
    v.setFrame({f.x() + 1, f.y(), f.width() - 2, f.height()});
}

void LocalInteractiveViewController::hideKeyboard() {
    for (auto& [tag, box] : m_boxes)
        box->resignFirstResponder();
    if (m_tfYinXiang)
        m_tfYinXiang->resignFirstResponder();
}

// ---- factories

std::shared_ptr<ui::Label> LocalInteractiveViewController::genLabelWithFrame(const gfx::Rect& frame, double fontSize,
                                                                             const std::string& text,
                                                                             ui::View& container) {
    auto label = ui::View::create<ui::Label>(frame);
    label->setFont(gfx::Font::systemFont(fontSize));
    label->setBackgroundColor(gfx::Color::clear());
    label->setTextColor(gfx::Color::darkGray());
    label->setText(text);
    container.addSubview(label);
    return label;
}

std::shared_ptr<ui::Button> LocalInteractiveViewController::genButtonWithFrame(const gfx::Rect& frame,
                                                                               const gfx::Image& bgImage,
                                                                               const std::string& title,
                                                                               ui::View& container) {
    auto button = ui::Button::create(ui::ButtonType::Custom);
    button->setFrame(frame);
    if (bgImage)
        button->setBackgroundImage(bgImage);
    else
        button->setBackgroundColor(gfx::Color::fromRGB255(226, 226, 226));
    button->setTitle(title);
    button->titleLabel().setFont(gfx::Font::systemFont(12));
    button->setTitleColor(gfx::Color::black());
    container.addSubview(button);
    return button;
}

std::shared_ptr<ListButton> LocalInteractiveViewController::genListButtonWithFrame(const gfx::Rect& frame,
                                                                                   const gfx::Image& bgImage,
                                                                                   const std::string& title, int tag,
                                                                                   ui::View& container) {
    auto button = ListButton::create();
    button->setFrame(frame);
    if (bgImage)
        button->setBackgroundImage(bgImage);
    else
        button->setBackgroundColor(gfx::Color::white());
    button->setTitle(title);
    button->titleLabel().setFont(gfx::Font::systemFont(12));
    button->setTitleColor(gfx::Color::black());
    button->setTag(tag);
    std::weak_ptr<LocalInteractiveViewController> weak = self();
    button->addTarget(
        [weak](ui::Control& sender) {
            if (auto s = weak.lock())
                s->showItemList(static_cast<ListButton&>(sender));
        },
        ui::ControlEventTouchUpInside);
    container.addSubview(button);
    return button;
}

std::shared_ptr<ui::TextView> LocalInteractiveViewController::genTextViewWithFrame(const gfx::Rect& frame,
                                                                                   ui::View& container,
                                                                                   const std::string* content) {
    auto box = ui::View::create<ui::TextView>(frame);
    box->setAutoresizingMask(ui::FlexibleWidth);
    box->setTextColor(gfx::Color::darkGray());
    box->setBackgroundColor(gfx::Color::clear());
    box->layer()->setCornerRadius(5);
    box->layer()->setBorderWidth(1);
    box->layer()->setBorderColor(kBoxBorder);
    if (content)
        box->setText(*content);
    container.addSubview(box);
    return box;
}

std::shared_ptr<HorizontalPickerView>
LocalInteractiveViewController::genPickerWithFrame(const gfx::Rect& frame, const std::vector<std::string>* names,
                                                   const std::vector<core::Value>* values, double cellWidth,
                                                   ui::View& container) {
    auto picker = HorizontalPickerView::initWithFrame(frame);
    picker->setFontSize(13);
    picker->setCellWidth(static_cast<int>(cellWidth));
    if (names)
        picker->setNamesWithArray(*names);
    if (values)
        picker->setValuesWithArray(*values);
    container.addSubview(picker);
    return picker;
}

// ---- choice list and editor overlay

void LocalInteractiveViewController::showOverlay(int tag) {
    auto& v = *view();
    if (!m_listView) {
        m_listView = ui::View::create<ui::ScrollView>(v.bounds());
        m_listView->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
        m_listView->setBackgroundColor(gfx::Color::black());
        m_listView->setAlpha(0.8);
        v.addSubview(m_listView);
    }
    m_listView->setFrame(v.bounds());
    m_listView->setHidden(false);
    v.bringSubviewToFront(m_listView.get());
    m_listView->setTag(tag);
}

void LocalInteractiveViewController::showItemList(ListButton& button) {
    hideKeyboard();
    showOverlay(button.tag());
    const double width = m_listView->bounds().width();
    const auto& list = listForTag(button.tag());
    std::weak_ptr<LocalInteractiveViewController> weak = self();
    double bottom = 0;
    for (size_t i = 0; i < list.size(); ++i) {
        auto entry = ui::Button::create(ui::ButtonType::Custom);
        entry->setTag(static_cast<int>(i));
        entry->setBackgroundColor(gfx::Color::fromRGB255(122, 134, 142));
        entry->setAutoresizingMask(ui::FlexibleWidth);
        entry->setFrame({20, 65 + 54.0 * static_cast<double>(i), width - 40, 34});
        entry->setTitle(list[i].key);
        entry->setTitleColor(gfx::Color::white());
        entry->addTarget(
            [weak](ui::Control& sender) {
                if (auto s = weak.lock())
                    s->listItemSelected(sender.tag());
            },
            ui::ControlEventTouchUpInside);
        m_listView->addSubview(entry);
        bottom = entry->frame().maxY();
    }
    m_listView->setContentSize({width, bottom + 20});
    auto close = ui::Button::create(ui::ButtonType::Custom);
    close->setFrame({width - 20 - 34, 20, 34, 34});
    close->setBackgroundColor(gfx::Color::black());
    close->setTitle("X");
    close->setTitleColor(gfx::Color::white());
    close->setAutoresizingMask(ui::FlexibleLeftMargin);
    close->addTarget(
        [weak](ui::Control&) {
            if (auto s = weak.lock())
                s->closeListView();
        },
        ui::ControlEventTouchUpInside);
    m_listView->addSubview(close);
}

void LocalInteractiveViewController::listItemSelected(int index) {
    if (m_listView) {
        auto* button = listButton(m_listView->tag());
        const auto& list = listForTag(m_listView->tag());
        if (button && index >= 0 && static_cast<size_t>(index) < list.size()) {
            button->setTitle(list[static_cast<size_t>(index)].key);
            button->selectedIndex = index;
        }
    }
    closeListView();
}

void LocalInteractiveViewController::closeListView() {
    if (!m_listView)
        return;
    m_listView->setHidden(true);
    std::vector<std::shared_ptr<ui::View>> gone;
    for (const auto& sub : m_listView->subviews())
        if (dynamic_cast<ui::Button*>(sub.get()) || dynamic_cast<ui::TextView*>(sub.get()))
            gone.push_back(sub);
    for (auto& sub : gone)
        sub->removeFromSuperview();
    m_tvListView.reset();
}

void LocalInteractiveViewController::openEditor(ui::TextView& box) {
    showOverlay(box.tag());
    const double width = m_listView->bounds().width();
    m_tvListView = ui::View::create<ui::TextView>(gfx::Rect(20, 10, width - 40, 60));
    m_tvListView->setAutoresizingMask(ui::FlexibleWidth);
    m_tvListView->layer()->setCornerRadius(5);
    m_tvListView->layer()->setBorderWidth(1);
    m_tvListView->layer()->setBorderColor(kBoxBorder);
    m_tvListView->setText(box.text());
    m_listView->addSubview(m_tvListView);
    std::weak_ptr<LocalInteractiveViewController> weak = self();
    const double y = m_tvListView->frame().maxY() + 10;
    auto cancel = ui::Button::create(ui::ButtonType::Custom);
    cancel->setFrame({30, y, 120, 30});
    cancel->setBackgroundColor(gfx::Color::black());
    cancel->setTitle("取消");
    cancel->setTitleColor(gfx::Color::white());
    cancel->setAutoresizingMask(ui::FlexibleRightMargin);
    cancel->addTarget(
        [weak](ui::Control&) {
            if (auto s = weak.lock())
                s->closeListView();
        },
        ui::ControlEventTouchUpInside);
    m_listView->addSubview(cancel);
    auto ok = ui::Button::create(ui::ButtonType::Custom);
    ok->setFrame({width - 150, y, 120, 30});
    ok->setBackgroundColor(gfx::Color::black());
    ok->setTitle("确定");
    ok->setTitleColor(gfx::Color::white());
    ok->setAutoresizingMask(ui::FlexibleLeftMargin);
    ok->addTarget(
        [weak](ui::Control&) {
            if (auto s = weak.lock())
                s->listInputFinished();
        },
        ui::ControlEventTouchUpInside);
    m_listView->addSubview(ok);
    m_listView->setContentSize({width, y + 30 + 10});
}

void LocalInteractiveViewController::listInputFinished() {
    if (m_listView && m_tvListView)
        if (auto* box = messageBox(m_listView->tag()))
            box->setText(m_tvListView->text());
    closeListView();
}

// ---- pages

std::vector<gfx::Point> LocalInteractiveViewController::flowLabels(const std::vector<double>& widths, double x0,
                                                                   double y0, double gap, double limitWidth) {
    std::vector<gfx::Point> out;
    double x = x0, y = y0;
    for (double w : widths) {
        if (x + w > limitWidth && x > x0) {
            x = x0;
            y += 23;
        }
        out.push_back({x, y});
        x += w + gap;
    }
    return out;
}

double LocalInteractiveViewController::labelLimitWidth() {
    return AccountControls::isPad() ? 768 : 320;
}

double LocalInteractiveViewController::row(ui::View& page, const std::string& pageName, double y, double height,
                                           const std::vector<std::tuple<std::string, std::string, double>>& items,
                                           double x) {
    const core::Value& object = pageObject(pageName);
    for (const auto& [text, key, width] : items) {
        if (key.empty()) {
            genLabelWithFrame({x, y, width, height}, 12, text, page);
        } else {
            const bool literal = key.front() == '=';
            auto label =
                genLabelWithFrame({x, y, width, height}, 12, literal ? key.substr(1) : valueText(object[key]), page);
            label->setTextColor(gfx::Color::red());
            if (!(pageName == "CuiGeng" && key == "ticketAvailable"))
                label->setTextAlignment(gfx::TextAlignment::Center);
            if (!literal)
                m_valueLabels[pageName + "." + key] = label;
        }
        x += width;
    }
    return y + height;
}

std::shared_ptr<ui::Button>
LocalInteractiveViewController::actionButton(const gfx::Rect& frame, const std::string& title, ui::View& page,
                                             void (LocalInteractiveViewController::*action)()) {
    auto button =
        genButtonWithFrame(frame, ui::BundleImage::named("buy_chapter_button.png").stretchable(8, 10), title, page);
    std::weak_ptr<LocalInteractiveViewController> weak = self();
    button->addTarget(
        [weak, action](ui::Control&) {
            if (auto s = weak.lock())
                ((*s).*action)();
        },
        ui::ControlEventTouchUpInside);
    return button;
}

std::shared_ptr<ui::TextView> LocalInteractiveViewController::messageBoxFor(const gfx::Rect& frame, ui::View& page,
                                                                            int tag, const std::string& preset) {
    auto box = genTextViewWithFrame(frame, page, &preset);
    box->setTag(tag);
    if (!AccountControls::isPad()) {
        std::weak_ptr<LocalInteractiveViewController> weak = self();
        box->shouldBeginEditing = [weak](ui::TextView& tv) {
            if (auto s = weak.lock())
                s->openEditor(tv);
            return false;
        };
        box->setDelegate(std::static_pointer_cast<ui::ScrollViewDelegate>(self()));
    }
    m_boxes[tag] = box;
    return box;
}

double LocalInteractiveViewController::buildCuiGeng(ui::View& page) {
    const double w = page.bounds().width();
    const gfx::Image ddl = ui::BundleImage::named("btn_ddl.png").stretchable(18, 0);
    auto intro = genLabelWithFrame({10, 3, w - 20, 38}, 12, "这书写的实在是太好了，我决定催更作品", page);
    double y = intro->frame().maxY() + 10;
    genLabelWithFrame({10, y, 50, 38}, 12, "我要投：", page);
    const auto& words = listForTag(kListCuiGengWords);
    m_listButtons[kListCuiGengWords] =
        genListButtonWithFrame({60, y + 9, 100, 20}, ddl, words[0].key, kListCuiGengWords, page);
    y += 38 + 20;
    genLabelWithFrame({10, y, 50, 38}, 12, "更新票：", page);
    m_listButtons[kListCuiGengTickets] = genListButtonWithFrame(
        {60, y + 9, 70, 20}, ddl, listForTag(kListCuiGengTickets)[0].key, kListCuiGengTickets, page);
    y += 38;
    auto send = actionButton({20, y + 30, w - 40, 35}, "提 交", page, &LocalInteractiveViewController::btnCuiGengClick);
    send->setAutoresizingMask(ui::FlexibleLeftMargin | ui::FlexibleRightMargin | ui::FlexibleWidth);
    y = send->frame().maxY() + 35;
    y = row(page, "CuiGeng", y, 38, {{"您当前的剩余更新票", "", 120}, {"", "ticketAvailable", 30}, {"票", "", 20}});
    const double balanceY = y;
    y = row(page, "CuiGeng", y, 38, {{"您当前的剩余墨川币", "", 120}, {"", "balance", 55}, {"点", "", 20}});
    auto recharge = actionButton({10 + 195 + 10, balanceY + 1.5, 80, 35}, "我要充值", page,
                                 &LocalInteractiveViewController::rechargeAccount);
    recharge->setAutoresizingMask(ui::FlexibleRightMargin);
    y = row(page, "CuiGeng", y, 38, {{"您还可以消费", "", 80}, {"", "=100", 30}, {"墨川币/张 购买更新票", "", 130}});
    return y + 20;
}

double LocalInteractiveViewController::buildDaShang(ui::View& page) {
    const double w = page.bounds().width();
    const gfx::Image ddl = ui::BundleImage::named("btn_ddl.png").stretchable(18, 0);
    auto intro = genLabelWithFrame({10, 3, w - 20, 38}, 12, "这书写的实在是太好了，我决定打赏作品", page);
    const auto& amounts = listForTag(kListDaShang);
    auto list = genListButtonWithFrame({(w - 190) / 2, intro->frame().maxY(), 200, 20}, ddl,
                                       amounts[static_cast<size_t>(presetIndex(kListDaShang))].key, kListDaShang, page);
    list->selectedIndex = presetIndex(kListDaShang);
    list->setAutoresizingMask(ui::FlexibleLeftMargin | ui::FlexibleRightMargin);
    m_listButtons[kListDaShang] = list;
    auto box = messageBoxFor({30, list->frame().maxY() + 20, w - 60, 60}, page, kBoxDaShang,
                             "这本书太棒了！犒劳一下，希望后续更精彩！");
    auto hint = genLabelWithFrame({30, box->frame().maxY(), w - 60, 38}, 12,
                                  "你可以输入6-500字寄语给作者，打赏成功后，您的寄语将在书评区显示", page);
    hint->setNumberOfLines(0);
    auto send = actionButton({40, hint->frame().maxY() + 5, w - 80, 35}, "确定打赏", page,
                             &LocalInteractiveViewController::btnDaShangClick);
    double y = row(page, "DaShang", send->frame().maxY() + 20, 19,
                   {{"您当前剩余", "", 60}, {"", "balance", 55}, {"墨川币", "", 50}});
    genLabelWithFrame({10, y, w - 20, 19}, 12,
                      replaceMark("您当前的粉丝等级为：%@", valueText(pageObject("DaShang")["fansLevel"])), page);
    y += 19;
    auto recharge =
        actionButton({10, y + 8, 80, 35}, "我要充值", page, &LocalInteractiveViewController::rechargeAccount);
    auto note = genLabelWithFrame({10, recharge->frame().maxY() + 8, w - 20, 38}, 12,
                                  "打赏成功后，只有当月打赏的信息才会在书页的打赏栏滚动显示", page);
    note->setNumberOfLines(0);
    return note->frame().maxY() + 15;
}

double LocalInteractiveViewController::buildTicketPage(ui::View& page, bool pink) {
    const double w = page.bounds().width();
    const std::string name = pink ? "FenHongPiao" : "YuePiao";
    const int listTag = pink ? kListFenHongPiao : kListYuePiao;
    const gfx::Image ddl = ui::BundleImage::named("btn_ddl.png").stretchable(18, 0);
    auto intro =
        genLabelWithFrame({10, 3, w - 20, 38}, 12,
                          pink ? "这书写的实在是太好了，我决定投粉红票" : "这书写的实在是太好了，我决定投月票", page);
    auto list = genListButtonWithFrame({(w - 120) / 2, intro->frame().maxY(), 120, 20}, ddl, listForTag(listTag)[0].key,
                                       listTag, page);
    list->setAutoresizingMask(ui::FlexibleLeftMargin | ui::FlexibleRightMargin);
    m_listButtons[listTag] = list;
    const std::string ticket = pink ? "粉红票" : "月票";
    const std::string preset =
        replaceMark("世界上最快乐的事情，莫过于写书有订阅，天天有打赏，时时有" + ticket +
                        "，猫吃鱼，狗吃肉，奥特曼打小怪兽。在此鞠躬感谢 %@ 同学的支持，谢谢您的" + ticket +
                        "，弱弱的再问一句，还有么？",
                    LoginHelper::getUserNickName());
    auto box =
        messageBoxFor({30, list->frame().maxY() + 20, w - 60, 80}, page, pink ? kBoxFenHongPiao : kBoxYuePiao, preset);
    auto hint = genLabelWithFrame({30, box->frame().maxY(), w - 60, 38}, 12,
                                  "你可以输入6-500字寄语给作者，投票成功后，您的寄语将在书评区显示", page);
    hint->setNumberOfLines(0);
    auto send = actionButton({40, hint->frame().maxY() + 5, w - 80, 35}, pink ? "确定投票" : "提交", page,
                             pink ? &LocalInteractiveViewController::btnFenHongClick
                                  : &LocalInteractiveViewController::btnYuePiaoClick);
    double y = row(
        page, name, send->frame().maxY() + 20, 19,
        {{pink ? "您当前的剩余粉红票数" : "您当前的剩余月票数", "", 120}, {"", "ticketAvailable", 55}, {"张", "", 20}});
    auto help = actionButton({10, y + 8, 120, 35}, pink ? "如何获得更多粉红票" : "如何获得更多月票", page,
                             pink ? &LocalInteractiveViewController::helpFenHongClick
                                  : &LocalInteractiveViewController::helpYuePiao);
    y = row(page, name, help->frame().maxY() + 8, 19,
            {{"您已投当前作品", "", 90},
             {"", "hadVoteCount", 25},
             {pink ? "张粉红票，还可以投" : "张月票，还可以投", "", 110},
             {"", "canVoteCount", 25},
             {"张", "", 20}});
    auto note = genLabelWithFrame({10, y + 8, w - 20, 38}, 12,
                                  pink ? "每次打赏本书作者 10000 墨川币，即投本书粉红票 1 张"
                                       : std::string("每次打赏本书作者 10000 ") + "墨川币" + "，即投本书月票 1 张",
                                  page);
    note->setNumberOfLines(0);
    return note->frame().maxY() + 15;
}

double LocalInteractiveViewController::buildPingJia(ui::View& page) {
    const double w = page.bounds().width();
    const gfx::Image ddl = ui::BundleImage::named("btn_ddl.png").stretchable(18, 0);
    auto intro = genLabelWithFrame({10, 3, w - 20, 38}, 12, "这书写的实在是太好了，我决定给本书评价", page);
    const auto& points = listForTag(kListPingJiaWords);
    auto list = genListButtonWithFrame({(w - 150) / 2, intro->frame().maxY() + 9, 150, 20}, ddl,
                                       points[static_cast<size_t>(presetIndex(kListPingJiaWords))].key,
                                       kListPingJiaWords, page);
    list->selectedIndex = presetIndex(kListPingJiaWords);
    list->setAutoresizingMask(ui::FlexibleLeftMargin | ui::FlexibleRightMargin);
    m_listButtons[kListPingJiaWords] = list;
    const double y = list->frame().maxY() + 9;
    genLabelWithFrame({10, y, 50, 38}, 12, "我要投票", page);
    m_listButtons[kListPingJiaTickets] = genListButtonWithFrame(
        {65, y + 9, 100, 20}, ddl, listForTag(kListPingJiaTickets)[0].key, kListPingJiaTickets, page);
    genLabelWithFrame({165, y, 60, 38}, 12, "张评价票", page);
    auto send =
        actionButton({40, y + 38 + 15, w - 80, 35}, "确定评价", page, &LocalInteractiveViewController::btnPingJiaClick);
    const double rowBottom = row(page, "PingJia", send->frame().maxY() + 15, 38,
                                 {{"您有", "", 40},
                                  {"", "ticketAvailable", 40},
                                  {"张评价票，您有", "", 100},
                                  {"", "balance", 55},
                                  {"墨川币", "", 60}});
    auto recharge =
        actionButton({10, rowBottom + 10, 80, 35}, "我要充值", page, &LocalInteractiveViewController::rechargeAccount);
    auto note = genLabelWithFrame({10, recharge->frame().maxY() + 8, w - 20, 19}, 12, "评价票，每票200墨川币", page);
    return note->frame().maxY() + 20;
}

double LocalInteractiveViewController::buildTuiJian(ui::View& page) {
    const double w = page.bounds().width();
    const gfx::Image ddl = ui::BundleImage::named("btn_ddl.png").stretchable(18, 0);
    auto intro = genLabelWithFrame({10, 3, w - 20, 38}, 12, "这书写的实在是太好了，我决定投推荐票", page);
    const double y = intro->frame().maxY() + 9;
    genLabelWithFrame({10, y, 50, 38}, 12, "我要投票", page);
    m_listButtons[kListTuiJian] =
        genListButtonWithFrame({60, y + 9, 110, 20}, ddl, listForTag(kListTuiJian)[0].key, kListTuiJian, page);
    genLabelWithFrame({170, y, 60, 38}, 12, "张推荐票", page);
    auto send =
        actionButton({40, y + 38 + 15, w - 80, 35}, "提交", page, &LocalInteractiveViewController::btnTuiJianClick);
    double r = row(page, "TuiJian", send->frame().maxY() + 15, 19,
                   {{"您当前的剩余墨川推荐票", "", 150}, {"", "ticketAvailableMain", 40}, {"张", "", 20}});
    r = row(page, "TuiJian", r, 19, {{"女生推荐票", "", 60}, {"", "ticketAvallableMM", 40}, {"张", "", 20}});
    r = row(page, "TuiJian", r, 19, {{"文学推荐票", "", 60}, {"", "ticketAvallableWX", 40}, {"张", "", 20}});
    auto help =
        actionButton({10, r + 8, 120, 35}, "如何获得推荐票", page, &LocalInteractiveViewController::helpTuiJianClick);
    r = row(page, "TuiJian", help->frame().maxY() + 15, 19,
            {{"您已经投入了当前作品", "", 120},
             {"", "CommendedCount", 30},
             {"张推荐票，还可以投", "", 110},
             {"", "CommendAvailable", 30},
             {"张", "", 20}});
    return r + 15;
}

double LocalInteractiveViewController::buildYinXiang(ui::View& page) {
    const double w = page.bounds().width();
    auto intro = genLabelWithFrame({10, 3, w - 20, 38}, 12, "添加您对本书的印象，您的印象：", page);
    m_tfYinXiang = ui::View::create<ui::TextField>(gfx::Rect(10, intro->frame().maxY() + 2, 200, 30));
    m_tfYinXiang->setBorderStyle(ui::TextBorderStyle::RoundedRect);
    m_tfYinXiang->setPlaceholder("印象为1至5个汉字");
    m_tfYinXiang->clearButtonMode = ui::TextFieldViewMode::WhileEditing;
    page.addSubview(m_tfYinXiang);
    const gfx::Rect field = m_tfYinXiang->frame();
    actionButton({field.maxX() + 5, field.y() - 2, 80, 35}, "提交", page,
                 &LocalInteractiveViewController::btnYinXiangClick);
    const core::Value& object = pageObject("YinXiang");
    std::weak_ptr<LocalInteractiveViewController> weak = self();
    auto flow = [&](const std::vector<std::pair<std::string, std::string>>& labels, double top, double gap,
                    double limit) {
        std::vector<std::shared_ptr<YinXiangButton>> buttons;
        std::vector<double> widths;
        for (const auto& [shown, carried] : labels) {
            auto b = YinXiangButton::create();
            b->titleLabel().setFont(gfx::Font::systemFont(12));
            b->setTitle(shown);
            b->setTitleColor(gfx::Color::fromRGB255(19, 90, 19));
            b->yinXiang = carried;
            b->sizeToFit();
            b->addTarget(
                [weak](ui::Control& sender) {
                    if (auto s = weak.lock())
                        s->btnYinXiangLabelClick(static_cast<YinXiangButton&>(sender));
                },
                ui::ControlEventTouchUpInside);
            widths.push_back(b->frame().width());
            buttons.push_back(b);
        }
        const auto origins = flowLabels(widths, 10, top, gap, limit);
        double bottom = top;
        for (size_t i = 0; i < buttons.size(); ++i) {
            const gfx::Rect f = buttons[i]->frame();
            buttons[i]->setFrame({origins[i].x, origins[i].y, f.width(), f.height()});
            page.addSubview(buttons[i]);
            m_labelButtons.push_back(buttons[i]);
            bottom = std::max(bottom, buttons[i]->frame().maxY());
        }
        return bottom;
    };
    auto heading = genLabelWithFrame({10, field.maxY() + 8, w - 20, 19}, 12, "书友的印象", page);
    std::vector<std::pair<std::string, std::string>> given;
    if (auto* list = object["LabelList"].asArray())
        for (const auto& entry : *list) {
            const std::string name = entry["Name"].asString().value_or("");
            given.emplace_back(name + "（" + valueText(entry["Count"]) + "）", name);
        }
    const double limit = labelLimitWidth();
    double bottom = flow(given, heading->frame().maxY(), 5, limit);
    auto defaults = genLabelWithFrame({10, bottom + 8, w - 20, 19}, 12, "默认印象", page);
    std::vector<std::pair<std::string, std::string>> suggested;
    if (auto* list = object["DefaultLabel"].asArray())
        for (const auto& entry : *list)
            if (auto text = entry.asString())
                suggested.emplace_back(*text, *text);
    bottom = flow(suggested, defaults->frame().maxY(), 10, limit - 10);
    return bottom + 15;
}

void LocalInteractiveViewController::buildPages() {
    m_lists = choiceLists(wholeNumber(pageObject("FenHongPiao")["Enable"]) == 1);
    const gfx::Rect pageFrame = m_bottomScroll->bounds();
    for (size_t i = 0; i < pageOrder().size(); ++i) {
        const std::string& name = pageOrder()[i];
        if (wholeNumber(pageObject(name)["Enable"]) != 1)
            continue;
        auto page = ui::View::create<ui::ScrollView>(gfx::Rect(0, 0, pageFrame.width(), pageFrame.height()));
        page->setBackgroundColor(gfx::Color::clear());
        m_bottomScroll->addHorizontalSubview(page);
        double height = 0;
        if (name == "CuiGeng")
            height = buildCuiGeng(*page);
        else if (name == "DaShang")
            height = buildDaShang(*page);
        else if (name == "FenHongPiao")
            height = buildTicketPage(*page, true);
        else if (name == "PingJia")
            height = buildPingJia(*page);
        else if (name == "TuiJian")
            height = buildTuiJian(*page);
        else if (name == "YinXiang")
            height = buildYinXiang(*page);
        else
            height = buildTicketPage(*page, false);
        page->setContentSize({pageFrame.width(), height});
        m_pageViews[name] = page;
        m_pageNames.push_back(kPageTitles[i]);
    }
    m_sectionView->setButtonNames(m_pageNames);
    if (!m_pageNames.empty())
        m_sectionView->setButtonSelectedAtIndexAnimate(m_currPage);
    m_bottomScroll->reLayout();
}

} // namespace pw

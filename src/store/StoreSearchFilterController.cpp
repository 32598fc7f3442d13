#include "store/StoreSearchFilterController.h"

#include "foundation/config/DeviceKind.h"
#include "platform/gfx/Font.h"
#include "platform/ui/BundleImage.h"
#include "platform/ui/Button.h"
#include "platform/ui/NavigationController.h"
#include "site/Ostra.h"
#include "store/StoreSearchResultController.h"

namespace pw {

const std::vector<StoreSearchFilterController::Row>& StoreSearchFilterController::rows() {
    static const std::vector<Row> r = [] {
        std::vector<Row> out;
        out.push_back({"作品大类：",
                       "channel",
                       70,
                       {{"全部", "-1"},
                        {"玄幻", "21"},
                        {"奇幻", "1"},
                        {"武侠", "2"},
                        {"仙侠", "22"},
                        {"都市", "4"},
                        {"历史", "5"},
                        {"军事", "6"},
                        {"游戏", "7"},
                        {"竞技", "8"},
                        {"科幻", "9"},
                        {"灵异", "10"},
                        {"同人", "12"},
                        {"图文", "14"},
                        {"文学", "31"},
                        {"女生", "41"}}});
        out.push_back({"作品字数：",
                       "size",
                       90,
                       {{"全部", "-1"},
                        {"30万以下", "1"},
                        {"30万-50万", "2"},
                        {"50万-100万", "3"},
                        {"100万－200万", "4"},
                        {"200万以上", "5"}}});
        out.push_back({"写作进度：",
                       "action",
                       70,
                       {{"不限制", "-1"},
                        {"新书上传", "1"},
                        {"情节展开", "2"},
                        {"精彩纷呈", "3"},
                        {"接近尾声", "4"},
                        {"已经完本", "5"}}});
        out.push_back({"排序方式：",
                       "order",
                       90,
                       {{"默认", "6"},
                        {"会员周点击", "7"},
                        {"会员月点击", "2"},
                        {"会员总点击", "1"},
                        {"周推荐", "8"},
                        {"月推荐", "4"},
                        {"总推荐", "3"},
                        {"总字数", "5"},
                        {"总收藏", "9"},
                        {"书友周点击", "11"},
                        {"书友月点击", "12"},
                        {"书友总点击", "13"}}});
        out.push_back({"更新时间：",
                       "update",
                       70,
                       {{"不限", "-1"}, {"三日内", "1"}, {"七日内", "2"}, {"本月内", "3"}, {"一月内", "4"}}});
        Row letters{"书名首字母：", "p", 60, {{"不限", "all"}}};
        for (char c = 'a'; c <= 'z'; ++c)
            letters.entries.push_back({std::string("[") + static_cast<char>(c - 'a' + 'A') + "]", std::string(1, c)});
        letters.entries.push_back({"其他", "0"});
        out.push_back(std::move(letters));
        out.push_back({"其他选项：",
                       "vipBoutiqueSignstatus",
                       120,
                       {{"不限", "-1a-1a-1"},
                        {"只看免费作品", "0a-1a-1"},
                        {"只看 VIP 作品", "1a-1a-1"},
                        {"只看 A 级签约作品", "-1a-1a1"},
                        {"精品小说", "-1a1a-1"}}});
        return out;
    }();
    return r;
}

std::string StoreSearchFilterController::queryFor(const std::vector<std::string>& values) {
    std::string q;
    const auto& r = rows();
    for (size_t i = 0; i < r.size(); ++i)
        q += (i ? "&" : "") + r[i].key + "=" + (i < values.size() ? values[i] : std::string());
    return q;
}

std::shared_ptr<ui::Label>
StoreSearchFilterController::genLabelWithFrame(const gfx::Rect& frame, const std::string& text, ui::View& container) {
    auto label = ui::View::create<ui::Label>(frame);
    label->setFont(gfx::Font::systemFont(14));
    label->setAutoresizingMask(ui::FlexibleRightMargin);
    label->setBackgroundColor(gfx::Color::clear());
    label->setText(text);
    label->setTextColor(gfx::Color::black());
    container.addSubview(label);
    return label;
}

std::shared_ptr<HorizontalPickerView>
StoreSearchFilterController::genPickerWithFrame(const gfx::Rect& frame, const Row& row, ui::View& container) {
    auto picker = HorizontalPickerView::initWithFrame(frame);
    picker->setFontSize(13);
    picker->setCellWidth(row.cellWidth);
    picker->setAutoresizingMask(ui::FlexibleWidth);
    container.addSubview(picker);
    std::vector<std::string> names;
    std::vector<core::Value> values;
    for (const auto& [name, value] : row.entries) {
        names.push_back(name);
        values.emplace_back(value);
    }
    picker->setNamesWithArray(names);
    picker->setValuesWithArray(std::move(values));
    return picker;
}

void StoreSearchFilterController::viewDidLoad() {
    m_scroll = ui::View::create<ui::ScrollView>(view()->bounds());
    m_scroll->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    m_scroll->bounces = false;
    view()->addSubview(m_scroll);
    const double h = currentDeviceKind() == DeviceKind::Tablet ? 80 : 43;
    const double pickerWidth = m_scroll->bounds().size.width - 110;
    double y = 2;
    double bottom = 0;
    for (const auto& row : rows()) {
        auto label = genLabelWithFrame({10, y, 90, h}, row.label, *m_scroll);
        const gfx::Rect lf = label->frame();
        m_pickers.push_back(
            genPickerWithFrame({lf.maxX() + 2, lf.y() + (h - 39) / 2, pickerWidth, 39}, row, *m_scroll));
        bottom = lf.maxY();
        y = bottom + 1;
    }
    auto search = ui::Button::create();
    search->setFrame({10, bottom + 5, m_scroll->bounds().size.width - 20, 35});
    search->setAutoresizingMask(ui::FlexibleWidth);
    search->setBackgroundImage(ui::BundleImage::named("buy_chapter_button.png").stretchable(8, 10));
    search->titleLabel().setFont(gfx::Font::systemFont(12));
    search->setTitleColor(gfx::Color::black());
    search->setTitle("搜索书籍");
    std::weak_ptr<StoreBaseViewController> weak = weakSelf();
    search->addTarget(
        [weak](ui::Control&) {
            if (auto s = weak.lock())
                static_cast<StoreSearchFilterController*>(s.get())->beginSearch();
        },
        ui::ControlEventTouchUpInside);
    m_scroll->addSubview(search);
    m_scroll->setContentSize({m_scroll->bounds().size.width, search->frame().maxY() + 15});
    StoreBaseViewController::viewDidLoad();
    view()->setBackgroundColor(gfx::Color::fromRGB255(236, 237, 239));
    Ostra::createOstraReferrer(className(), title(), className(), className(), className(), className());
}

void StoreSearchFilterController::viewWillAppear(bool animated) {
    StoreBaseViewController::viewWillAppear(animated);
    for (auto& p : m_pickers)
        p->reLayout();
}

void StoreSearchFilterController::willAnimateRotationToInterfaceOrientation(device::Orientation o, double d) {
    for (auto& p : m_pickers)
        p->reLayout();
    StoreBaseViewController::willAnimateRotationToInterfaceOrientation(o, d);
}

std::string StoreSearchFilterController::currentQuery() const {
    std::vector<std::string> values;
    for (const auto& p : m_pickers) {
        auto v = p->getSeletedValue();
        values.push_back(v ? v->asString().value_or("") : std::string());
    }
    return queryFor(values);
}

void StoreSearchFilterController::beginSearch() {
    auto results = StoreSearchResultController::create();
    results->isSearchByKeyword = false;
    results->query = currentQuery();
    results->setTitle("分类搜索结果");
    if (auto* nav = navigationController())
        nav->pushViewController(results, true);
}

} // namespace pw

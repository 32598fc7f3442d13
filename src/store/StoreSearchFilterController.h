#pragma once
// The form that lists the store by seven properties (category, length,
// progress, order, update time, initial letter, other options) and opens the
// results of that listing.
#include "foundation/widgets/HorizontalPickerView.h"
#include "platform/ui/Label.h"
#include "platform/ui/ScrollView.h"
#include "store/StoreBaseViewController.h"

#include <string>
#include <vector>

namespace pw {

class StoreSearchFilterController : public StoreBaseViewController {
public:
    static std::shared_ptr<StoreSearchFilterController> create() {
        return ViewController::create<StoreSearchFilterController>();
    }
    struct Row {
        std::string label;
        std::string key;
        int cellWidth = 70;
        std::vector<std::pair<std::string, std::string>> entries; // shown name, value sent
    };
    static const std::vector<Row>& rows();
    // The listing's query for the chosen values, in the rows' order.
    static std::string queryFor(const std::vector<std::string>& values);

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void willAnimateRotationToInterfaceOrientation(device::Orientation o, double duration) override;
    void beginSearch();
    std::string currentQuery() const;
    std::string className() const override { return "StoreSearchFilterController"; }
    const std::vector<std::shared_ptr<HorizontalPickerView>>& pickers() const { return m_pickers; }
    // The seven pickers by what they choose, in the rows' order.
    HorizontalPickerView* pkDaLei() const { return picker(0); }
    HorizontalPickerView* pkZiShu() const { return picker(1); }
    HorizontalPickerView* pkJinDu() const { return picker(2); }
    HorizontalPickerView* pkPaiXu() const { return picker(3); }
    HorizontalPickerView* pkGenXin() const { return picker(4); }
    HorizontalPickerView* pkShouZiMu() const { return picker(5); }
    HorizontalPickerView* pkQiTa() const { return picker(6); }

    static std::shared_ptr<ui::Label> genLabelWithFrame(const gfx::Rect& frame, const std::string& text,
                                                        ui::View& container);
    static std::shared_ptr<HorizontalPickerView> genPickerWithFrame(const gfx::Rect& frame, const Row& row,
                                                                    ui::View& container);

protected:
    StoreSearchFilterController() { setTitle("分类筛选"); }
    friend class ui::ViewController;

private:
    HorizontalPickerView* picker(size_t i) const { return i < m_pickers.size() ? m_pickers[i].get() : nullptr; }
    std::shared_ptr<ui::ScrollView> m_scroll;
    std::vector<std::shared_ptr<HorizontalPickerView>> m_pickers;
};

} // namespace pw

#pragma once
// One choice list of the settings screen (font size, page turn, scroll speed,
// theme, line spacing): a check mark on the current value; a tap moves the
// mark, applies the value to the reading configuration and saves it.
#include "platform/core/Cancelable.h"
#include "platform/ui/TableView.h"
#include "platform/ui/ViewController.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pw {

class RZConfig;

class RZSettingTableController : public ui::ViewController,
                                 public ui::TableViewDataSource,
                                 public ui::TableViewDelegate {
public:
    static std::shared_ptr<RZSettingTableController> create() {
        return ViewController::create<RZSettingTableController>();
    }
    ~RZSettingTableController() override;

    static constexpr double kScrollDelay = 0.3;

    void setArrMenuTitles(std::vector<std::string> titles) { m_arrMenuTitles = std::move(titles); }
    const std::vector<std::string>& arrMenuTitles() const { return m_arrMenuTitles; }
    void setArrMenuValues(std::vector<double> values) { m_arrMenuValues = std::move(values); }
    const std::vector<double>& arrMenuValues() const { return m_arrMenuValues; }
    void setSetType(int type) { m_setType = type; }
    int setType() const { return m_setType; }
    void setRzConfig(std::shared_ptr<RZConfig> config) { m_rzConfig = std::move(config); }
    const std::shared_ptr<RZConfig>& rzConfig() const { return m_rzConfig; }
    void setLstIndexPath(std::optional<ui::IndexPath> ip) { m_lstIndexPath = ip; }
    const std::optional<ui::IndexPath>& lstIndexPath() const { return m_lstIndexPath; }
    const std::shared_ptr<ui::TableView>& table() const { return m_table; }

    void viewDidLoad() override;
    bool shouldAutorotateToInterfaceOrientation(device::Orientation o) const override;

    int64_t numberOfRows(ui::TableView&, int64_t) override { return static_cast<int64_t>(m_arrMenuValues.size()); }
    std::shared_ptr<ui::TableViewCell> cellForRow(ui::TableView& table, const ui::IndexPath& ip) override;
    bool canEditRow(ui::TableView&, const ui::IndexPath&) override { return false; }
    ui::TableViewCellEditingStyle editingStyleForRow(ui::TableView&, const ui::IndexPath&) override {
        return ui::TableViewCellEditingStyle::None;
    }
    void didSelectRow(ui::TableView& table, const ui::IndexPath& ip) override;

    // Applies the value of a row by the list's type, then saves.
    void cellSelected(const ui::IndexPath& ip);
    void scrollToPos();

protected:
    RZSettingTableController() = default;
    friend class ui::ViewController;

private:
    std::vector<std::string> m_arrMenuTitles;
    std::vector<double> m_arrMenuValues;
    int m_setType = 0;
    std::shared_ptr<RZConfig> m_rzConfig;
    std::optional<ui::IndexPath> m_lstIndexPath;
    std::shared_ptr<ui::TableView> m_table;
    core::Cancelable m_scroll;
};

} // namespace pw

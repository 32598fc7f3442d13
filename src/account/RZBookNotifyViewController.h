#pragma once
// The books with an update reminder, most recently read first. A leftward
// swipe on a row turns that book's reminder off and removes the row; the book
// stays on the shelf.
#include "account/RZBookNotifyCellDelegate.h"
#include "platform/core/Cancelable.h"
#include "platform/core/DateFormatter.h"
#include "platform/core/Value.h"
#include "platform/ui/TableView.h"
#include "platform/ui/ViewController.h"

#include <memory>

namespace pw {

class ProgressHUD;

class RZBookNotifyViewController : public ui::ViewController,
                                   public ui::TableViewDataSource,
                                   public RZBookNotifyCellDelegate {
public:
    static std::shared_ptr<RZBookNotifyViewController> create() {
        return ViewController::create<RZBookNotifyViewController>();
    }
    ~RZBookNotifyViewController() override;

    static constexpr double kHintScrollDelay = 1.5;
    static constexpr double kHintInsetDelay = 0.5;
    static constexpr double kHintHeight = 35;

    void viewDidLoad() override;
    bool shouldAutorotateToInterfaceOrientation(device::Orientation o) const override;

    int64_t numberOfRows(ui::TableView&, int64_t) override { return static_cast<int64_t>(m_data.size()); }
    std::shared_ptr<ui::TableViewCell> cellForRow(ui::TableView& table, const ui::IndexPath& ip) override;
    // Rows leave by the cell's own swipe, not by the table's delete button.
    bool canEditRow(ui::TableView&, const ui::IndexPath&) override { return false; }

    void swipeToNotify(RZBookNotifyCell& cell, int64_t bookId, int64_t rzBookId) override;

    const core::Value::Array& data() const { return m_data; }
    const std::shared_ptr<ui::TableView>& table() const { return m_table; }
    bool hasHint() const { return m_hint != nullptr; }
    bool hasFooter() const { return m_footer != nullptr; }
    // The time text of a row: "更新时间：" and the time in milliseconds as "yyyy-MM-dd HH:mm".
    std::string timeText(const core::Value& millis) const;

protected:
    RZBookNotifyViewController();
    friend class ui::ViewController;

private:
    void removeRow(int64_t row);

    core::Value::Array m_data;
    core::DateFormatter m_format;
    std::shared_ptr<ui::TableView> m_table;
    std::shared_ptr<ui::View> m_hint;
    std::shared_ptr<ui::View> m_footer;
    std::shared_ptr<ProgressHUD> m_hud;
    core::Cancelable m_hideHint;
    core::Cancelable m_insetHint;
};

} // namespace pw

#pragma once
// The message centre: the site's messages, newest first, unread ones marked;
// an edit mode and a swipe to delete; a tap opens the whole message and
// marks it read.
#include "account/RZMessageDetailDelegate.h"
#include "platform/core/DateFormatter.h"
#include "platform/core/Value.h"
#include "platform/ui/TableView.h"
#include "platform/ui/ViewController.h"

#include <memory>

namespace pw {

class ProgressHUD;

class RZMessageViewController : public ui::ViewController,
                                public ui::TableViewDataSource,
                                public ui::TableViewDelegate,
                                public RZMessageDetailDelegate {
public:
    static std::shared_ptr<RZMessageViewController> create() {
        return ViewController::create<RZMessageViewController>();
    }
    ~RZMessageViewController() override;

    void viewDidLoad() override;
    bool shouldAutorotateToInterfaceOrientation(device::Orientation o) const override;

    // The edit button: editing on or off.
    void rightItemBtnClick();
    const std::string& editButtonTitle() const;

    int64_t numberOfRows(ui::TableView&, int64_t) override { return static_cast<int64_t>(m_data.size()); }
    std::shared_ptr<ui::TableViewCell> cellForRow(ui::TableView& table, const ui::IndexPath& ip) override;
    void commitEditingStyle(ui::TableView& table, ui::TableViewCellEditingStyle style,
                            const ui::IndexPath& ip) override;
    void didSelectRow(ui::TableView& table, const ui::IndexPath& ip) override;
    void willBeginEditingRow(ui::TableView&, const ui::IndexPath&) override;
    void didEndEditingRow(ui::TableView&, const ui::IndexPath&) override;
    std::string titleForDeleteConfirmation(ui::TableView&, const ui::IndexPath&) override { return "删除"; }

    void RZMessageDetailDelete(int64_t notifyId, const ui::IndexPath& indexPath) override;

    const core::Value::Array& data() const { return m_data; }
    const std::shared_ptr<ui::TableView>& table() const { return m_table; }
    bool hasFooter() const { return m_footer != nullptr; }
    std::string dateText(const core::Value& millis) const;

protected:
    RZMessageViewController();
    friend class ui::ViewController;

private:
    void setEditTitle(const char* title);
    // Deletes the message from the table, then its row; false when the
    // table kept it.
    bool deleteMessage(int64_t notifyId);
    void showTip(const std::string& text);

    core::Value::Array m_data;
    core::DateFormatter m_format;
    std::shared_ptr<ui::TableView> m_table;
    std::shared_ptr<ui::View> m_footer;
    std::shared_ptr<ProgressHUD> m_hud;
};

} // namespace pw

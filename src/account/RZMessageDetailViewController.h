#pragma once
// One message in full: its title, its date and its text; a message whose key
// is "URL" shows its value as a link after the text. The delete button
// removes the message and goes back to the list.
#include "account/RZMessageDetailDelegate.h"
#include "platform/core/Value.h"
#include "platform/ui/Label.h"
#include "platform/ui/TextView.h"
#include "platform/ui/ViewController.h"

#include <memory>

namespace pw {

class ProgressHUD;

class RZMessageDetailViewController : public ui::ViewController {
public:
    static std::shared_ptr<RZMessageDetailViewController> create() {
        return ViewController::create<RZMessageDetailViewController>();
    }
    ~RZMessageDetailViewController() override;

    void setNotifyId(int64_t id) { m_notifyId = id; }
    int64_t notifyId() const { return m_notifyId; }
    void setDelegate(std::weak_ptr<RZMessageDetailDelegate> d) { m_delegate = std::move(d); }
    void setIndexPath(const ui::IndexPath& ip) { m_indexPath = ip; }
    const ui::IndexPath& indexPath() const { return m_indexPath; }

    // The text the text view shows for a record.
    static std::string bodyText(const core::Value& record);

    void viewDidLoad() override;
    bool shouldAutorotateToInterfaceOrientation(device::Orientation o) const override;
    void rightBtnClick();

    const std::shared_ptr<ui::Label>& titleLabel() const { return m_title; }
    const std::shared_ptr<ui::Label>& dateLabel() const { return m_date; }
    const std::shared_ptr<ui::TextView>& textView() const { return m_text; }

protected:
    RZMessageDetailViewController() { setTitle("消息内容"); }
    friend class ui::ViewController;

private:
    int64_t m_notifyId = 0;
    std::weak_ptr<RZMessageDetailDelegate> m_delegate;
    ui::IndexPath m_indexPath;
    std::shared_ptr<ui::Label> m_title;
    std::shared_ptr<ui::Label> m_date;
    std::shared_ptr<ui::TextView> m_text;
    std::shared_ptr<ProgressHUD> m_hud;
};

} // namespace pw

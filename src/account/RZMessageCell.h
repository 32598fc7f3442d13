#pragma once
// One message of the message centre: its title, its date and an icon that
// tells read from unread.
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/TableViewCell.h"

#include <memory>
#include <string>

namespace pw {

class RZMessageCell : public ui::TableViewCell {
public:
    static std::shared_ptr<RZMessageCell> create(const std::string& reuseIdentifier) {
        return View::create<RZMessageCell>(reuseIdentifier);
    }

    int64_t notifyId = 0;
    ui::Label& lblMsgTitle() { return *m_lblMsgTitle; }
    ui::Label& lblCreateTime() { return *m_lblCreateTime; }
    ui::ImageView& imgIcon() { return *m_imgIcon; }
    bool isRead() const { return m_read; }

    void setMessageIsRead(bool read);

protected:
    explicit RZMessageCell(const std::string& reuseIdentifier);
    friend class View;
    void didCreate() override;

private:
    std::shared_ptr<ui::View> m_bgView;
    std::shared_ptr<ui::ImageView> m_imgIcon;
    std::shared_ptr<ui::Label> m_lblMsgTitle;
    std::shared_ptr<ui::Label> m_lblCreateTime;
    bool m_read = false;
};

} // namespace pw

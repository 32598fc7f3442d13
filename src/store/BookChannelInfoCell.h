#pragma once
// A recommendation group's row on the store's home screen: the site badge
// with its name written down the side, the group's icon, its name and its
// description.
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/TableViewCell.h"

#include <memory>
#include <string>

namespace pw {

class BookChannelInfoCell : public ui::TableViewCell {
public:
    static std::shared_ptr<BookChannelInfoCell> initWithRowHeight(double h, ui::TableViewCellStyle style,
                                                                  const std::string& reuseIdentifier) {
        return View::create<BookChannelInfoCell>(h, style, reuseIdentifier);
    }
    // The badge's name for a site type (empty for an unknown one).
    static std::string channelName(int siteType);

    void setBgColor(const gfx::Color& c);
    void loadChannelImage(int siteType);
    void showIcon(bool show);
    void reloadImageByPath(const std::string& path);
    void reloadImageByName(const std::string& name);

    ui::ImageView& imgIcon() { return *m_imgIcon; }
    ui::Label& lblName() { return *m_lblName; }
    ui::Label& lblDescription() { return *m_lblDescription; }
    ui::ImageView& imgChannel() { return *m_imgChannel; }
    ui::Label& lblChannel() { return *m_lblChannel; }

protected:
    BookChannelInfoCell(double h, ui::TableViewCellStyle style, std::string reuseIdentifier)
        : ui::TableViewCell(style, std::move(reuseIdentifier)), m_rowHeight(h) {}
    friend class ui::View;
    void didCreate() override;

private:
    double m_rowHeight = 100;
    std::shared_ptr<ui::View> m_bgView;
    std::shared_ptr<ui::ImageView> m_imgChannel;
    std::shared_ptr<ui::Label> m_lblChannel;
    std::shared_ptr<ui::ImageView> m_imgIcon;
    std::shared_ptr<ui::Label> m_lblName;
    std::shared_ptr<ui::Label> m_lblDescription;
};

} // namespace pw

#pragma once
// The content of one row of the site chapter list: name, update time,
// whether it is downloaded, and the VIP mark in front of the name.
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/View.h"

#include <cstdint>

namespace pw {

class RZChapterTableCell : public ui::View {
public:
    static std::shared_ptr<RZChapterTableCell> create(const gfx::Rect& frame) {
        return ui::View::create<RZChapterTableCell>(frame);
    }
    void reset();
    void showIcon(bool show);

    ui::Label& lblChapterName() { return *m_lblChapterName; }
    ui::Label& lblUpdateTime() { return *m_lblUpdateTime; }
    ui::Label& lblIsDown() { return *m_lblIsDown; }
    ui::ImageView& imgVipIcon() { return *m_imgVipIcon; }
    int64_t chapterId = 0;

protected:
    using ui::View::View;
    friend class ui::View;
    void didCreate() override;

private:
    std::shared_ptr<ui::Label> m_lblChapterName;
    std::shared_ptr<ui::Label> m_lblUpdateTime;
    std::shared_ptr<ui::Label> m_lblIsDown;
    std::shared_ptr<ui::ImageView> m_imgVipIcon;
};

} // namespace pw

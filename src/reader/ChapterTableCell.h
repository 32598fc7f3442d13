#pragma once
// The content of one row of a local book's contents or bookmarks: a name, a
// time on the left and a text on the right below it.
#include "platform/ui/Label.h"
#include "platform/ui/View.h"

namespace pw {

class ChapterTableCell : public ui::View {
public:
    static std::shared_ptr<ChapterTableCell> create(const gfx::Rect& frame) {
        return ui::View::create<ChapterTableCell>(frame);
    }
    void reset();

    ui::Label& lblChapterName() { return *m_lblChapterName; }
    ui::Label& lblUpdateTime() { return *m_lblUpdateTime; }
    ui::Label& lblIsDown() { return *m_lblIsDown; }

protected:
    using ui::View::View;
    friend class ui::View;
    void didCreate() override;

private:
    std::shared_ptr<ui::Label> m_lblChapterName;
    std::shared_ptr<ui::Label> m_lblUpdateTime;
    std::shared_ptr<ui::Label> m_lblIsDown;
};

} // namespace pw

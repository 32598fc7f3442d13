#include "platform/ui/Label.h"
#include "platform/ui/UiTestSupport.h"
#include "shelf/BooklistTableSectionView.h"

#include <utility>
#include <vector>

namespace pw {
namespace {

class SectionHeader : public ui::test::UiTest, public SectionHeaderViewDelegate {
protected:
    void sectionHeaderViewSectionOpened(BooklistTableSectionView&, int s) override { events.emplace_back(s, true); }
    void sectionHeaderViewSectionClosed(BooklistTableSectionView&, int s) override { events.emplace_back(s, false); }
    std::vector<std::pair<int, bool>> events;
};

TEST_F(SectionHeader, ShowsNameAndCountAndReportsTaps) {
    auto header = BooklistTableSectionView::create("书架1", 320, 5, false, 2);
    EXPECT_EQ(header->frame(), gfx::Rect(0, 0, 320, 36));
    EXPECT_EQ(header->nameLabel()->text(), "书架1");
    EXPECT_EQ(header->nameLabel()->frame(), gfx::Rect(25, 8, 185, 20));
    EXPECT_EQ(header->amountLabel()->text(), "（共 5 本）");
    EXPECT_EQ(header->amountLabel()->frame(), gfx::Rect(160, 8, 160, 20));
    EXPECT_EQ(header->arrowImageName(), "carat.png");
    EXPECT_EQ(BooklistTableSectionView::create("x", 320, 0, true, 0)->arrowImageName(), "carat-open.png");

    header->setDelegate(this);
    header->setFrame({0, 100, 320, 36});
    m_window->addSubview(header);
    tapView(header.get());
    advance(0.5);
    header->toggleOpen();
    EXPECT_EQ(events, (std::vector<std::pair<int, bool>>{{2, true}, {2, false}}));
    EXPECT_FALSE(header->isExpand());
}

} // namespace
} // namespace pw

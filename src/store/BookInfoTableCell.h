#pragma once
// The row of the store's book lists: the cover in its frame, the book name,
// the author, the latest chapter (up to two lines) and its update time, with
// "加载中..." over the cover while it downloads. In no-picture mode the cover
// goes and the texts move to the left edge. The list hands it ready texts.
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TableViewCell.h"

#include <cstdint>
#include <memory>
#include <string>

namespace pw {

class BookInfoTableCell : public ui::TableViewCell {
public:
    static std::shared_ptr<BookInfoTableCell> create(const std::string& reuseIdentifier) {
        return View::create<BookInfoTableCell>(ui::TableViewCellStyle::Default, reuseIdentifier);
    }
    static gfx::Rect coverRect() { return {11, 10, 74, 92}; }

    void setBgColor(const gfx::Color& c);
    virtual void reloadImage();
    void downImageWithRZBookId(int64_t rzBookId, int imageStatus, bool noImageMode,
                               const std::optional<ui::IndexPath>& indexPath, int tableTag);
    // The cached cover the cell shows: the book's own, or the shared one (id 0).
    static int64_t coverId(int64_t rzBookId, int imageStatus) { return imageStatus != 0 ? rzBookId : 0; }

    int64_t rzBookId = 0;
    int imageStatus = -1;
    int tbTag = 0;
    bool isNoImgMode = false;

    ui::ImageView& imgCover() { return *m_imgCover; }
    ui::ImageView& imgCoverShadow() { return *m_imgCoverShadow; }
    ui::Label& lblBookName() { return *m_lblBookName; }
    ui::Label& lblAuthor() { return *m_lblAuthor; }
    ui::Label& lblChapterName() { return *m_lblChapterName; }
    ui::Label& lblLstUpdateTime() { return *m_lblLstUpdateTime; }
    ui::Label& lblLoading() { return *m_lblLoading; }
    ui::View& bgView() { return *m_bgView; }

protected:
    BookInfoTableCell(ui::TableViewCellStyle style, std::string reuseIdentifier)
        : ui::TableViewCell(style, std::move(reuseIdentifier)) {}
    friend class ui::View;
    void didCreate() override;
    // Labels at x with the name `nameMargin` and the others `margin` short of the width.
    void placeLabels(double x, double nameMargin, double margin);

private:
    std::shared_ptr<ui::View> m_bgView;
    std::shared_ptr<ui::ImageView> m_imgCoverShadow;
    std::shared_ptr<ui::ImageView> m_imgCover;
    std::shared_ptr<ui::Label> m_lblBookName;
    std::shared_ptr<ui::Label> m_lblAuthor;
    std::shared_ptr<ui::Label> m_lblChapterName;
    std::shared_ptr<ui::Label> m_lblLstUpdateTime;
    std::shared_ptr<ui::Label> m_lblLoading;
};

} // namespace pw

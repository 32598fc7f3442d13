#pragma once

#include "platform/ui/View.h"

#include <cstdint>
#include <memory>
#include <string>

namespace pw {

namespace ui {
class ImageView;
class Label;
class ProgressView;
} // namespace ui

// One book on a grid page: its cover over a shadow, its type on a badge, its
// name, a new-chapter badge, a progress bar while the whole book downloads,
// and in edit mode a choose mark. A tap on the cover opens the book, or in edit
// mode flips its selection; the tile tells the main screen by notification.
class BookcaseBookUnit : public ui::View {
public:
    // n tiles in a row, this one at slot i.
    static std::shared_ptr<BookcaseBookUnit> create(int n, int i);
    // The tile's frame in its row.
    static gfx::Rect tileFrame(int n, int i, bool tablet);

    void reloadImage();
    // 0 <= p < 1 shows the bar at p; anything else (a finished or failed
    // download reports 1) hides it.
    void setupProgress(float p);
    // Back to the blank state for reuse.
    void reset();
    void showChooseImage();
    void hideChooseImage();
    void selectChooseImageAnimate();
    void showNew(bool show) { showNew(show, false); }
    void showNew(bool show, bool animate);
    void bookTap();

    int64_t bookId() const { return m_bookId; }
    void setBookId(int64_t v) { m_bookId = v; }
    int64_t rzBookId() const { return m_rzBookId; }
    void setRzBookId(int64_t v) { m_rzBookId = v; }
    int status() const { return m_status; }
    void setStatus(int v) { m_status = v; }
    const std::string& file() const { return m_file; }
    void setFile(std::string v) { m_file = std::move(v); }
    const std::string& coverImagePath() const { return m_coverImagePath; }
    void setCoverImagePath(std::string v) { m_coverImagePath = std::move(v); }
    bool selected() const { return m_selected; }
    void setSelected(bool v) { m_selected = v; }
    bool isEdit() const { return m_isEdit; }
    void setIsEdit(bool v) { m_isEdit = v; }

    ui::ImageView* imgCover() const { return m_imgCover.get(); }
    ui::Label* lblType() const { return m_lblType.get(); }
    ui::Label* lblBookName() const { return m_lblBookName.get(); }
    ui::ProgressView* progress() const { return m_progress.get(); }
    ui::ImageView* imgNew() const { return m_imgNew.get(); }
    ui::ImageView* imgChoose() const { return m_imgChoose.get(); }
    // The mark's picture name as last shown.
    const std::string& chooseImageName() const { return m_chooseImageName; }

protected:
    BookcaseBookUnit(int n, int i);
    void didCreate() override;
    friend class ui::View;

private:
    int m_n{3};
    int m_i{0};
    bool m_tablet{false};
    int64_t m_bookId{0};
    int64_t m_rzBookId{0};
    int m_status{0};
    std::string m_file{};
    std::string m_coverImagePath{};
    bool m_selected{false};
    bool m_isEdit{false};
    std::string m_chooseImageName{};
    std::shared_ptr<ui::ImageView> m_imgCover{};
    std::shared_ptr<ui::Label> m_lblType{};
    std::shared_ptr<ui::Label> m_lblBookName{};
    std::shared_ptr<ui::ProgressView> m_progress{};
    std::shared_ptr<ui::ImageView> m_imgNew{};
    std::shared_ptr<ui::ImageView> m_imgChoose{};
};

} // namespace pw

#pragma once

#include "platform/ui/View.h"

#include <cstdint>
#include <memory>
#include <string>

namespace pw {

namespace ui {
class Button;
class ImageView;
class Label;
class ProgressView;
} // namespace ui

// One row of the list shelf: cover over a shadow, a new-chapter badge, the
// type icon, name, author with the reading percentage, the last-read text and
// a progress bar while the whole book downloads. In edit mode an action bar
// along the bottom offers update and delete (site shelf) or delete and move
// (local shelf), told to the main screen by notification.
class BooklistCell : public ui::View {
public:
    static std::shared_ptr<BooklistCell> create(double width, double height);

    void reloadImage();
    // "RZ", "TXT", "UMD" or "EPUB" shows its icon; any other text shows none,
    // so a reused row never keeps the icon of the book it showed before.
    void setTypeImage(const std::string& type);
    void setupProgress(float p);
    // Back to the blank state for reuse.
    void reset();
    void showNew(bool show) { showNew(show, false); }
    void showNew(bool show, bool animate);
    void setEdit(bool edit);
    void updateBook();
    void delBook();
    void moveBook();

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
    // The type icon's picture name, empty when none shows.
    const std::string& typeImageName() const { return m_typeImageName; }

    ui::ImageView* imgCover() const { return m_imgCover.get(); }
    ui::ImageView* imgType() const { return m_imgType.get(); }
    ui::ImageView* imgNew() const { return m_imgNew.get(); }
    ui::Label* lblBookName() const { return m_lblBookName.get(); }
    ui::Label* lblAuthor() const { return m_lblAuthor.get(); }
    ui::Label* lblLstReadTime() const { return m_lblLstReadTime.get(); }
    ui::ProgressView* progress() const { return m_progress.get(); }
    ui::ImageView* menuView() const { return m_menuView.get(); }
    ui::Button* firstButton() const { return m_first.get(); }
    ui::Button* secondButton() const { return m_second.get(); }

    // "author ［ 12.3% ］"
    static std::string authorText(const std::string& author, double percent);
    // The title in the system font of that size, dark grey, with those insets.
    static void setButton(ui::Button& button, double fontSize, const std::string& title, gfx::EdgeInsets insets);

protected:
    BooklistCell(double width, double height);
    void didCreate() override;
    friend class ui::View;

private:
    std::shared_ptr<ui::Button> genBtnItem(const gfx::Rect& frame, const std::string& background);

    double m_width{0};
    double m_height{0};
    bool m_tablet{false};
    int64_t m_bookId{0};
    int64_t m_rzBookId{0};
    int m_status{0};
    std::string m_file{};
    std::string m_coverImagePath{};
    std::string m_typeImageName{};
    std::shared_ptr<ui::ImageView> m_imgCover{};
    std::shared_ptr<ui::ImageView> m_imgType{};
    std::shared_ptr<ui::ImageView> m_imgNew{};
    std::shared_ptr<ui::Label> m_lblBookName{};
    std::shared_ptr<ui::Label> m_lblAuthor{};
    std::shared_ptr<ui::Label> m_lblLstReadTime{};
    std::shared_ptr<ui::ProgressView> m_progress{};
    std::shared_ptr<ui::ImageView> m_menuView{};
    std::shared_ptr<ui::ImageView> m_imgSplit{};
    std::shared_ptr<ui::Button> m_first{};
    std::shared_ptr<ui::Button> m_second{};
};

} // namespace pw

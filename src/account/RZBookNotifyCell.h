#pragma once
// One book of the update reminders: cover, name, author, newest chapter and
// its time, and a "new" badge while the site has a chapter the user has not
// seen. A leftward swipe asks the delegate to turn the reminder off.
#include "account/RZBookNotifyCellDelegate.h"
#include "platform/core/Value.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/TableViewCell.h"

#include <memory>
#include <string>

namespace pw {

class RZBookNotifyCell : public ui::TableViewCell {
public:
    static std::shared_ptr<RZBookNotifyCell> create(const std::string& reuseIdentifier) {
        return View::create<RZBookNotifyCell>(reuseIdentifier);
    }

    // The badge rule: the newest chapter on the site is past the one seen.
    static bool showsNew(const core::Value& record);

    int64_t bookId = 0;
    int64_t rzBookId = 0;
    std::string coverImagePath;
    std::weak_ptr<RZBookNotifyCellDelegate> cellDelegate;

    ui::ImageView& imgCover() { return *m_imgCover; }
    ui::Label& lblBookName() { return *m_lblBookName; }
    ui::Label& lblAuthor() { return *m_lblAuthor; }
    ui::Label& lblChapterName() { return *m_lblChapterName; }
    ui::Label& lblLstUpdateTime() { return *m_lblLstUpdateTime; }
    ui::ImageView& imgNew() { return *m_imgNew; }
    bool isNewShown() const { return !m_imgNew->isHidden(); }

    // The cover from coverImagePath, else the default cover of the device kind.
    void reloadImage();
    void showNew(bool show);
    // What the leftward swipe does.
    void swiped();

protected:
    explicit RZBookNotifyCell(const std::string& reuseIdentifier);
    friend class View;
    void didCreate() override;

private:
    std::shared_ptr<ui::View> m_bgView;
    std::shared_ptr<ui::ImageView> m_imgCoverShadow;
    std::shared_ptr<ui::ImageView> m_imgCover;
    std::shared_ptr<ui::ImageView> m_imgNew;
    std::shared_ptr<ui::Label> m_lblBookName;
    std::shared_ptr<ui::Label> m_lblAuthor;
    std::shared_ptr<ui::Label> m_lblChapterName;
    std::shared_ptr<ui::Label> m_lblLstUpdateTime;
};

} // namespace pw

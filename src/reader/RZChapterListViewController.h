#pragma once
// A site book's table of contents: the chapters of its own database grouped by
// volume, the chapter being read marked, a volume panel, a page-jump handle and
// an update that fetches the chapters the site added since the last fetch.
//
// The groups are built whole on a worker and swapped in on the main thread, so
// the table never reads half a regrouping; an update or load that ends after
// the list closed is dropped.
#include "foundation/frame/RZNavigationControllerDelegate.h"
#include "platform/core/Cancelable.h"
#include "platform/core/DateFormatter.h"
#include "platform/core/Value.h"
#include "platform/ui/TableView.h"
#include "platform/ui/ViewController.h"
#include "reader/ChapterGrouping.h"
#include "reader/RZChapterListSectionDelegate.h"
#include "reader/RZChapterListViewDelegate.h"
#include "site/CheckLoginWithInfoDelegate.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pw {

class CheckLoginWithInfo;
class IGetBookInfo;
class ProgressHUD;
namespace ui {
class ActivityIndicatorView;
class Button;
class ImageView;
class Label;
class ScrollView;
} // namespace ui

class RZChapterListViewController : public ui::ViewController,
                                    public ui::TableViewDataSource,
                                    public ui::TableViewDelegate,
                                    public CheckLoginWithInfoDelegate,
                                    public RZChapterListSectionDelegate,
                                    public RZNavigationControllerDelegate {
public:
    static std::shared_ptr<RZChapterListViewController> create() {
        return ViewController::create<RZChapterListViewController>();
    }
    ~RZChapterListViewController() override;

    // Set by the opener before the push.
    int64_t rzBookId = 0;
    int64_t chapterId = 0; // 0 marks nothing
    std::weak_ptr<RZChapterListViewDelegate> didSelectDelegate;
    bool useCustomNavAnimate = false;
    // Keeps an opener's delegate that nothing else owns for the list's life.
    std::shared_ptr<void> delegateOwner;

    // Any thread: the book's chapters and volumes, grouped.
    static ChapterGroups loadGroups(int64_t rzBookId, int64_t markChapterId);
    static std::vector<ChapterListEntry> chapterEntries(const core::Value::Array& records);
    static std::string updateTimeText(const core::DateFormatter& formatter, int64_t milliseconds);

    void viewDidLoad() override;
    void viewDidUnload() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    bool shouldAutorotateToInterfaceOrientation(device::Orientation o) const override;
    void willAnimateRotationToInterfaceOrientation(device::Orientation o, double duration) override;

    // "更新": a login check, then an incremental fetch of the chapter list.
    void rightItemBtnClick();
    void checkLoginWithInfoResult(bool isLogin, const std::string& userId, const std::any& userPack) override;
    void getBookInfoCallback(const core::Value& result);

    void chapterVolomeSelectedName(const std::string& vname, const std::string& vcode) override;
    void volumeViewListSelected(int tag);
    void closeVolumeView();
    // A tap at height y within the page-jump handle.
    void scrollbarTap(double y);
    void scrollbarTapEnd();
    void customViewControllerAnimated() override;

    int64_t numberOfSections(ui::TableView&) override;
    int64_t numberOfRows(ui::TableView&, int64_t section) override;
    std::shared_ptr<ui::TableViewCell> cellForRow(ui::TableView& table, const ui::IndexPath& ip) override;
    bool canEditRow(ui::TableView&, const ui::IndexPath&) override { return false; }
    double heightForRow(ui::TableView&, const ui::IndexPath&) override { return 60; }
    double heightForHeader(ui::TableView&, int64_t) override { return 34; }
    std::shared_ptr<ui::View> viewForHeader(ui::TableView& table, int64_t section) override;
    void didSelectRow(ui::TableView& table, const ui::IndexPath& ip) override;

    // What the screen shows, for whoever watches it.
    const std::shared_ptr<ui::TableView>& table() const { return m_table; }
    const ChapterGroups& groups() const { return m_groups; }
    bool hasData() const { return m_hasData; }
    bool canSelectItem() const { return m_canSelectItem; }
    bool isUpdating() const { return m_updating; }
    const std::string& lastTip() const { return m_lastTip; }
    ui::ScrollView* volumeView() const { return m_volumeView.get(); }
    const std::vector<std::shared_ptr<ui::Button>>& volumeViewBtn() const { return m_volumeViewBtn; }
    ui::ImageView* scrollbar() const { return m_scrollbar.get(); }
    const ui::Label* lblStatus() const { return m_lblStatus.get(); }
    const std::shared_ptr<CheckLoginWithInfo>& checkLogin() const { return m_checkLogin; }
    const std::shared_ptr<IGetBookInfo>& iGetBookInfo() const { return m_iGetBookInfo; }

protected:
    RZChapterListViewController();
    friend class ui::ViewController;

private:
    std::shared_ptr<RZChapterListViewController> self();
    void loadData();
    void reloadData();
    void updateTable(ChapterGroups groups, uint64_t generation);
    void reloadTable(ChapterGroups groups, uint64_t generation);
    void loadGroupsThen(void (RZChapterListViewController::*apply)(ChapterGroups, uint64_t), const char* threadName);
    void endUpdate();
    void genVolumeList();
    void rebuildVolumeViewList();
    void showTip(const std::string& text, const std::string& details = {});
    // The list left the navigation stack: nothing pending may reach it.
    void closed();

    std::shared_ptr<ui::TableView> m_table;
    std::shared_ptr<ui::ImageView> m_scrollbar;
    std::shared_ptr<ui::Label> m_lblStatus;
    std::shared_ptr<ui::ScrollView> m_volumeView;
    std::shared_ptr<ui::ActivityIndicatorView> m_indicator;
    std::shared_ptr<ProgressHUD> m_pProgressHUD;
    std::unique_ptr<core::DateFormatter> m_formatter;
    std::shared_ptr<CheckLoginWithInfo> m_checkLogin;
    std::shared_ptr<IGetBookInfo> m_iGetBookInfo;
    std::vector<std::shared_ptr<ui::Button>> m_volumeViewBtn;

    ChapterGroups m_groups;
    bool m_hasData = false;
    bool m_canSelectItem = false;
    bool m_hasGenVolumeViewList = false;
    bool m_updating = false;
    // Every load and reload has a number; a result whose number is no longer
    // current (superseded, or the list closed) is dropped.
    uint64_t m_generation = 0;
    core::Cancelable m_flashEnd;
    core::Cancelable m_scrollbarFade;
    std::string m_lastTip;
};

} // namespace pw

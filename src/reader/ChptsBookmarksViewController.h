#pragma once
// The contents and bookmarks of a book read from a file: a tab "目录" with the
// UMD file's chapters or the TXT file's chapter index (built by the parser
// when missing, its progress shown), and a tab "书签" with the book's stored
// bookmarks, deletable by a swipe or in an edit mode. A pick closes the screen
// and goes to the reader.
#include "foundation/frame/RZNavigationControllerDelegate.h"
#include "platform/core/Cancelable.h"
#include "platform/core/DateFormatter.h"
#include "platform/core/Notification.h"
#include "platform/core/ObserverToken.h"
#include "platform/ui/TableView.h"
#include "platform/ui/ViewController.h"
#include "reader/ChptsBookmarksModel.h"
#include "reader/ChptsBookmarksViewDelegate.h"

#include <cstdint>
#include <memory>
#include <string>

namespace pw {

class ProgressHUD;
namespace ui {
class ImageView;
class Label;
class TabBar;
} // namespace ui

class ChptsBookmarksViewController : public ui::ViewController,
                                     public ui::TableViewDataSource,
                                     public ui::TableViewDelegate,
                                     public RZNavigationControllerDelegate {
public:
    static constexpr int kContentsTag = 301;
    static constexpr int kBookmarksTag = 302;

    static std::shared_ptr<ChptsBookmarksViewController> create() {
        return ViewController::create<ChptsBookmarksViewController>();
    }
    ~ChptsBookmarksViewController() override;

    // Set by the reader before the push.
    int64_t bookId = 0;
    int bookFormat = 0; // 2 UMD, 3 TXT
    std::string filePath;
    int64_t chapterId = 0;       // UMD: the content offset of the chapter being read
    int64_t fileTotalLength = 0; // TXT
    std::weak_ptr<ChptsBookmarksViewDelegate> didSelectDelegate;
    // Keeps an opener's delegate that nothing else owns for the list's life.
    std::shared_ptr<void> delegateOwner;

    void viewDidLoad() override;
    void viewDidUnload() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    bool shouldAutorotateToInterfaceOrientation(device::Orientation o) const override;
    void customViewControllerAnimated() override;

    void loadChapters();
    // The TXT parser's reports: its progress ("txt_process") and its list
    // ("txt_chapters"); both land on the main thread.
    void parsingTxtChapters(const core::Notification& note);
    void parsingTxtChaptersDone(const core::Notification& note);
    // The loading row's text while a TXT book's chapters are parsed.
    void updateStatus(const std::string& text);
    void tabBarDidSelectItem(int tag);
    void rightItemBtnClick();
    void scrollbarTap(double y);
    void scrollbarTapEnd();

    int64_t numberOfRows(ui::TableView&, int64_t section) override;
    std::shared_ptr<ui::TableViewCell> cellForRow(ui::TableView& table, const ui::IndexPath& ip) override;
    bool canEditRow(ui::TableView&, const ui::IndexPath&) override;
    void commitEditingStyle(ui::TableView& table, ui::TableViewCellEditingStyle style,
                            const ui::IndexPath& ip) override;
    ui::TableViewCellEditingStyle editingStyleForRow(ui::TableView&, const ui::IndexPath&) override;
    double heightForRow(ui::TableView&, const ui::IndexPath&) override { return 60; }
    void didSelectRow(ui::TableView& table, const ui::IndexPath& ip) override;
    void willBeginEditingRow(ui::TableView&, const ui::IndexPath&) override;
    void didEndEditingRow(ui::TableView&, const ui::IndexPath&) override;

    // What the screen shows, for whoever watches it.
    const ChptsBookmarksModel& model() const { return m_model; }
    const std::shared_ptr<ui::TableView>& table() const { return m_table; }
    ui::TabBar* tabBar() const { return m_tabBar.get(); }
    ui::ImageView* scrollbar() const { return m_scrollbar.get(); }
    const ui::Label* lblStatus() const { return m_lblStatus.get(); }
    const std::string& lastTip() const { return m_lastTip; }
    // The loading row's text: the loading words, the parse's progress or the error.
    std::string statusText() const;

protected:
    ChptsBookmarksViewController() = default;
    friend class ui::ViewController;

private:
    std::shared_ptr<ChptsBookmarksViewController> self();
    void loadTxtChapters();
    // On a worker: reads the UMD file's chapters and hands them to the screen
    // (if it still waits for this load) on the main thread.
    static void loadUmdChapters(std::weak_ptr<ChptsBookmarksViewController> screen, std::string path, int64_t chapterId,
                                uint64_t generation);
    void updateTable();
    void switchStyle();
    void setEditTitle(const std::string& title);
    void refreshBar();
    void closed();

    ChptsBookmarksModel m_model;
    std::shared_ptr<ui::TableView> m_table;
    std::shared_ptr<ui::TabBar> m_tabBar;
    std::shared_ptr<ui::ImageView> m_scrollbar;
    std::shared_ptr<ui::Label> m_lblStatus;
    std::shared_ptr<ProgressHUD> m_pProgressHUD;
    std::unique_ptr<core::DateFormatter> m_formatter;
    core::ObserverToken m_parsingToken;
    core::ObserverToken m_doneToken;
    // Each contents load has a number; a worker's result for an older one is dropped.
    uint64_t m_generation = 0;
    // Off the navigation stack: no pick is answered.
    bool m_closed = false;
    core::Cancelable m_scrollbarFade;
    std::string m_lastTip;
};

} // namespace pw

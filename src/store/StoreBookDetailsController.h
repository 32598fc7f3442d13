#pragma once
// One site book in the store: cover, name, author, counts and description,
// the buttons "目录" (chapter list), "加入墨川书架" (add to the user's site
// shelf) and "下载/更新本书" (download the whole book), and the related books.
#include "platform/core/ObserverToken.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "store/StoreBookListController.h"

#include <any>
#include <cstdint>
#include <memory>
#include <string>

namespace pw {

class StoreBookDetailsController : public StoreBookListController {
public:
    enum Tag : int {
        kTagDetail = 3,
        kTagRelated = 204,
        kTagAddShelf = 5,
        kTagAddShelfAfterLogin = 6,
        kTagAddBeforeDownload = 7,
        kTagAddBeforeDownloadAfterLogin = 8,
    };
    static std::shared_ptr<StoreBookDetailsController> create() {
        return ViewController::create<StoreBookDetailsController>();
    }
    ~StoreBookDetailsController() override;

    int64_t rzBookId = 0;

    // The request addresses.
    static std::string detailUrl(int64_t rzBookId);
    static std::string relatedUrl(int64_t rzBookId);
    static std::string addBookcaseUrl(int64_t rzBookId, const std::string& bookName);
    // The description as shown: HTML line breaks and non-breaking spaces undone.
    static std::string descriptionText(std::string html);

    void viewDidLoad() override;
    void requestBookDetail();
    void requestRelativeBooks();
    void doAddBookcase(int tag);
    void downChapterList();
    void addBookcase();
    void downBook();
    void loginCallback(const std::any& userPack);
    void beginToDownWholeBook(const core::Value& note);
    void backToBookcase();
    void requestFinished(RQHTTPRequest& request) override;
    void requestFailed(RQHTTPRequest& request) override;
    std::shared_ptr<ui::View> viewForHeader(ui::TableView&, int64_t) override { return m_sectionView; }
    double heightForHeader(ui::TableView&, int64_t) override { return 35; }
    void switchImageMode() override;
    void clean() override;
    std::string className() const override { return "StoreBookDetailsController"; }

    const std::string& bookName() const { return m_bookName; }
    // The related books, as the list's rows.
    const Rows& arrRelative() const { return arrBookData(); }
    int64_t authorId() const { return m_authorId; }
    int64_t categoryId() const { return m_categoryId; }
    int64_t channelId() const { return m_channelId; }
    int64_t subCategoryId() const { return m_subCategoryId; }
    ui::Label& lblName() { return *m_lblName; }
    ui::Label& lblAuthor() { return *m_lblAuthor; }
    ui::Label& lblTotalClick() { return *m_lblTotalClick; }
    ui::Label& lblWeekClick() { return *m_lblWeekClick; }
    ui::Label& lblTotalRecommend() { return *m_lblTotalRecommend; }
    ui::Label& lblWords() { return *m_lblWords; }
    ui::Label& lblDes() { return *m_lblDes; }
    ui::Button& btnDownWholeBook() { return *m_btnDownWholeBook; }
    ui::ImageView& imgBookCover() { return *m_imgBookCover; }
    ui::View& bookInfoView() { return *m_bookInfoView; }
    // The three buttons in order: "目录", "加入墨川书架", the download button.
    const std::vector<std::shared_ptr<ui::Button>>& buttons() const { return m_buttons; }

protected:
    StoreBookDetailsController();
    friend class ui::ViewController;
    std::string pageUrl(int) override { return relatedUrl(rzBookId); }
    std::optional<Rows> rowsOf(const core::Value& answer) override;
    void requestPage(int page) override;

private:
    void buildInfoView(double w);
    void setCoverPicture();
    void takeDetail(const core::Value& answer);
    void takeFavorite(int tag, const core::Value& answer);

    std::string m_bookName;
    int64_t m_authorId = 0, m_categoryId = 0, m_channelId = 0, m_subCategoryId = 0;
    bool m_leavesToShelf = false;
    std::shared_ptr<ui::ImageView> m_sectionView;
    std::shared_ptr<ui::View> m_bookInfoView;
    std::shared_ptr<ui::ImageView> m_imgBookCover;
    std::shared_ptr<ui::Label> m_lblName, m_lblAuthor, m_lblTotalClick, m_lblWeekClick, m_lblTotalRecommend, m_lblWords,
        m_lblDes;
    std::shared_ptr<ui::Button> m_btnDownWholeBook;
    std::vector<std::shared_ptr<ui::Button>> m_buttons;
    core::ObserverToken m_downBeginToken;
};

} // namespace pw

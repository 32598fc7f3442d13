#pragma once
// The purchase of paid chapters of one site book: what the chapter costs and
// what the user owns, and the four kinds of purchase (this chapter, the whole
// book, the next n chapters, chapters picked from the list on sale). The
// caller hears a PurchaseResult text: "<book>" when the whole book was bought,
// "<book>,<chapter>" when the chapter that led here is bought.
//
// This holds the conversation with the site and the state the pages show;
// the caller sets the ids and the callback before open().
#include "network/RQHTTPRequestDelegate.h"
#include "platform/core/Cancelable.h"
#include "platform/core/Value.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>

namespace pw {

class RQHTTPRequest;

class LocalBuyChapterController : public RQHTTPRequestDelegate,
                                  public std::enable_shared_from_this<LocalBuyChapterController> {
public:
    enum Tag {
        kTagChapterInfo = 2001,
        kTagChapterList = 2002,
        kTagBuyThis = 2003,
        kTagBuyAll = 2004,
        kTagBuyForward = 2005,
        kTagBuyChosen = 2006,
    };

    static std::shared_ptr<LocalBuyChapterController> create();
    ~LocalBuyChapterController() override;

    int64_t rzBookId = 0;
    int64_t chapterId = 0;
    // Told the PurchaseResult once, on success.
    std::function<void(const std::string&)> callback;
    // Removes the screen (a purchase that did not buy the whole book).
    std::function<void()> popScreen;

    // Asks for the chapter's price and the balance.
    void open();
    // Page 1 shown: asks for the chapters on sale unless the list is there.
    void setCurrPage(int page);
    int currPage() const { return m_currPage; }
    void requestBuyChapterList();

    void btnThisChapterClick();
    void btnAllChapterClick();
    void btnAfterChapterClick(int count); // 10, 20, 50 or 100
    void btnBuySelected();
    // "全选" ticks every chapter on sale; "全部取消" unticks all.
    void btnSelectedAll();
    void toggleChapter(int64_t chapterId);

    // ---- what the pages show
    bool buttonsEnabled() const { return m_buttonsEnabled; }
    bool busy() const { return m_busy; }
    const std::string& tip() const { return m_tip; }
    bool popToRoot() const { return m_popToRoot; }
    const std::string& bookName() const { return m_bookName; }
    const std::string& wordCount() const { return m_wordCount; } // "字数：%ld"
    const std::string& chapterName() const { return m_chapterName; }
    const std::string& price() const { return m_price; }
    const std::string& own() const { return m_own; }
    const core::Value& vipChapters() const { return m_vipChapters; }
    const std::set<int64_t>& selected() const { return m_selected; }
    const std::string& selectAllTitle() const { return m_selectAllTitle; }
    const std::shared_ptr<RQHTTPRequest>& request() const { return m_request; }
    const std::shared_ptr<RQHTTPRequest>& requestForm() const { return m_requestForm; }

    void requestFinished(RQHTTPRequest& request) override;
    void requestFailed(RQHTTPRequest& request) override;

private:
    LocalBuyChapterController() = default;
    void get(const std::string& url, int tag);
    void buy(int tag, const std::string& type, const std::string& forward, const std::string& chapterList);
    void showTip(std::string text);
    void finish(std::string result);
    void navBack(const std::string& result);

    std::shared_ptr<RQHTTPRequest> m_request;
    std::shared_ptr<RQHTTPRequest> m_requestForm;
    core::Cancelable m_finishing;
    bool m_popToRoot = false;
    bool m_buttonsEnabled = false;
    bool m_busy = false;
    int m_currPage = 0;
    std::string m_tip;
    std::string m_bookName, m_wordCount, m_chapterName, m_price, m_own;
    core::Value m_vipChapters = core::Value::array();
    std::set<int64_t> m_selected;
    std::string m_selectAllTitle = "全选";
};

} // namespace pw

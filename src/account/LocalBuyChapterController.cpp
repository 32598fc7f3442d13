#include "account/LocalBuyChapterController.h"

#include "network/RQFormDataRequest.h"
#include "platform/core/RunLoop.h"
#include "site/RZFormDataRequest.h"
#include "site/RZHTTPRequest.h"
#include "site/SiteAnswer.h"

namespace pw {
namespace {

constexpr double kTimeout = 30;

int64_t whole(const core::Value& v) {
    if (auto i = v.asInt())
        return *i;
    if (auto d = v.asDouble())
        return static_cast<int64_t>(*d);
    if (auto s = v.asString()) {
        try {
            return std::stoll(*s);
        } catch (...) {}
    }
    return 0;
}

} // namespace

std::shared_ptr<LocalBuyChapterController> LocalBuyChapterController::create() {
    return std::shared_ptr<LocalBuyChapterController>(new LocalBuyChapterController());
}

LocalBuyChapterController::~LocalBuyChapterController() {
    m_finishing.cancel();
    if (m_request)
        m_request->clearDelegatesAndCancel();
    if (m_requestForm)
        m_requestForm->clearDelegatesAndCancel();
}

void LocalBuyChapterController::get(const std::string& url, int tag) {
    auto request = RZHTTPRequest::requestWithURL(url);
    request->setShowAccurateProgress(false);
    request->setTimeOutSeconds(kTimeout);
    request->setTag(tag);
    request->setDelegate(std::weak_ptr<RQHTTPRequestDelegate>(shared_from_this()));
    // Replacing the property leaves an earlier GET running; its answer is
    // still read, by its tag.
    m_request = request;
    m_busy = true;
    request->startAsynchronous();
}

void LocalBuyChapterController::open() {
    m_buttonsEnabled = false;
    get(SiteAnswer::url(SiteHosts::Service::Interface, "/api/GetVipChapter.ashx?BookId=" + std::to_string(rzBookId) +
                                                           "&ChapterId=" + std::to_string(chapterId)),
        kTagChapterInfo);
}

void LocalBuyChapterController::setCurrPage(int page) {
    m_currPage = page;
    requestBuyChapterList();
}

void LocalBuyChapterController::requestBuyChapterList() {
    if (m_currPage != 1)
        return;
    if (m_vipChapters.asArray() && !m_vipChapters.asArray()->empty())
        return; // the table shows what is there
    get(SiteAnswer::url(SiteHosts::Service::Interface,
                        "/api/GetBuyChapterList.ashx?BookId=" + std::to_string(rzBookId)),
        kTagChapterList);
}

void LocalBuyChapterController::buy(int tag, const std::string& type, const std::string& forward,
                                    const std::string& chapterList) {
    auto form =
        RZFormDataRequest::requestWithURL(SiteAnswer::url(SiteHosts::Service::Interface, "/api/BuyVipChapter.ashx"));
    form->setPostFormat(RQFormDataRequest::URLEncodedPostFormat);
    form->setStringEncoding("UTF-8");
    form->addPostValue(std::to_string(rzBookId), "bookId");
    form->addPostValue(std::to_string(chapterId), "chapterid");
    form->addPostValue(type, "type");
    form->addPostValue(forward, "forward");
    form->addPostValue(chapterList, "ChapterList");
    form->setTimeOutSeconds(kTimeout);
    form->setTag(tag);
    form->setDelegate(std::weak_ptr<RQHTTPRequestDelegate>(shared_from_this()));
    if (m_requestForm)
        m_requestForm->clearDelegatesAndCancel();
    m_requestForm = form;
    m_busy = true;
    m_buttonsEnabled = false;
    form->startAsynchronous();
}

void LocalBuyChapterController::btnThisChapterClick() {
    buy(kTagBuyThis, "0", "", "");
}

void LocalBuyChapterController::btnAllChapterClick() {
    buy(kTagBuyAll, "1", "", "");
}

void LocalBuyChapterController::btnAfterChapterClick(int count) {
    buy(kTagBuyForward, "2", std::to_string(count), "");
}

void LocalBuyChapterController::btnBuySelected() {
    if (m_selected.empty()) {
        showTip("请选择章节");
        return;
    }
    std::string list;
    for (int64_t id : m_selected)
        list += (list.empty() ? "" : ",") + std::to_string(id);
    buy(kTagBuyChosen, "3", "", list);
}

void LocalBuyChapterController::btnSelectedAll() {
    m_selected.clear();
    if (m_selectAllTitle == "全选") {
        if (auto* list = m_vipChapters.asArray())
            for (const auto& chapter : *list)
                m_selected.insert(whole(chapter["ChapterId"]));
        m_selectAllTitle = "全部取消";
    } else {
        m_selectAllTitle = "全选";
    }
}

void LocalBuyChapterController::toggleChapter(int64_t id) {
    if (!m_selected.erase(id))
        m_selected.insert(id);
}

void LocalBuyChapterController::showTip(std::string text) {
    m_tip = std::move(text);
}

void LocalBuyChapterController::requestFinished(RQHTTPRequest& request) {
    m_busy = false;
    const auto reply = SiteAnswer::cleanedJSON(request);
    const bool parsed = reply && reply->isMap();
    const int tag = request.tag();
    switch (tag) {
    case kTagChapterInfo:
        if (!parsed) {
            showTip("获取章节信息失败");
        } else if (whole((*reply)["Result"]) == 1) {
            finish(std::to_string(rzBookId) + "," + std::to_string(chapterId));
            return;
        } else {
            m_bookName = (*reply)["BookName"].asString().value_or("");
            m_chapterName = (*reply)["ChapterName"].asString().value_or("");
            m_price = std::to_string(whole((*reply)["Price"]));
            m_own = std::to_string(whole((*reply)["Balance"]));
            m_wordCount = "字数：" + std::to_string(whole((*reply)["WordsCount"]));
        }
        break;
    case kTagChapterList:
        if (!parsed || whole((*reply)["Result"]) != 0 || !(*reply)["Chapter"].isArray())
            showTip("获取 VIP 章节列表失败");
        else
            m_vipChapters = (*reply)["Chapter"];
        break;
    case kTagBuyThis:
    case kTagBuyAll:
    case kTagBuyForward:
    case kTagBuyChosen: {
        const int64_t result = parsed && (*reply)["Result"].isNumber() ? whole((*reply)["Result"]) : 99;
        if (result == 0 || result == 1) {
            m_popToRoot = false;
            finish(std::to_string(rzBookId) + "," + std::to_string(chapterId));
            return;
        }
        if (result == 2) {
            m_popToRoot = true;
            finish(std::to_string(rzBookId));
            return;
        }
        if (result >= -5 && result <= -1)
            showTip((*reply)["Message"].asString().value_or("订阅失败"));
        else
            showTip("订阅失败");
        break;
    }
    default:
        break;
    }
    m_buttonsEnabled = true;
}

void LocalBuyChapterController::requestFailed(RQHTTPRequest&) {
    m_busy = false;
    m_buttonsEnabled = true;
}

void LocalBuyChapterController::finish(std::string result) {
    std::weak_ptr<LocalBuyChapterController> weak = weak_from_this();
    m_finishing.cancel();
    m_finishing = core::RunLoop::current().postAfter(0.5, [weak, result = std::move(result)] {
        if (auto self = weak.lock())
            self->navBack(result);
    });
}

void LocalBuyChapterController::navBack(const std::string& result) {
    auto keep = shared_from_this(); // the caller may let go of the screen while told
    if (!m_popToRoot && popScreen)
        popScreen();
    if (callback)
        callback(result);
    else
        m_buttonsEnabled = true;
}

} // namespace pw

// The interaction screen's conversation with the site: the state fetch and
// its refresh, the confirmed sends with their fields and choice lists, the
// answers' messages and the fall-back to the login screen. The pages and
// controls live in LocalInteractiveViewControllerPages.cpp.
#include "account/LocalInteractiveViewController.h"

#include "account/AccountControls.h"
#include "account/ReplyValue.h"
#include "account/ZELLoginViewController.h"
#include "network/RQFormDataRequest.h"
#include "platform/core/RunLoop.h"
#include "platform/ui/NavigationController.h"
#include "site/Ostra.h"
#include "site/RZFormDataRequest.h"
#include "site/RZHTTPRequest.h"
#include "site/SiteAnswer.h"

#include <stdexcept>

namespace pw {
namespace {

constexpr const char* kInteractiveClassName = "LocalInteractiveViewController";
constexpr double kInteractiveTimeout = 30;

using ReplyValue::wholeNumber;

// Length in UTF-16 code units, as the label check counts.
size_t utf16Length(const std::string& text) {
    size_t n = 0;
    for (unsigned char c : text) {
        if ((c & 0xC0) == 0x80)
            continue;
        n += c >= 0xF0 ? 2 : 1;
    }
    return n;
}

} // namespace

const std::vector<std::string>& LocalInteractiveViewController::pageOrder() {
    static const std::vector<std::string> order = {"CuiGeng", "DaShang", "FenHongPiao", "PingJia",
                                                   "TuiJian", "YinXiang", "YuePiao"};
    return order;
}

std::string LocalInteractiveViewController::replaceMark(std::string format, const std::string& value) {
    if (auto at = format.find("%@"); at != std::string::npos)
        format.replace(at, 2, value);
    return format;
}

std::shared_ptr<LocalInteractiveViewController> LocalInteractiveViewController::self() {
    return std::static_pointer_cast<LocalInteractiveViewController>(shared_from_this());
}

LocalInteractiveViewController::~LocalInteractiveViewController() {
    clean();
}

void LocalInteractiveViewController::clean() {
    m_loginLater.cancel();
    m_padRedraw.cancel();
    // Every request this screen started, the replaced ones too.
    for (auto& weak : m_started)
        if (auto r = weak.lock())
            r->clearDelegatesAndCancel();
    m_started.clear();
    m_request.reset();
    m_requestForm.reset();
    m_pages.clear();
    m_lists.clear();
}

// ---- choice lists

std::vector<RZKeyValuePair>
LocalInteractiveViewController::genDataWithObjectsAndKeys(const std::vector<std::string>& valuesAndKeys) {
    if (valuesAndKeys.size() < 2 || valuesAndKeys.size() % 2 != 0)
        throw std::invalid_argument("NSInvalidArgumentException");
    std::vector<RZKeyValuePair> out;
    out.reserve(valuesAndKeys.size() / 2);
    for (size_t i = 0; i + 1 < valuesAndKeys.size(); i += 2)
        out.emplace_back(valuesAndKeys[i + 1], valuesAndKeys[i]);
    return out;
}

std::map<int, std::vector<RZKeyValuePair>> LocalInteractiveViewController::choiceLists(bool pinkEnabled) {
    std::map<int, std::vector<RZKeyValuePair>> lists;
    lists[kListCuiGengWords] =
        genDataWithObjectsAndKeys({"1", "3000字", "2", "6000字", "3", "9000字", "4", "12000字"});
    std::vector<std::string> tickets;
    for (int i = 1; i <= 7; ++i)
        tickets.insert(tickets.end(), {std::to_string(i), std::to_string(i) + "张"});
    lists[kListCuiGengTickets] = genDataWithObjectsAndKeys(tickets);
    const char* gifts[] = {"1", "5", "10"};
    std::vector<std::string> amounts;
    const char* values[] = {"100", "588", "1888", "5888", "8888", "10000", "50000", "100000"};
    for (int i = 0; i < 8; ++i) {
        std::string shown = std::string(values[i]) + "墨川币";
        if (i >= 5)
            shown += std::string(pinkEnabled ? "(赠送粉红票" : "(赠送月票") + gifts[i - 5] + "张)";
        amounts.insert(amounts.end(), {values[i], shown});
    }
    lists[kListDaShang] = genDataWithObjectsAndKeys(amounts);
    lists[kListFenHongPiao] = genDataWithObjectsAndKeys({"1", "1张粉红票", "2", "2张粉红票"});
    lists[kListPingJiaWords] =
        genDataWithObjectsAndKeys({"0", "+2分 不知所云", "1", "+4分 随便看看", "2", "+6分 值得一读",
                                                   "3", "+8分 不容错过", "4", "+10分 经典一读"});
    std::vector<std::string> ratings, recommends;
    for (int i = 1; i <= 5; ++i) {
        ratings.insert(ratings.end(), {std::to_string(i), std::to_string(i) + " 张评价票"});
        recommends.insert(recommends.end(), {std::to_string(i), std::to_string(i) + " 张推荐票"});
    }
    recommends.insert(recommends.end(), {"0", "所有推荐票"});
    lists[kListPingJiaTickets] = genDataWithObjectsAndKeys(ratings);
    lists[kListTuiJian] = genDataWithObjectsAndKeys(recommends);
    lists[kListYuePiao] = genDataWithObjectsAndKeys({"1", "1 张月票", "2", "2 张月票"});
    return lists;
}

int LocalInteractiveViewController::presetIndex(int listTag) {
    switch (listTag) {
    case kListDaShang:
        return 5;
    case kListPingJiaWords:
        return 4;
    default:
        return 0;
    }
}

const std::vector<RZKeyValuePair>& LocalInteractiveViewController::listForTag(int tag) const {
    static const std::vector<RZKeyValuePair> empty;
    auto it = m_lists.find(tag);
    return it == m_lists.end() ? empty : it->second;
}

// ---- requests

void LocalInteractiveViewController::keep(const std::shared_ptr<RQHTTPRequest>& request) {
    std::erase_if(m_started, [](const std::weak_ptr<RQHTTPRequest>& w) { return w.expired(); });
    m_started.push_back(request);
}

std::shared_ptr<RQHTTPRequest> LocalInteractiveViewController::fetch(int tag) {
    const std::string url = SiteAnswer::url(
        SiteHosts::Service::Interaction, "/ClientInterface/IGetInteraction.aspx?BookId=" + std::to_string(m_rzBookId));
    auto request = RZHTTPRequest::requestWithURL(url);
    request->setShowAccurateProgress(false);
    request->setTimeOutSeconds(kInteractiveTimeout);
    request->setTag(tag);
    request->setDelegate(std::static_pointer_cast<RQHTTPRequestDelegate>(self()));
    m_request = request;
    keep(request);
    return request;
}

void LocalInteractiveViewController::getInteractionWithTag(int tag) {
    auto request = fetch(tag);
    Ostra::createOstraReferrer(kInteractiveClassName, replaceMark("《%@》投票互动", title()), kInteractiveClassName, kInteractiveClassName,
                               request->url(), kInteractiveClassName);
    request->startAsynchronous();
}

void LocalInteractiveViewController::refreshData() {
    fetch(0)->startAsynchronous();
    startSpinner();
}

void LocalInteractiveViewController::requestForInteractiveWithAction(const std::string& action, int tag,
                                                                     const Fields& data) {
    auto form = RZFormDataRequest::requestWithURL(
        SiteAnswer::url(SiteHosts::Service::Interaction, "/ClientInterface/ISetInteraction.aspx"));
    form->setPostFormat(RQFormDataRequest::URLEncodedPostFormat);
    form->setStringEncoding("UTF-8");
    form->addPostValue(std::to_string(m_rzBookId), "BookId");
    form->addPostValue(action, "action");
    form->addPostValue(SiteAreaId, "areaId");
    for (const auto& [key, value] : data)
        form->addPostValue(value, key);
    form->setTimeOutSeconds(kInteractiveTimeout);
    form->setTag(tag);
    form->setDelegate(std::static_pointer_cast<RQHTTPRequestDelegate>(self()));
    m_requestForm = form;
    keep(form);
    form->startAsynchronous();
    startSpinner();
}

void LocalInteractiveViewController::requestFinished(RQHTTPRequest& request) {
    const int tag = request.tag();
    if (tag == kFetchFirst || tag == kFetchAfterLogin)
        stateFinished(request);
    else if (tag == 0)
        refreshDataFinished(request);
    else
        interactiveRequestFinished(request);
}

void LocalInteractiveViewController::requestFailed(RQHTTPRequest& request) {
    const int tag = request.tag();
    if (tag == kFetchFirst || tag == kFetchAfterLogin)
        stateFailed(request);
    else if (tag == 0)
        refreshDataFailed(request);
    else
        interactiveRequestFailed(request);
}

void LocalInteractiveViewController::stateFinished(RQHTTPRequest& request) {
    stopSpinner();
    auto reply = SiteAnswer::cleanedJSON(request);
    if (!reply || !reply->isMap()) {
        showTip("抱歉，暂时无法获取数据。");
        return;
    }
    const int tag = request.tag();
    const int64_t result = wholeNumber((*reply)["Result"]);
    if (result == -3) {
        showTip("抱歉，没有找到此书。");
        return;
    }
    if (result == -2) {
        showTip("抱歉，请求参数错误。");
        return;
    }
    if (result == -1) {
        if (tag == kFetchFirst) {
            std::weak_ptr<LocalInteractiveViewController> weak = self();
            m_loginLater.cancel();
            m_loginLater = core::RunLoop::current().postAfter(0.6, [weak] {
                if (auto s = weak.lock())
                    s->showLoginView();
            });
        } else {
            showTip("抱歉，暂时无法登录。");
        }
        return;
    }
    if (m_bottomScroll && m_bottomScroll->pageCount() > 0)
        return; // the pages are built once
    if (!m_pageNames.empty())
        return;
    for (const std::string& name : pageOrder())
        m_pages[name] = (*reply)[name];
    buildPages();
}

void LocalInteractiveViewController::stateFailed(RQHTTPRequest&) {
    stopSpinner();
    showTip("抱歉，操作似乎出错了。");
}

void LocalInteractiveViewController::refreshDataFinished(RQHTTPRequest& request) {
    stopSpinner();
    auto reply = SiteAnswer::cleanedJSON(request);
    if (!reply || !reply->isMap())
        return;
    const int64_t result = wholeNumber((*reply)["Result"]);
    if (result >= -3 && result <= -1)
        return;
    for (const std::string& name : pageOrder())
        m_pages[name] = (*reply)[name];
    refreshLabels();
}

void LocalInteractiveViewController::refreshDataFailed(RQHTTPRequest&) {
    stopSpinner();
}

void LocalInteractiveViewController::interactiveRequestFinished(RQHTTPRequest& request) {
    stopSpinner();
    auto reply = SiteAnswer::cleanedJSON(request);
    std::string message;
    if (reply && reply->isMap())
        message = (*reply)["Message"].asString().value_or("");
    showTip(message);
    refreshData();
}

void LocalInteractiveViewController::interactiveRequestFailed(RQHTTPRequest&) {
    stopSpinner();
    showTip("抱歉，操作似乎出错了。");
}

void LocalInteractiveViewController::showLoginView() {
    auto* nav = navigationController();
    if (!nav)
        return;
    auto login = ZELLoginViewController::create();
    login->hidesBottomBarWhenPushed = true;
    std::weak_ptr<LocalInteractiveViewController> weak = self();
    login->setCallbackTarget(weak);
    login->setCallbackSelector([weak](const std::any&) {
        if (auto s = weak.lock())
            s->loginCallback();
    });
    nav->pushViewController(login, true);
}

void LocalInteractiveViewController::loginCallback() {
    startSpinner();
    getInteractionWithTag(kFetchAfterLogin);
}

// ---- sending

std::string LocalInteractiveViewController::actionWord(int code) {
    switch (code) {
    case kCuiGeng:
        return "cg";
    case kDaShang:
        return "ds";
    case kFenHongPiao:
        return "fhp";
    case kPingJia:
        return "pj";
    case kTuiJian:
        return "tj";
    case kYinXiang:
        return "yx";
    case kYuePiao:
        return "yp";
    default:
        return {};
    }
}

LocalInteractiveViewController::Fields LocalInteractiveViewController::fieldsForAction(int code) const {
    auto chosen = [this](int listTag) -> std::string {
        const auto& list = listForTag(listTag);
        int index = presetIndex(listTag);
        if (auto* b = listButton(listTag))
            index = b->selectedIndex;
        if (index < 0 || static_cast<size_t>(index) >= list.size())
            return {};
        return list[static_cast<size_t>(index)].value;
    };
    auto text = [this](int boxTag) -> std::string {
        auto* box = messageBox(boxTag);
        return box ? box->text() : std::string();
    };
    switch (code) {
    case kCuiGeng:
        return {{"type", chosen(kListCuiGengWords)}, {"count", chosen(kListCuiGengTickets)}};
    case kDaShang:
        return {{"moneyType", chosen(kListDaShang)}, {"description", text(kBoxDaShang)}};
    case kFenHongPiao:
        return {{"count", chosen(kListFenHongPiao)}, {"description", text(kBoxFenHongPiao)}};
    case kPingJia:
        return {{"star", chosen(kListPingJiaWords)}, {"count", chosen(kListPingJiaTickets)}};
    case kTuiJian:
        return {{"count", chosen(kListTuiJian)}};
    case kYuePiao:
        return {{"count", chosen(kListYuePiao)}, {"description", text(kBoxYuePiao)}};
    case kYinXiang:
        return {{"label", m_tfYinXiang ? m_tfYinXiang->text() : std::string()}};
    default:
        return {};
    }
}

void LocalInteractiveViewController::showAlertWithType(int code, const std::string& message) {
    auto alert = ui::AlertView::create("提示", message, std::static_pointer_cast<ui::AlertViewDelegate>(self()), "取消",
                                       {"确定"});
    alert->setTag(code);
    alert->show();
    m_lastAlert = alert;
}

void LocalInteractiveViewController::clickedButtonAtIndex(ui::AlertView& alert, int64_t index) {
    const int code = alert.tag();
    if (index != 1 || code < kCuiGeng || code > kYuePiao || code == kYinXiang)
        return;
    requestForInteractiveWithAction(actionWord(code), code, fieldsForAction(code));
}

void LocalInteractiveViewController::confirm(int code, const std::string& message) {
    hideKeyboard();
    showAlertWithType(code, message);
}

void LocalInteractiveViewController::btnCuiGengClick() {
    confirm(kCuiGeng, "确定提交？");
}
void LocalInteractiveViewController::btnDaShangClick() {
    confirm(kDaShang, "确定打赏？");
}
void LocalInteractiveViewController::btnFenHongClick() {
    confirm(kFenHongPiao, "确定投票？");
}
void LocalInteractiveViewController::btnPingJiaClick() {
    confirm(kPingJia, "确定评价？");
}
void LocalInteractiveViewController::btnTuiJianClick() {
    confirm(kTuiJian, "确定提交？");
}
void LocalInteractiveViewController::btnYuePiaoClick() {
    confirm(kYuePiao, "确定提交？");
}

void LocalInteractiveViewController::btnYinXiangClick() {
    hideKeyboard();
    const std::string label = m_tfYinXiang ? m_tfYinXiang->text() : std::string();
    const size_t n = utf16Length(label);
    if (n < 1 || n > 5) {
        showTip("印象为1至5个汉字");
        return;
    }
    requestForInteractiveWithAction("yx", kYinXiang, {{"label", label}});
}

void LocalInteractiveViewController::btnYinXiangLabelClick(YinXiangButton& button) {
    if (m_tfYinXiang)
        m_tfYinXiang->setText(button.yinXiang);
}

void LocalInteractiveViewController::rechargeAccount() {
    AccountControls::openInBrowser(SiteHosts::baseUrl(SiteHosts::Service::Mobile) + "/Profile/Charge.aspx");
}

void LocalInteractiveViewController::helpFenHongClick() {
    AccountControls::openInBrowser(SiteHosts::baseUrl(SiteHosts::Service::Interface) + "/help/nvpinpkrule1.aspx#n2");
}

void LocalInteractiveViewController::helpTuiJianClick() {
    AccountControls::openInBrowser(SiteHosts::baseUrl(SiteHosts::Service::Interface) + "/help/tuijianpiao.aspx");
}

void LocalInteractiveViewController::helpYuePiao() {
    AccountControls::openInBrowser(SiteHosts::baseUrl(SiteHosts::Service::Interface) +
                                   "/help/vipshenqin.aspx#%E6%9C%88%E7%A5%A8");
}

} // namespace pw

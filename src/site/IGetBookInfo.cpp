#include "site/IGetBookInfo.h"

#include "foundation/db/BookDB.h"
#include "foundation/db/BookTB.h"
#include "foundation/paths/AppPaths.h"
#include "foundation/util/FileHelper.h"
#include "foundation/widgets/ProgressHUD.h"
#include "platform/core/NotificationCenter.h"
#include "site/SiteAnswer.h"

namespace pw {

void IGetBookInfo::getBookInfoByRZBookId(int64_t rzBookId, std::weak_ptr<void> target, SiteSelector selector,
                                         std::shared_ptr<ProgressHUD> tips, std::string userId, bool incremental) {
    m_pProgressHUD = std::move(tips);
    m_hasReceived = 0;
    if (m_pProgressHUD) {
        m_pProgressHUD->hide(false);
        m_pProgressHUD->setMode(1);
        m_pProgressHUD->setLabelText(std::string("正在获取章节信息"));
        m_pProgressHUD->show(false);
    }
    const int64_t from = incremental ? BookDB::getLocalSecondMaxChapterIdWithRZBookId(rzBookId) : 0;
    auto request = newRequest(
        SiteAnswer::url(SiteHosts::Service::Interface, "/Client/IGetBookInfo.aspx?bookid=" + std::to_string(rzBookId) +
                                                           "&chapterId=" + std::to_string(from)),
        30);
    // The engine's default (accurate progress): the overlay follows the list as it arrives.
    request->setShowAccurateProgress(true);
    request->setDownloadProgressDelegate(
        std::weak_ptr<RQProgressDelegate>(std::static_pointer_cast<IGetBookInfo>(shared_from_this())));
    request->setTarget(std::move(target));
    request->setASelector(std::move(selector));
    request->setUserId(std::move(userId));
    request->startAsynchronous();
}

std::string IGetBookInfo::progressText(int64_t received, int64_t total) {
    if (received <= 1000 || total <= 1000)
        return std::to_string(received) + "B/" + std::to_string(total) + "B";
    return std::to_string(received / 1000) + "kB/" + std::to_string(total / 1000) + "kB";
}

void IGetBookInfo::requestDidReceiveBytes(RQHTTPRequest& request, int64_t bytes) {
    if (!m_pProgressHUD)
        return;
    m_hasReceived += bytes;
    const auto& headers = request.responseHeaders();
    auto it = headers.find("Content-Length");
    if (it == headers.end())
        return;
    int64_t total = 0;
    try {
        total = std::stoll(it->second);
    } catch (...) {
        return;
    }
    m_pProgressHUD->setDetailsLabelText(progressText(m_hasReceived, total));
}

void IGetBookInfo::setProgress(float progress) {
    if (m_pProgressHUD)
        m_pProgressHUD->setProgress(progress);
}

void IGetBookInfo::tip(const std::string& text) {
    if (m_pProgressHUD)
        m_pProgressHUD->showTipsWithoutHideFirst(text);
}

void IGetBookInfo::requestFinished(RQHTTPRequest& r) {
    auto* request = asSiteRequest(r);
    if (!request)
        return;
    std::optional<core::Value> reply;
    if (r.responseStatusCode() == 200)
        reply = SiteAnswer::cleanedJSON(r);
    if (!reply || !reply->isMap()) {
        tip("无法解析章节信息");
        request->answer(core::Value());
        return;
    }
    int64_t id = 0;
    std::string name;
    const int code = saveChapterList(*reply, &id, &name, request->userId());
    request->answer(core::Value(core::Value::Array{code, id, name}));
}

void IGetBookInfo::requestFailed(RQHTTPRequest& r) {
    if (auto* request = asSiteRequest(r))
        request->answer(core::Value());
}

int IGetBookInfo::saveChapterList(const core::Value& reply, int64_t* rzBookId, std::string* bookName,
                                  const std::string& userId) {
    const auto* chapters = reply["Chapters"].asArray();
    if (reply["ret"].asInt() != 0 || !chapters || chapters->empty())
        return Unusable;
    const std::string author = reply["Author"].asString().value_or("");
    const int64_t id = reply["BookId"].asInt().value_or(0);
    const std::string name = reply["BookName"].asString().value_or("");
    if (rzBookId)
        *rzBookId = id;
    if (bookName)
        *bookName = name;
    if (!BookDB::createBookDBIfNotExists(id)) {
        tip("创建本地数据失败(0)");
        return NoBookDB;
    }
    // The chapters first: the shelf row below says the list is stored.
    if (!BookDB::addChapters(*chapters, id)) {
        tip("保存章节列表失败");
        return NoChapters;
    }
    const auto* volumes = reply["Volumes"].asArray();
    const bool volumesSaved = !volumes || BookDB::addVolumes(*volumes, id);
    if (BookTB::addBookWithRZBookId(id, name, AppPaths::coverFile(id).string(), AppPaths::bookDatabase(id).string(),
                                    "RZ", author, core::Value(userId), reply["LastChapterId"], reply["LastChapterName"],
                                    reply["LastChapterTime"], 0) != 0 ||
        !BookTB::updateBookDBStateByRZBookId(id)) {
        tip("创建本地数据失败(1)");
        return NoBookRow;
    }
    core::NotificationCenter::defaultCenter().post("NSNotificationCenter_BookReload");
    if (!FileHelper::isBookCoverImageExistByRZBookId(id))
        m_bookCoverDownloader->downloadBookCoverWithRZBookId(id);
    if (!volumesSaved)
        tip("保存分卷信息失败");
    tip("保存章节列表成功");
    return Saved;
}

} // namespace pw

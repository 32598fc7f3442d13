#include "site/BookFavorite.h"

#include "foundation/codec/JSONCodec.h"
#include "foundation/hosts/SiteHosts.h"
#include "site/RZFormDataRequest.h"

namespace pw {

BookFavorite::~BookFavorite() {
    if (m_requestForm)
        m_requestForm->clearDelegatesAndCancel();
}

void BookFavorite::deleteSiteBookFavoriteWithTarget(std::weak_ptr<void> target, SiteSelector selector,
                                                    const std::string& rzBookIds) {
    auto request = RZFormDataRequest::requestWithURL(SiteHosts::baseUrl(SiteHosts::Service::Interface) +
                                                     "/api/DeleteMultiFavoriteBooks.ashx");
    m_requestForm = request;
    request->setPostValue(rzBookIds, "bids");
    request->setTarget(std::move(target));
    request->setASelector(std::move(selector));
    request->setDelegate(weak_from_this());
    request->setTimeOutSeconds(30);
    request->startAsynchronous();
}

void BookFavorite::requestFinished(RQHTTPRequest& r) {
    auto& request = static_cast<RZFormDataRequest&>(r);
    std::optional<core::Value> reply;
    if (request.responseStatusCode() == 200)
        if (auto text = request.responseString())
            reply = mutableObjectFromJSONStringWithParseOptions(*text, 4);
    request.answer(reply ? *reply : core::Value());
}

void BookFavorite::requestFailed(RQHTTPRequest& r) {
    static_cast<RZFormDataRequest&>(r).answer(core::Value());
}

} // namespace pw

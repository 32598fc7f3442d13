#pragma once
// Removes several books at once from the user's favourites on the site with
// one form post, and answers the caller with the parsed reply (a record whose
// "Message" says the outcome) or null when the request failed or the reply
// is not JSON.
#include "network/RQHTTPRequestDelegate.h"
#include "site/RZHTTPRequest.h"

#include <memory>
#include <string>

namespace pw {

class RZFormDataRequest;

class BookFavorite : public RQHTTPRequestDelegate, public std::enable_shared_from_this<BookFavorite> {
public:
    BookFavorite() = default;
    ~BookFavorite() override;

    // `rzBookIds`: site book ids joined by commas. A second call does not
    // cancel the first; each request answers its own callback.
    void deleteSiteBookFavoriteWithTarget(std::weak_ptr<void> target, SiteSelector selector,
                                          const std::string& rzBookIds);

    void requestFinished(RQHTTPRequest& request) override;
    void requestFailed(RQHTTPRequest& request) override;

    const std::shared_ptr<RZFormDataRequest>& requestForm() const { return m_requestForm; }

private:
    std::shared_ptr<RZFormDataRequest> m_requestForm;
};

} // namespace pw

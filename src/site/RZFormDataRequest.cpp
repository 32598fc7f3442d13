#include "site/RZFormDataRequest.h"

namespace pw {

std::shared_ptr<RZFormDataRequest> RZFormDataRequest::requestWithURL(const std::string& url) {
    return std::make_shared<RZFormDataRequest>(url);
}

} // namespace pw

#pragma once
// The one fetch both store picture downloaders make: the picture's bytes when
// the image host answers 200, nothing otherwise.
#include "site/RZHTTPRequest.h"

#include <string>

namespace pw {

inline std::string fetchStoreImage(const std::string& address) {
    auto request = RZHTTPRequest::requestWithURL(address);
    request->setShouldContinueWhenAppEntersBackground(true);
    request->setShowAccurateProgress(false);
    request->setTimeOutSeconds(20);
    request->startSynchronous();
    return request->responseStatusCode() == 200 ? request->responseData().value_or("") : std::string();
}

} // namespace pw

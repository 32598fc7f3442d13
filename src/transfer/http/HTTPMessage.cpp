#include "transfer/http/HTTPMessage.h"

namespace pw {

HTTPMessage HTTPMessage::emptyRequest() {
    return HTTPMessage(net::HttpHead::emptyRequest());
}

HTTPMessage HTTPMessage::request(std::string method, std::string url, std::string version) {
    return HTTPMessage(net::HttpHead::request(std::move(method), std::move(url), std::move(version)));
}

HTTPMessage HTTPMessage::response(int statusCode, std::string description, std::string version) {
    return HTTPMessage(net::HttpHead::response(statusCode, std::move(description), std::move(version)));
}

} // namespace pw

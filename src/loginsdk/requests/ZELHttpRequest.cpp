#include "loginsdk/requests/ZELHttpRequest.h"

#include "platform/core/Log.h"
#include "platform/core/Text.h"
#include "platform/net/UrlConnection.h"
#include "platform/ui/Application.h"

namespace pw {

std::shared_ptr<ZELHttpRequest> ZELHttpRequest::initWithURL(std::string url) {
    return std::make_shared<ZELHttpRequest>(std::move(url));
}

void ZELHttpRequest::showNetStatus() {
    ui::Application::shared().setNetworkActivityIndicatorVisible(true);
}

void ZELHttpRequest::hiddenNetStatus() {
    ui::Application::shared().setNetworkActivityIndicatorVisible(false);
}

void ZELHttpRequest::startSynchronous() {
    // The indicator is one flag the frame reads; set from this thread, so a
    // request still running while the application ends waits on nothing.
    showNetStatus();
    net::UrlResponse r = net::UrlConnection::get(m_url, m_timeOutSeconds);
    if (r.error) {
        m_error = r.error;
        m_errorCode = r.errorCode;
        core::Log::info("SomeThing%s", r.error->c_str());
    } else {
        m_responseData = std::move(r.body);
        m_responseEncoding = "UTF-8";
        m_responseString = core::text::decodeToUtf8(m_responseData, "UTF-8");
    }
    hiddenNetStatus();
}

void ZELHttpRequest::startAsynchronous() {
    showNetStatus();
    double timeout = m_timeOutSeconds == 0 ? 12 : m_timeOutSeconds;
    auto self = shared_from_this();
    m_connection = net::UrlConnection::start(m_url, timeout, [self](const net::UrlResponse& r) {
        self->m_connection.reset();
        if (r.error) {
            self->m_error = r.error;
            self->m_errorCode = r.errorCode;
            if (self->m_fail)
                self->m_fail(*self);
            hiddenNetStatus();
            return;
        }
        self->m_responseEncoding = r.charset == "gb2312" ? "GB18030" : "UTF-8";
        self->m_responseData = r.body;
        self->m_responseString = core::text::decodeToUtf8(self->m_responseData, self->m_responseEncoding);
        if (self->m_finish)
            self->m_finish(*self);
        hiddenNetStatus();
    });
}

void ZELHttpRequest::cancel() {
    if (m_connection)
        m_connection->cancel();
    m_connection.reset();
}

} // namespace pw

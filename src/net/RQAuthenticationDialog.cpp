#include "net/RQAuthenticationDialog.h"

#include "net/RQHTTPRequest.h"

#include <mutex>

namespace pw {
namespace {
std::mutex g_mutex;
RQAuthenticationDialog::Presenter g_presenter;
} // namespace

void RQAuthenticationDialog::setPresenter(Presenter presenter)
{
    std::lock_guard lock(g_mutex);
    g_presenter = std::move(presenter);
}

bool RQAuthenticationDialog::canPresent()
{
    std::lock_guard lock(g_mutex);
    return static_cast<bool>(g_presenter);
}

void RQAuthenticationDialog::presentAuthenticationDialogForRequest(std::shared_ptr<RQHTTPRequest> request)
{
    Presenter p;
    {
        std::lock_guard lock(g_mutex);
        p = g_presenter;
    }
    if (p)
        p(std::move(request));
    else
        request->cancelAuthentication();
}

} // namespace pw

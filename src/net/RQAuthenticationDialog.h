#pragma once
#include <functional>
#include <memory>

namespace pw {

class RQHTTPRequest;

// The engine's credentials screen. The screen itself belongs to the interface
// layer, which installs its presenter; without one the engine never waits for
// a dialog and fails the request instead.
class RQAuthenticationDialog {
public:
    using Presenter = std::function<void(std::shared_ptr<RQHTTPRequest>)>;
    static void setPresenter(Presenter presenter);
    static bool canPresent();
    // Main thread.
    static void presentAuthenticationDialogForRequest(std::shared_ptr<RQHTTPRequest> request);
};

} // namespace pw

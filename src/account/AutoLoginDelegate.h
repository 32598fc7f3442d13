#pragma once

namespace pw {

// Told how a silent login ended.
class AutoLoginDelegate {
public:
    virtual ~AutoLoginDelegate() = default;
    virtual void loginIsSuccess(bool success) = 0;
};

} // namespace pw

#pragma once
// The one whole-book download manager of the process. Until the download
// subsystem brings the real one, it keeps the list of books being downloaded
// from the whole-book download notifications and nothing more.
#include "platform/core/ObserverToken.h"

#include <cstdint>
#include <vector>

namespace pw {

class DownManager {
public:
    DownManager();
    const std::vector<int64_t>& downloadingBookIds() const { return m_bookIds; }

private:
    std::vector<int64_t> m_bookIds;
    std::vector<core::ObserverToken> m_tokens;
};

} // namespace pw

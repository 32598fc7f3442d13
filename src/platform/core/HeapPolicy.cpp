#include "platform/core/HeapPolicy.h"

#include <climits>
#include <malloc.h>

namespace pw::core {

bool HeapPolicy::retainFreedMemory(std::size_t bytes) {
#if defined(__GLIBC__)
    const int limit = bytes > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(bytes);
    return mallopt(M_TRIM_THRESHOLD, limit) == 1;
#else
    (void)bytes;
    return false;
#endif
}

} // namespace pw::core

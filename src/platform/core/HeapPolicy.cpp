#include "platform/core/HeapPolicy.h"

#include <climits>
#include <cstdint>
#include <malloc.h>
#include <sys/mman.h>

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

bool HeapPolicy::preferHugePages(void* data, std::size_t bytes) {
#if defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t kHugePage = std::uintptr_t(2) << 20;
    if (!data || bytes < 2 * kHugePage)
        return false;
    const auto start = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (start + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t end = (start + bytes) & ~(kHugePage - 1);
    if (end <= first)
        return false;
    return ::madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE) == 0;
#else
    (void)data;
    (void)bytes;
    return false;
#endif
}

void HeapPolicy::reserveWithHugePages(std::string& text, std::size_t bytes) {
    if (text.capacity() >= bytes)
        return;
    text.reserve(bytes);
    // Only the room past what is written yet is untouched and worth advising.
    preferHugePages(text.data() + text.size(), text.capacity() - text.size());
}

} // namespace pw::core

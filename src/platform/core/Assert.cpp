#include "platform/core/Assert.h"

#include <cstdio>
#include <cstdlib>

namespace pw::core {

#if defined(PW_CHECKS)
void assertionFailed(const char* condition, const char* message, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: check failed: %s%s%s\n", file, line, condition, message ? ": " : "",
                 message ? message : "");
    std::fflush(stderr);
    std::abort();
}
#endif

} // namespace pw::core

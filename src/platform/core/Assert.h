#pragma once

// Checks of the threading and calling rules that comments used to state
// only: which thread owns a run loop, which queue a socket's state lives on,
// that a statement is bound with as many values as it has parameters.
// They are programmer errors, so they stop the process where the rule was
// broken. Active in Debug and sanitizer builds (PW_CHECKS); in release
// builds they compile to nothing and the condition is not evaluated.

#if defined(PW_CHECKS)
namespace pw::core {
[[noreturn]] void assertionFailed(const char* condition, const char* message, const char* file, int line);
} // namespace pw::core
#define PW_ASSERT_MSG(cond, msg)                                                                                       \
    do {                                                                                                               \
        if (!(cond))                                                                                                   \
            ::pw::core::assertionFailed(#cond, msg, __FILE__, __LINE__);                                               \
    } while (0)
#else
#define PW_ASSERT_MSG(cond, msg)                                                                                       \
    do {                                                                                                               \
        if (false && (cond)) {                                                                                         \
        }                                                                                                              \
    } while (0)
#endif

#define PW_ASSERT(cond) PW_ASSERT_MSG(cond, nullptr)

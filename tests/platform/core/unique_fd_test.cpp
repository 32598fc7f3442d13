#include "platform/core/UniqueFd.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <utility>

using pw::core::UniqueFd;

namespace {
bool isOpen(int fd) {
    return ::fcntl(fd, F_GETFD) != -1;
}
} // namespace

TEST(UniqueFd, ClosesOnceWhateverPathTheDescriptorTakes) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    {
        UniqueFd a(fds[0]);
        UniqueFd b(std::move(a)); // moved: only b closes it
        EXPECT_FALSE(a.isValid());
        EXPECT_EQ(b.get(), fds[0]);
        UniqueFd c;
        c = std::move(b);
        EXPECT_TRUE(isOpen(fds[0]));
        c.reset(fds[1]); // the old one goes, the new one is held
        EXPECT_FALSE(isOpen(fds[0]));
        EXPECT_TRUE(isOpen(fds[1]));
        int raw = c.release();
        EXPECT_EQ(raw, fds[1]);
        EXPECT_FALSE(c.isValid());
    }
    EXPECT_TRUE(isOpen(fds[1])); // released, not closed
    { UniqueFd owner(fds[1]); }
    EXPECT_FALSE(isOpen(fds[1]));
}

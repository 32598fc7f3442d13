#include "platform/net/CredentialStorage.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

using namespace pw::net;

TEST(CredentialStorage, KeepsCredentialsPerSpaceInAFileOnlyTheUserReads) {
    auto path = std::filesystem::temp_directory_path() / ("pw-cred-" + std::to_string(::getpid()));
    std::filesystem::remove(path);
    ProtectionSpace site{"site.example", 443, "https", "Members"};
    ProtectionSpace proxy{"proxy.example", 3128, "http-proxy", ""};
    {
        CredentialStorage store(path.string());
        store.setDefaultCredential({"reader", "p a s s\n%"}, site);
        store.setDefaultCredential({"", ""}, proxy);
        store.setDefaultCredential({"reader2", "x"}, site); // replaces
    }
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600);

    CredentialStorage reloaded(path.string());
    EXPECT_EQ(reloaded.defaultCredential(site), (Credential{"reader2", "x"}));
    EXPECT_EQ(reloaded.defaultCredential(proxy), (Credential{"", ""}));
    EXPECT_FALSE(reloaded.defaultCredential({"site.example", 443, "https", "Other"}));
    reloaded.removeDefaultCredential(site);
    EXPECT_FALSE(CredentialStorage(path.string()).defaultCredential(site));
    std::filesystem::remove(path);
}

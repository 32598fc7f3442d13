#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace pw::test {

// The team's shared real-data folder (../shared/fixtures beside the
// repository, or $PW_FIXTURES). CI has it; a fresh clone may not, and the
// tests that need it skip with sharedFixtureMissing() as their message.
std::filesystem::path sharedFixturesFolder();
// The file's path when it is there.
std::optional<std::filesystem::path> sharedFixture(std::string_view name);
std::string sharedFixtureMissing(std::string_view name);

} // namespace pw::test

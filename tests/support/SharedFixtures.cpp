#include "support/SharedFixtures.h"

#include <cstdlib>
#include <system_error>

namespace pw::test {

std::filesystem::path sharedFixturesFolder() {
    if (const char* env = std::getenv("PW_FIXTURES"); env && *env)
        return env;
    return PW_FIXTURES_DIR;
}

std::optional<std::filesystem::path> sharedFixture(std::string_view name) {
    std::filesystem::path path = sharedFixturesFolder() / name;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return std::nullopt;
    return path;
}

std::string sharedFixtureMissing(std::string_view name) {
    return "shared fixture " + std::string(name) + " not found under " + sharedFixturesFolder().string() +
           " (CI provides ../shared/fixtures; set PW_FIXTURES to point elsewhere)";
}

} // namespace pw::test

#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>

namespace pw::bench {

// The team's shared real-data file (in $PW_FIXTURES, else in the folder the
// build names): its path, or nullopt after saying that the benchmark skips.
inline std::optional<std::filesystem::path> sharedFixture(const char* benchmark, const char* builtInFolder,
                                                          const char* name) {
    const char* env = std::getenv("PW_FIXTURES");
    std::filesystem::path path = std::filesystem::path(env && *env ? env : builtInFolder) / name;
    if (std::filesystem::exists(path))
        return path;
    // The shared novel is not part of the repository; CI has it.
    std::printf("%s: skipped, shared fixture %s not found (CI provides ../shared/fixtures; set PW_FIXTURES to point "
                "elsewhere)\n",
                benchmark, path.c_str());
    return std::nullopt;
}

} // namespace pw::bench

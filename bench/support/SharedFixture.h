#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>

namespace pw::bench {

// The team's shared real-data folder: $PW_FIXTURES, else the folder the build names.
inline std::filesystem::path sharedFixturesFolder(const char* builtInFolder) {
    const char* env = std::getenv("PW_FIXTURES");
    return env && *env ? env : builtInFolder;
}

// The shared real-data file's path, or nullopt after saying that the benchmark skips.
inline std::optional<std::filesystem::path> sharedFixture(const char* benchmark, const char* builtInFolder,
                                                          const char* name) {
    std::filesystem::path path = sharedFixturesFolder(builtInFolder) / name;
    if (std::filesystem::exists(path))
        return path;
    // The shared novel is not part of the repository; CI has it.
    std::printf("%s: skipped, shared fixture %s not found (CI provides ../shared/fixtures; set PW_FIXTURES to point "
                "elsewhere)\n",
                benchmark, path.c_str());
    return std::nullopt;
}

} // namespace pw::bench

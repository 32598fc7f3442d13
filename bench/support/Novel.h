#pragma once
// The shared GB18030 novel for benchmarks that lay out real text. The
// including benchmark defines PW_FIXTURES_DIR (the folder the build names).
#include "platform/core/FileManager.h"
#include "platform/core/Text.h"
#include "support/SharedFixture.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace pw::bench {

// The whole novel decoded, from $PW_FIXTURES or PW_FIXTURES_DIR. Exits when it
// is missing: these benchmarks have nothing to measure without it.
inline std::u16string loadNovel() {
    const std::filesystem::path dir = sharedFixturesFolder(PW_FIXTURES_DIR);
    auto bytes = pw::core::FileManager::readText(dir / "hongloumeng-gb18030.txt");
    if (!bytes) {
        std::fprintf(stderr, "novel not found in %s\n", dir.c_str());
        std::exit(1);
    }
    return pw::core::text::decodeLenient(*bytes, "GB18030").value_or(std::u16string());
}

} // namespace pw::bench

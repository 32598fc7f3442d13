// Opening a 10 MB GB18030 book at a stored place to its first laid-out page:
// cold (the chapter index is built as a first opening does) and warm (index
// kept), against the reference of reading the file once and laying out one page.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "foundation/config/RZConfig.h"
#include "platform/gfx/BitmapContext.h"
#include "reading/page/ContentManager.h"
#include "reading/txt/TxtFile.h"
#include "support/SharedFixture.h"

namespace {

constexpr pw::gfx::Size kCanvas{320, 480};

const std::string& bookPath() {
    static const std::string path = [] {
        const std::filesystem::path dir = pw::bench::sharedFixturesFolder(PW_FIXTURES_DIR);
        std::ifstream in(dir / "hongloumeng-gb18030.txt", std::ios::binary);
        std::stringstream novel;
        novel << in.rdbuf();
        const std::string bytes = novel.str();
        if (bytes.empty()) {
            std::fprintf(stderr, "novel not found in %s\n", dir.c_str());
            std::exit(1);
        }
        auto out = std::filesystem::temp_directory_path() / "pw-reader-bench-10mb.txt";
        std::ofstream file(out, std::ios::binary | std::ios::trunc);
        size_t written = 0;
        while (written < 10u * 1024 * 1024) {
            file << bytes;
            written += bytes.size();
        }
        return out.string();
    }();
    return path;
}

std::shared_ptr<pw::RZConfig> phoneConfig() {
    auto cfg = std::make_shared<pw::RZConfig>(pw::DeviceKind::Phone);
    cfg->setCanvasSize(kCanvas);
    return cfg;
}

int64_t firstPage(const std::u16string& text, int64_t position) {
    pw::ContentManager cm;
    cm.setRzConfig(phoneConfig());
    cm.setupConfig();
    pw::gfx::BitmapContext ctx(kCanvas, 2, true);
    auto page = cm.getBackwardPageContent(text, position, ctx);
    return page ? page->end : -1;
}

// The stored place: the middle of the book.
int64_t openAtPlace(bool buildIndex) {
    const std::string& path = bookPath();
    pw::TxtFile file;
    file.loadTxtFile(path);
    const int64_t total = file.totalLength();
    if (buildIndex)
        benchmark::DoNotOptimize(file.parseChaptersWithTxtFilePath(path, total, [](float) {}).size());
    std::optional<std::u16string> chunk;
    int64_t pos = -1;
    pw::TxtFile reader;
    reader.goToContent(total / 2, path, total, chunk, pos);
    return chunk ? firstPage(*chunk, pos) : -1;
}

void BM_OpenTxtAtPlaceCold(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(openAtPlace(true));
}

void BM_OpenTxtAtPlaceWarm(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(openAtPlace(false));
}

// Reference: read the whole file once and lay out one page of it.
void BM_ReadFileAndLayOutOnePage(benchmark::State& state) {
    for (auto _ : state) {
        std::ifstream in(bookPath(), std::ios::binary);
        std::stringstream all;
        all << in.rdbuf();
        const std::string bytes = all.str();
        benchmark::DoNotOptimize(bytes.size());
        pw::TxtFile file;
        std::optional<std::u16string> chunk;
        file.getNextBlockContentWithStart(0, static_cast<int64_t>(bytes.size()), bookPath(), chunk);
        benchmark::DoNotOptimize(chunk ? firstPage(*chunk, -1) : -1);
    }
}

} // namespace

BENCHMARK(BM_OpenTxtAtPlaceCold)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.5);
BENCHMARK(BM_OpenTxtAtPlaceWarm)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.5);
BENCHMARK(BM_ReadFileAndLayOutOnePage)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.5);
BENCHMARK_MAIN();

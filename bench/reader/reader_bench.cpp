// Opening a 10 MB GB18030 book at a stored place to its first drawn page,
// against the reference of reading the file once and laying out one page.
// Each opening runs in a new process, as the reader meets it: cold (the
// chapter index is built, as a first opening of the contents does) and warm
// (the index kept beside the book). The in-process variants show what the
// process start adds.
//
// Ratios of interest: Cold / Reference and Warm / Reference (same kind).

#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "foundation/config/RZConfig.h"
#include "platform/gfx/BitmapContext.h"
#include "reading/page/ContentManager.h"
#include "reading/txt/TxtChapterParser.h"
#include "reading/txt/TxtFile.h"
#include "support/SharedFixture.h"

extern char** environ;

namespace {

constexpr pw::gfx::Size kCanvas{320, 480};
constexpr const char* kChildFlag = "--open-once";

std::string g_self;

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

std::string indexPath() {
    return bookPath() + ".index";
}

std::shared_ptr<pw::RZConfig> phoneConfig() {
    auto cfg = std::make_shared<pw::RZConfig>(pw::DeviceKind::Phone);
    cfg->setCanvasSize(kCanvas);
    return cfg;
}

// The page that begins after `position`, laid out and drawn.
bool drawPage(const std::u16string& text, int64_t position) {
    pw::ContentManager cm;
    cm.setRzConfig(phoneConfig());
    cm.setupConfig();
    pw::gfx::BitmapContext ctx(kCanvas, 2, true);
    auto page = cm.getBackwardPageContent(text, position, ctx);
    return page && !page->pageImage.isNull() && page->end > page->start;
}

// Opens the book at its stored place (the middle of the file), building the
// chapter index first when it is missing.
bool openAtPlace(const std::string& path) {
    pw::TxtFile file;
    file.loadTxtFile(path);
    const int64_t total = file.totalLength();
    const std::string index = path + ".index";
    if (!std::filesystem::exists(index) &&
        !pw::TxtChapterParser::writeIndex(index, file.parseChaptersWithTxtFilePath(path, total, [](float) {})))
        return false;
    std::optional<std::u16string> chunk;
    int64_t pos = -1;
    pw::TxtFile reader;
    reader.goToContent(total / 2, path, total, chunk, pos);
    return chunk && drawPage(*chunk, pos);
}

// The reference: the whole file read once, then one page laid out and drawn.
bool readAndLayOutOnePage(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    const std::string bytes = all.str();
    benchmark::DoNotOptimize(bytes.data());
    pw::TxtFile file;
    std::optional<std::u16string> chunk;
    file.getNextBlockContentWithStart(0, static_cast<int64_t>(bytes.size()), path, chunk);
    return chunk && drawPage(*chunk, -1);
}

// A new process of this program doing one opening.
void runChild(benchmark::State& state, const char* what) {
    const std::string& path = bookPath();
    char* argv[] = {g_self.data(), const_cast<char*>(kChildFlag), const_cast<char*>(what),
                    const_cast<char*>(path.c_str()), nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, g_self.c_str(), nullptr, nullptr, argv, environ) != 0) {
        state.SkipWithError("cannot start a child");
        return;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        state.SkipWithError("the child did not draw its page");
}

void BM_OpenTxtAtPlaceColdProcess(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(indexPath());
        state.ResumeTiming();
        runChild(state, "open");
    }
}

void BM_OpenTxtAtPlaceWarmProcess(benchmark::State& state) {
    if (!std::filesystem::exists(indexPath()) && !openAtPlace(bookPath()))
        state.SkipWithError("no index");
    for (auto _ : state)
        runChild(state, "open");
}

void BM_ReadFileAndLayOutOnePageProcess(benchmark::State& state) {
    for (auto _ : state)
        runChild(state, "reference");
}

void BM_OpenTxtAtPlaceCold(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(indexPath());
        state.ResumeTiming();
        benchmark::DoNotOptimize(openAtPlace(bookPath()));
    }
}

void BM_OpenTxtAtPlaceWarm(benchmark::State& state) {
    benchmark::DoNotOptimize(openAtPlace(bookPath()));
    for (auto _ : state)
        benchmark::DoNotOptimize(openAtPlace(bookPath()));
}

void BM_ReadFileAndLayOutOnePage(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(readAndLayOutOnePage(bookPath()));
}

} // namespace

BENCHMARK(BM_OpenTxtAtPlaceColdProcess)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.5);
BENCHMARK(BM_OpenTxtAtPlaceWarmProcess)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.5);
BENCHMARK(BM_ReadFileAndLayOutOnePageProcess)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.5);
BENCHMARK(BM_OpenTxtAtPlaceCold)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.5);
BENCHMARK(BM_OpenTxtAtPlaceWarm)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.5);
BENCHMARK(BM_ReadFileAndLayOutOnePage)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.5);

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], kChildFlag) == 0) {
        const std::string what = argv[2];
        const bool ok = what == "reference" ? readAndLayOutOnePage(argv[3]) : openAtPlace(argv[3]);
        return ok ? 0 : 1;
    }
    g_self = std::filesystem::read_symlink("/proc/self/exe").string();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove(indexPath());
    return 0;
}

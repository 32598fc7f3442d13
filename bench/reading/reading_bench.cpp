// Reading-engine file costs, each against a reference measured in the same
// run, printed as ratios at the end:
// - the chapter index of the fixture novel repeated to about 10 MB, against
//   `grep -c -P` with the same pattern over the same text in UTF-8
//   (target: at most 2);
// - opening a UMD book and reading every chapter, against inflating the same
//   content blocks with zlib alone.

#include "platform/core/Text.h"
#include "reading/txt/TxtFile.h"
#include "reading/umd/UmdFile.h"
#include "../../tests/reading/umd/UmdWriter.h"

#include "support/SharedFixture.h"

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <string>

namespace {

struct Data {
    std::string folder;
    std::string gbPath;
    std::string utf8Path;
    int64_t gbLength = 0;
    std::string umdPath;
    std::vector<std::vector<uint8_t>> compressedBlocks;
    std::map<std::string, double> seconds; // mean seconds per iteration, by benchmark
};

Data& data() {
    static Data d;
    return d;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool prepare() {
    Data& d = data();
    const std::string fixture = (pw::bench::sharedFixturesFolder(PW_FIXTURES_DIR) / "hongloumeng-gb18030.txt").string();
    const std::string novel = readFile(fixture);
    if (novel.empty())
        return false;
    char tmpl[] = "/tmp/pw-bench-reading-XXXXXX";
    if (!mkdtemp(tmpl))
        return false;
    d.folder = tmpl;

    std::string big;
    while (big.size() < 10u * 1000 * 1000)
        big += novel;
    d.gbPath = d.folder + "/novel.txt";
    writeFile(d.gbPath, big);
    d.gbLength = static_cast<int64_t>(big.size());
    auto utf8 = pw::core::text::decodeToUtf8(big, "GB18030");
    if (!utf8)
        return false;
    d.utf8Path = d.folder + "/novel-utf8.txt";
    writeFile(d.utf8Path, *utf8);

    // A UMD book of the novel, one chapter per chapter title.
    pw::TxtFile book;
    book.loadTxtFile(fixture);
    const auto entries = book.parseChaptersWithTxtFilePath(fixture, book.totalLength(), {});
    auto text = pw::core::text::decode(novel, "GB18030");
    if (!text || entries.empty())
        return false;
    // Chapter starts as positions in the whole text: chunk by chunk.
    std::vector<size_t> starts;
    for (const auto& e : entries) {
        auto prefix =
            pw::core::text::decode(std::string_view(novel).substr(0, static_cast<size_t>(e.chunkOffset)), "GB18030");
        starts.push_back(prefix->size() + static_cast<size_t>(e.index));
    }
    pw::test::UmdWriter writer;
    writer.fillerBetweenBlocks = true;
    for (size_t i = 0; i < starts.size(); ++i) {
        const size_t end = i + 1 < starts.size() ? starts[i + 1] : text->size();
        writer.chapters.push_back({u"回", text->substr(starts[i], end - starts[i])});
    }
    const auto bytes = writer.build();
    d.umdPath = d.folder + "/novel.umd";
    pw::test::UmdWriter::write(d.umdPath, bytes);
    for (size_t at : writer.contentBlocksAt) {
        const uint32_t length = bytes[at + 5] | (bytes[at + 6] << 8) | (bytes[at + 7] << 16) | (bytes[at + 8] << 24);
        d.compressedBlocks.emplace_back(bytes.begin() + static_cast<long>(at + 9),
                                        bytes.begin() + static_cast<long>(at + length));
    }
    return true;
}

void record(benchmark::State& state, const char* name, double total) {
    data().seconds[name] = total / static_cast<double>(state.iterations());
}

double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void BM_TxtChapterIndex(benchmark::State& state) {
    Data& d = data();
    double total = 0;
    size_t found = 0;
    for (auto _ : state) {
        const double t0 = now();
        pw::TxtFile book;
        book.loadTxtFile(d.gbPath);
        auto chapters = book.parseChaptersWithTxtFilePath(d.gbPath, d.gbLength, {});
        total += now() - t0;
        found = chapters.size();
        benchmark::DoNotOptimize(chapters);
    }
    state.counters["chapters"] = static_cast<double>(found);
    state.counters["MB"] = static_cast<double>(d.gbLength) / 1e6;
    record(state, "index", total);
}

void BM_GrepReference(benchmark::State& state) {
    Data& d = data();
    const std::string pattern = pw::core::text::toUtf8Lenient(pw::TxtFile::kChapterTitlePattern);
    const std::string command = "LC_ALL=C.UTF-8 grep -c -P '" + pattern + "' '" + d.utf8Path + "' > /dev/null";
    double total = 0;
    for (auto _ : state) {
        const double t0 = now();
        const int rc = std::system(command.c_str());
        total += now() - t0;
        if (rc != 0)
            state.SkipWithError("grep failed");
    }
    record(state, "grep", total);
}

void BM_UmdReadEveryChapter(benchmark::State& state) {
    Data& d = data();
    double total = 0;
    size_t units = 0;
    for (auto _ : state) {
        const double t0 = now();
        pw::UmdFile book;
        book.loadUmdFile(d.umdPath);
        book.getFileInfo();
        book.getChapters();
        units = 0;
        for (int64_t chapter : book.chapters()->listChapterOffset()) {
            std::u16string text;
            if (!book.getChapterContent(chapter, text))
                state.SkipWithError("chapter did not read");
            units += text.size();
        }
        total += now() - t0;
    }
    state.counters["units"] = static_cast<double>(units);
    record(state, "umd", total);
}

// Opening a UTF-8 book checks every byte of it before it is taken for UTF-8.
void BM_TxtOpenUtf8Book(benchmark::State& state) {
    Data& d = data();
    double total = 0;
    for (auto _ : state) {
        const double t0 = now();
        pw::TxtFile book;
        book.loadTxtFile(d.utf8Path);
        total += now() - t0;
        if (book.encoding() != pw::TxtFile::Encoding::Utf8)
            state.SkipWithError("not taken for UTF-8");
    }
    record(state, "open", total);
}

// Reading the same file whole, as a yardstick.
void BM_ReadFileReference(benchmark::State& state) {
    Data& d = data();
    double total = 0;
    for (auto _ : state) {
        const double t0 = now();
        const std::string bytes = readFile(d.utf8Path);
        total += now() - t0;
        benchmark::DoNotOptimize(bytes.data());
    }
    record(state, "read", total);
}

void BM_ZlibReference(benchmark::State& state) {
    Data& d = data();
    double total = 0;
    std::vector<uint8_t> out(32768);
    for (auto _ : state) {
        const double t0 = now();
        for (const auto& block : d.compressedBlocks) {
            uLongf size = out.size();
            uncompress(out.data(), &size, block.data(), block.size());
            benchmark::DoNotOptimize(out.data());
        }
        total += now() - t0;
    }
    record(state, "zlib", total);
}

BENCHMARK(BM_TxtChapterIndex)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_GrepReference)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_UmdReadEveryChapter)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.5);
BENCHMARK(BM_ZlibReference)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.5);
BENCHMARK(BM_TxtOpenUtf8Book)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.5);
BENCHMARK(BM_ReadFileReference)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.5);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (!pw::bench::sharedFixture("bench_reading", PW_FIXTURES_DIR, "hongloumeng-gb18030.txt"))
        return 0;
    if (!prepare())
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const auto& s = data().seconds;
    if (s.count("index") && s.count("grep"))
        std::printf("ratio chapter index / grep -c -P: %.2f (target <= 2)\n", s.at("index") / s.at("grep"));
    if (s.count("umd") && s.count("zlib"))
        std::printf("ratio UMD read every chapter / zlib inflate of the same blocks: %.2f\n",
                    s.at("umd") / s.at("zlib"));
    if (s.count("open") && s.count("read"))
        std::printf("ratio opening a UTF-8 book / reading it whole: %.2f\n", s.at("open") / s.at("read"));
    std::filesystem::remove_all(data().folder);
    return 0;
}

// Parsing a site chapter-list answer of about 1 MB with our JSON reader
// against nlohmann::json, both into their own trees. The ratio printed at the
// end (reference time / our time) is measured in this run; above 1 means ours
// is faster.

#include "foundation/codec/JSONCodec.h"

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <map>
#include <string>

namespace {

// A chapter list as the site sends it: volumes, then chapters with their
// id, title, paid flag, price, update time in ms, word count and volume.
const std::string& chapterListAnswer() {
    static const std::string text = [] {
        static const char* const words[] = {"风雪", "山神庙", "初入江湖", "剑气", "长安", "夜雨",
                                            "故人", "归来",   "乱世",     "孤城", "少年", "天下"};
        std::string s = "{\"Chapters\":[";
        std::uint32_t x = 12345;
        int volume = 1;
        for (int i = 1; s.size() < 1'000'000; ++i) {
            x = x * 1103515245u + 12345u;
            if (i % 100 == 0)
                ++volume;
            if (i > 1)
                s += ',';
            s += "{\"c\":" + std::to_string(10'000'000 + i * 7);
            s += ",\"n\":\"第" + std::to_string(i) + "章 " + words[x % 12] + words[(x >> 8) % 12] + "\"";
            s += ",\"v\":" + std::to_string(i > 200 ? 1 : 0);
            s += ",\"p\":" + std::to_string(i > 200 ? (x >> 4) % 30 : 0);
            s += ",\"t\":" + std::to_string(1'300'000'000'000LL + static_cast<long long>(i) * 86'400'000LL);
            s += ",\"w\":" + std::to_string(2000 + (x >> 12) % 3000);
            s += ",\"vc\":" + std::to_string(volume) + "}";
        }
        s += "],\"Volumes\":[";
        for (int v = 1; v <= volume; ++v) {
            if (v > 1)
                s += ',';
            s += "{\"VolumeCode\":" + std::to_string(v) + ",\"VolumeName\":\"第" + std::to_string(v) + "卷\"}";
        }
        s += "]}";
        return s;
    }();
    return text;
}

void BM_ParseChapterList_Ours(benchmark::State& state) {
    const std::string& text = chapterListAnswer();
    for (auto _ : state) {
        auto v = pw::mutableObjectFromJSONStringWithParseOptions(text, pw::ParseLenientUnicode);
        if (!v)
            state.SkipWithError("parse failed");
        benchmark::DoNotOptimize(v);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_ParseChapterList_Nlohmann(benchmark::State& state) {
    const std::string& text = chapterListAnswer();
    for (auto _ : state) {
        auto v = nlohmann::json::parse(text);
        benchmark::DoNotOptimize(v);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

// Several repetitions each; the ratio takes the best time of each side, which
// is the least disturbed by whatever else the machine is doing.
BENCHMARK(BM_ParseChapterList_Ours)->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK(BM_ParseChapterList_Nlohmann)->Unit(benchmark::kMillisecond)->Repetitions(5);

// Keeps each benchmark's best time per iteration so the ratio can be printed.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration && !r.error_occurred) {
                auto [it, fresh] = m_times.emplace(r.run_name.function_name, r.GetAdjustedRealTime());
                if (!fresh && r.GetAdjustedRealTime() < it->second)
                    it->second = r.GetAdjustedRealTime();
            }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> m_times{};
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto ours = reporter.m_times.find("BM_ParseChapterList_Ours");
    auto ref = reporter.m_times.find("BM_ParseChapterList_Nlohmann");
    if (ours != reporter.m_times.end() && ref != reporter.m_times.end() && ours->second > 0) {
        std::printf("chapter list %zu bytes: nlohmann::json / ours = %.2f (above 1: ours is faster)\n",
                    chapterListAnswer().size(), ref->second / ours->second);
    }
    benchmark::Shutdown();
    return 0;
}

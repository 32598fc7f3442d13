// Storing a 5,000-chapter list through BookDB and reading it back in reading
// order, against the same work written directly on SQLite's C API (one
// prepared insert in one transaction, one prepared select). The ratio of the
// two, measured in the same run, is printed at the end.

#include "foundation/db/BookDB.h"
#include "platform/core/HeapPolicy.h"
#include "platform/core/Log.h"
#include "platform/core/Paths.h"
#include "platform/core/Value.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace {

using pw::core::Value;

constexpr int ChapterCount = 5000;
constexpr int64_t Book = 424242;

struct PlainChapter {
    int64_t cid{0};
    std::string cname;
    int vip{0};
    int down{0};
    int price{0};
    int64_t t{0};
    int words{0};
    int vc{0};
};

const Value::Array& siteChapters() {
    static const Value::Array chapters = [] {
        Value::Array list;
        list.reserve(ChapterCount);
        for (int i = 0; i < ChapterCount; ++i) {
            list.push_back(Value(Value::Map{
                {"c", Value(int64_t(100000 + i))},
                {"n", Value("第" + std::to_string(i + 1) + "章 风起于青萍之末")},
                {"v", Value(i > 100 ? 1 : 0)},
                {"p", Value(i > 100 ? 12 : 0)},
                {"t", Value(int64_t(1'600'000'000'000) + i * 60'000)},
                {"w", Value(3000 + i % 500)},
                {"vc", Value(1 + i / 200)},
            }));
        }
        return list;
    }();
    return chapters;
}

std::filesystem::path& home() {
    static std::filesystem::path path;
    return path;
}

void removeBook() {
    std::filesystem::remove(pw::BookDB::bookDBPath(Book));
}

void BM_BookDB(benchmark::State& state) {
    const Value::Array& chapters = siteChapters();
    for (auto _ : state) {
        state.PauseTiming();
        removeBook();
        state.ResumeTiming();
        if (!pw::BookDB::createBookDBIfNotExists(Book) || !pw::BookDB::addChapters(chapters, Book))
            state.SkipWithError("storing failed");
        auto stored = pw::BookDB::getAllChaptersWithRZBookId(Book);
        if (!stored || stored->size() != chapters.size())
            state.SkipWithError("reading failed");
        benchmark::DoNotOptimize(stored);
    }
}

void exec(sqlite3* db, const char* sql) {
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        std::abort();
}

void BM_PlainSQLite(benchmark::State& state) {
    const Value::Array& chapters = siteChapters();
    std::string path = pw::BookDB::bookDBPath(Book).string();
    for (auto _ : state) {
        state.PauseTiming();
        removeBook();
        state.ResumeTiming();

        sqlite3* db = nullptr;
        sqlite3_open(path.c_str(), &db);
        exec(db, "BEGIN EXCLUSIVE TRANSACTION;");
        exec(
            db,
            "create table chapter (ChapterId integer primary key, ChapterName text, IsVip integer, IsDownloaded "
            "integer, "
            "Price integer, UpdateTime integer, WordsCount integer, ExtInt1 integer, ExtInt2 integer, ExtString1 text, "
            "ExtString2 text, ExtFloat1 float);");
        exec(db, "create table chaptercontent (ChapterId integer primary key, Content text);");
        exec(db, "create table vipchaptercontent (ChapterId integer primary key, Content BLOB,UserId integer);");
        exec(db, "create table volumes (VolumeCode text primary key, VolumeName text);");
        exec(db, "PRAGMA user_version = 200");
        exec(db, "COMMIT TRANSACTION;");
        sqlite3_close(db);

        sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
        exec(db, "BEGIN EXCLUSIVE TRANSACTION;");
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(db,
                           "insert or ignore into chapter (ChapterId, ChapterName, IsVip, IsDownloaded, Price, "
                           "UpdateTime, WordsCount, ExtInt1, ExtInt2, "
                           "ExtString1, ExtString2, ExtFloat1) values (?, ?, ?, 0, ?, ?, ?, ?, -2, '', '', -2)",
                           -1, &insert, nullptr);
        for (const Value& c : chapters) {
            sqlite3_bind_int64(insert, 1, *c["c"].asInt());
            const std::string& name = *c["n"].stringPtr();
            sqlite3_bind_text(insert, 2, name.data(), static_cast<int>(name.size()), SQLITE_STATIC);
            sqlite3_bind_int64(insert, 3, *c["v"].asInt());
            sqlite3_bind_int64(insert, 4, *c["p"].asInt());
            sqlite3_bind_int64(insert, 5, *c["t"].asInt());
            sqlite3_bind_int64(insert, 6, *c["w"].asInt());
            sqlite3_bind_int64(insert, 7, *c["vc"].asInt());
            if (sqlite3_step(insert) != SQLITE_DONE)
                std::abort();
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        exec(db, "COMMIT TRANSACTION;");
        sqlite3_close(db);

        sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_stmt* select = nullptr;
        sqlite3_prepare_v2(db,
                           "select ChapterId, ChapterName, IsVip, IsDownloaded, Price, UpdateTime, WordsCount, "
                           "ExtInt1, ExtInt2, ExtString1, ExtString2, "
                           "ExtFloat1 from chapter order by ExtInt1, ChapterId",
                           -1, &select, nullptr);
        std::vector<PlainChapter> rows;
        while (sqlite3_step(select) == SQLITE_ROW) {
            PlainChapter row;
            row.cid = sqlite3_column_int64(select, 0);
            row.cname = reinterpret_cast<const char*>(sqlite3_column_text(select, 1));
            row.vip = sqlite3_column_int(select, 2);
            row.down = sqlite3_column_int(select, 3);
            row.price = sqlite3_column_int(select, 4);
            row.t = sqlite3_column_int64(select, 5);
            row.words = sqlite3_column_int(select, 6);
            row.vc = sqlite3_column_int(select, 7);
            rows.push_back(std::move(row));
        }
        sqlite3_finalize(select);
        sqlite3_close(db);
        if (rows.size() != chapters.size())
            state.SkipWithError("reading failed");
        benchmark::DoNotOptimize(rows);
    }
}

// The runs write and sync files, so single runs are noisy: the ratio is taken
// between the medians of a few repetitions.
BENCHMARK(BM_PlainSQLite)->Unit(benchmark::kMillisecond)->MinTime(0.5)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_BookDB)->Unit(benchmark::kMillisecond)->MinTime(0.5)->Repetitions(5)->ReportAggregatesOnly(true);

// Keeps each benchmark's median time per iteration for the closing ratio.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median" && !run.error_occurred)
                m_times[run.run_name.function_name] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }

    std::map<std::string, double> m_times;
};

} // namespace

int main(int argc, char** argv) {
    std::string pattern = (std::filesystem::temp_directory_path() / "pw-bench-db-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        return 1;
    home() = pattern;
    pw::core::Paths::setHome(home());
    std::filesystem::create_directories(home() / "Documents" / "torvane" / "book");
    pw::core::Log::setLevel(pw::core::LogLevel::Error);
    // The heap behaves as in the app, which keeps freed memory for the next
    // list instead of faulting it in again (both sides run under it).
    pw::core::HeapPolicy::retainFreedMemory();
    siteChapters();

    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    auto plain = reporter.m_times.find("BM_PlainSQLite");
    auto ours = reporter.m_times.find("BM_BookDB");
    if (plain != reporter.m_times.end() && ours != reporter.m_times.end() && plain->second > 0) {
        double ratio = ours->second / plain->second;
        std::printf("BookDB store and read of %d chapters / plain SQLite loop: ratio %.2f (target at most 1.30)\n",
                    ChapterCount, ratio);
    } else {
        for (const auto& [name, time] : reporter.m_times)
            std::printf("%s: %.3f\n", name.c_str(), time);
    }
    std::filesystem::remove_all(home());
    return 0;
}

#include "support/PoetryBooks.h"

#include "platform/core/Text.h"

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <fstream>

namespace pw::test {

namespace {

void say(std::string* problem, std::string text) {
    if (problem)
        *problem = std::move(text);
}

// One of the package's chapter files: [{"chapter": name, "paragraphs": [...]}].
bool appendChapters(const std::filesystem::path& file, std::vector<PoetryChapter>& out, std::string* problem) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        say(problem, "cannot read " + file.string() + " (run scripts/setup.sh to install chinese-poetry)");
        return false;
    }
    auto json = nlohmann::json::parse(in, nullptr, false);
    if (!json.is_array()) {
        say(problem, file.string() + " is not a list of chapters");
        return false;
    }
    for (const auto& entry : json) {
        if (!entry.contains("chapter") || !entry.contains("paragraphs"))
            continue;
        PoetryChapter chapter;
        chapter.title = "第" + std::to_string(out.size() + 1) + "章 " + entry["chapter"].get<std::string>();
        for (const auto& paragraph : entry["paragraphs"]) {
            chapter.text += "　　" + paragraph.get<std::string>();
            chapter.text += '\n';
        }
        out.push_back(std::move(chapter));
    }
    return true;
}

// Tang poems of one of the package's "poet.tang.N.json" files, fifty to a
// chapter: [{"title": ..., "author": ..., "paragraphs": [...]}].
bool appendTangChapters(const std::filesystem::path& file, std::vector<PoetryChapter>& out, std::string* problem) {
    std::ifstream in(file, std::ios::binary);
    auto json = in ? nlohmann::json::parse(in, nullptr, false) : nlohmann::json();
    if (!json.is_array()) {
        say(problem, "cannot read the poems of " + file.string() + " (run scripts/setup.sh to install chinese-poetry)");
        return false;
    }
    constexpr size_t kPoemsPerChapter = 50;
    size_t taken = 0;
    for (const auto& poem : json) {
        std::string text = "　　" + poem.value("title", std::string()) + "（" + poem.value("author", std::string()) + "）\n";
        if (poem.contains("paragraphs"))
            for (const auto& line : poem["paragraphs"])
                text += "　　" + line.get<std::string>() + "\n";
        // A poem that speaks of "第…章" or the like would read as a chapter title.
        if (text.find("第") != std::string::npos)
            continue;
        if (taken++ % kPoemsPerChapter == 0) {
            PoetryChapter chapter;
            chapter.title = "第" + std::to_string(out.size() + 1) + "章 唐诗" + std::to_string(taken / kPoemsPerChapter + 1);
            out.push_back(std::move(chapter));
        }
        out.back().text += text;
    }
    return true;
}

bool writeBook(const std::filesystem::path& path, std::string_view charset, const std::vector<PoetryChapter>& chapters,
               std::string* problem) {
    const std::string utf8 = poetryBookText(chapters);
    std::string bytes;
    if (charset == "UTF-8") {
        bytes = utf8;
    } else {
        auto encoded = core::text::encodeFromUtf8(utf8, charset);
        if (!encoded) {
            say(problem, "cannot encode the book as " + std::string(charset));
            return false;
        }
        bytes = std::move(*encoded);
        if (charset == "UTF-16LE")
            bytes.insert(0, "\xFF\xFE", 2);
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        say(problem, "cannot write " + path.string());
        return false;
    }
    return true;
}

} // namespace

std::filesystem::path poetryFolder() {
    if (const char* env = std::getenv("PW_POETRY"); env && *env)
        return env;
    return PW_POETRY_DIR;
}

std::optional<std::vector<PoetryChapter>> poetryChapters(std::string* problem) {
    const std::filesystem::path dist = poetryFolder() / "dist";
    std::vector<PoetryChapter> chapters;
    if (!appendChapters(dist / "lunyu" / "lunyu.json", chapters, problem) ||
        !appendChapters(dist / "sishuwujing" / "mengzi.json", chapters, problem))
        return std::nullopt;
    if (chapters.empty()) {
        say(problem, "no chapters under " + dist.string());
        return std::nullopt;
    }
    return chapters;
}

std::string poetryBookText(const std::vector<PoetryChapter>& chapters) {
    std::string text;
    for (const auto& chapter : chapters) {
        text += chapter.title;
        text += '\n';
        text += chapter.text;
    }
    return text;
}

bool writePoetryBook(const std::filesystem::path& path, std::string_view charset, std::string* problem) {
    auto chapters = poetryChapters(problem);
    return chapters && writeBook(path, charset, *chapters, problem);
}

std::optional<std::vector<PoetryChapter>> longPoetryChapters(std::string* problem) {
    auto chapters = poetryChapters(problem);
    if (!chapters)
        return std::nullopt;
    const std::filesystem::path tang = poetryFolder() / "dist" / "quantangshi";
    for (int first = 0; first < 5000; first += 1000)
        if (!appendTangChapters(tang / ("poet.tang." + std::to_string(first) + ".json"), *chapters, problem))
            return std::nullopt;
    return chapters;
}

bool writeLongPoetryBook(const std::filesystem::path& path, std::string_view charset, std::string* problem) {
    auto chapters = longPoetryChapters(problem);
    return chapters && writeBook(path, charset, *chapters, problem);
}

} // namespace pw::test

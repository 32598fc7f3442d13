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
    if (!chapters)
        return false;
    const std::string utf8 = poetryBookText(*chapters);
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

} // namespace pw::test

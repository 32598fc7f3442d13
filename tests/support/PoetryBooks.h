#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pw::test {

// Whole books for tests that need real text that is not ours: the classics
// of the chinese-poetry package (MIT licence), which scripts/setup.sh
// installs into build/npm. The Analects and the Mencius make one book of 34
// chapters, each under a title line "第N章 <name>".
struct PoetryChapter {
    std::string title; // UTF-8, the whole title line
    std::string text;  // UTF-8, the chapter's paragraphs, one per line
};

// The package's folder: $PW_POETRY, else the build's own copy.
std::filesystem::path poetryFolder();
// nullopt (with why in *problem) when the package is missing or unreadable.
std::optional<std::vector<PoetryChapter>> poetryChapters(std::string* problem = nullptr);
// Title line, then the text, of every chapter, in UTF-8.
std::string poetryBookText(const std::vector<PoetryChapter>& chapters);
// Writes the book in charset ("UTF-8", "GB18030", "UTF-16LE"; UTF-16 with
// its byte-order mark) to path.
bool writePoetryBook(const std::filesystem::path& path, std::string_view charset, std::string* problem = nullptr);

// A book the size of a long novel (about 2 MB): the classics above, then the
// first 5,000 Tang poems of the package, fifty to a chapter, each chapter
// under a title line "第N章 唐诗K".
std::optional<std::vector<PoetryChapter>> longPoetryChapters(std::string* problem = nullptr);
bool writeLongPoetryBook(const std::filesystem::path& path, std::string_view charset, std::string* problem = nullptr);

} // namespace pw::test

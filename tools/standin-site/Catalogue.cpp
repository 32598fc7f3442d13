#include "Catalogue.h"

#include "foundation/codec/JSONCodec.h"
#include "platform/core/Text.h"

#include <algorithm>
#include <fstream>
#include <regex>
#include <sstream>

namespace pw::standin {
namespace {

namespace fs = std::filesystem;

std::optional<core::Value> readJson(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::stringstream ss;
    ss << in.rdbuf();
    return objectFromJSONString(ss.str());
}

std::string lines(const core::Value& array) {
    std::string out;
    if (const auto* a = array.asArray())
        for (const auto& line : *a)
            if (auto s = line.asString()) {
                if (!out.empty())
                    out += '\n';
                out += *s;
            }
    return out;
}

std::string field(const core::Value& v, const char* key) {
    return v[key].asString().value_or("");
}

// Files named <prefix><number>.json, in the order of their numbers.
std::vector<fs::path> numbered(const fs::path& dir, const std::string& prefix) {
    std::vector<std::pair<long, fs::path>> found;
    std::error_code ec;
    const std::regex pattern(prefix + "([0-9]+)\\.json");
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
        std::smatch m;
        const std::string name = entry.path().filename().string();
        if (std::regex_match(name, m, pattern))
            found.emplace_back(std::stol(m[1]), entry.path());
    }
    std::sort(found.begin(), found.end());
    std::vector<fs::path> out;
    for (auto& f : found)
        out.push_back(f.second);
    return out;
}

class Builder {
public:
    Builder(int64_t id, std::string name, std::string author, int64_t firstChapterId = 1)
        : m_firstChapterId(firstChapterId) {
        m_book = std::make_unique<Book>();
        m_book->id = id;
        m_book->name = std::move(name);
        m_book->author = std::move(author);
    }
    // Starts a volume unless the last one has this name.
    void volume(const std::string& name) {
        if (!m_book->volumes.empty() && m_book->volumes.back().name == name)
            return;
        m_book->volumes.push_back({static_cast<int64_t>(m_book->volumes.size() + 1), name});
    }
    void chapter(std::string name, std::string text) {
        if (m_book->volumes.empty())
            volume("正文");
        const size_t i = m_book->chapters.size();
        Chapter c;
        c.id = m_firstChapterId + static_cast<int64_t>(i);
        c.name = name.empty() ? "无题" : std::move(name);
        c.volumeCode = m_book->volumes.back().code;
        c.vip = Catalogue::isVipIndex(i);
        c.price = Catalogue::priceOfIndex(i);
        c.time = 1700000000000 + static_cast<int64_t>(i) * 60000;
        c.words = static_cast<int64_t>(core::text::toUtf16Lenient(text).size());
        c.text = std::move(text);
        m_book->chapters.push_back(std::move(c));
    }
    std::unique_ptr<Book> done() { return m_book->chapters.empty() ? nullptr : std::move(m_book); }

private:
    std::unique_ptr<Book> m_book;
    int64_t m_firstChapterId;
};

void addChapterParagraphs(Builder& b, const core::Value& item) {
    b.chapter(field(item, "chapter"), lines(item["paragraphs"]));
}

} // namespace

const Chapter* Book::chapter(int64_t chapterId) const {
    // Chapter ids run on from the first without gaps.
    if (chapters.empty() || chapterId < chapters.front().id)
        return nullptr;
    const auto index = static_cast<uint64_t>(chapterId - chapters.front().id);
    return index < chapters.size() ? &chapters[index] : nullptr;
}

Catalogue::Catalogue(fs::path poetry) : m_poetry(std::move(poetry)) {}
Catalogue::~Catalogue() = default;

fs::path Catalogue::defaultPoetryFolder() {
    if (const char* env = std::getenv("PW_POETRY_DIR"); env && *env)
        return env;
#ifdef PW_POETRY_DIR
    return PW_POETRY_DIR;
#else
    return {};
#endif
}

bool Catalogue::available() const {
    std::error_code ec;
    return fs::is_directory(m_poetry / "dist" / "shijing", ec);
}

std::vector<int64_t> Catalogue::bookIds() const {
    return {kShijing, kLunyu, kSishu, kChuci, kSongci, kTangThousand, kTang};
}

const Book* Catalogue::book(int64_t id) const {
    std::lock_guard lock(m_mutex);
    auto it = m_books.find(id);
    if (it == m_books.end())
        it = m_books.emplace(id, load(id)).first;
    return it->second.get();
}

std::unique_ptr<Book> Catalogue::load(int64_t id) const {
    const fs::path dist = m_poetry / "dist";
    switch (id) {
    case kShijing: {
        Builder b(id, "诗经", "佚名");
        if (auto all = readJson(dist / "shijing" / "shijing.json"))
            for (const auto& poem : *all->asArray()) {
                b.volume(field(poem, "chapter") + "·" + field(poem, "section"));
                b.chapter(field(poem, "title"), lines(poem["content"]));
            }
        return b.done();
    }
    case kLunyu: {
        Builder b(id, "论语", "孔子弟子及再传弟子");
        if (auto all = readJson(dist / "lunyu" / "lunyu.json"))
            for (const auto& item : *all->asArray())
                addChapterParagraphs(b, item);
        return b.done();
    }
    case kSishu: {
        Builder b(id, "四书", "朱熹 集注");
        if (auto v = readJson(dist / "sishuwujing" / "daxue.json")) {
            b.volume("大学");
            addChapterParagraphs(b, *v);
        }
        if (auto v = readJson(dist / "sishuwujing" / "zhongyong.json")) {
            b.volume("中庸");
            addChapterParagraphs(b, *v);
        }
        if (auto all = readJson(dist / "lunyu" / "lunyu.json")) {
            b.volume("论语");
            for (const auto& item : *all->asArray())
                addChapterParagraphs(b, item);
        }
        if (auto all = readJson(dist / "sishuwujing" / "mengzi.json")) {
            b.volume("孟子");
            for (const auto& item : *all->asArray())
                addChapterParagraphs(b, item);
        }
        return b.done();
    }
    case kChuci: {
        Builder b(id, "楚辞", "屈原 等");
        if (auto all = readJson(dist / "chuci" / "chuci.json"))
            for (const auto& poem : *all->asArray()) {
                b.volume(field(poem, "section"));
                b.chapter(field(poem, "title"), field(poem, "author") + "\n" + lines(poem["content"]));
            }
        return b.done();
    }
    case kSongci: {
        Builder b(id, "全宋词", "唐圭璋 编");
        int n = 0;
        for (const auto& file : numbered(dist / "songci", "ci\\.song\\.")) {
            b.volume("第" + std::to_string(++n) + "卷");
            if (auto all = readJson(file))
                for (const auto& ci : *all->asArray())
                    b.chapter(field(ci, "rhythmic") + "（" + field(ci, "author") + "）",
                              field(ci, "author") + "\n" + lines(ci["paragraphs"]));
        }
        return b.done();
    }
    case kTangThousand: {
        Builder b(id, "唐诗一千首", "彭定求 等编");
        size_t n = 0;
        for (const auto& file : numbered(dist / "quantangshi", "poet\\.tang\\.")) {
            if (auto all = readJson(file))
                for (const auto& poem : *all->asArray()) {
                    if (n == 1000)
                        break;
                    if (n % 100 == 0)
                        b.volume("第" + std::to_string(n / 100 + 1) + "卷");
                    b.chapter(field(poem, "title"), field(poem, "author") + "\n" + lines(poem["paragraphs"]));
                    ++n;
                }
            if (n == 1000)
                break;
        }
        return b.done();
    }
    case kTang: {
        Builder b(id, "全唐诗", "彭定求 等编", kTangFirstChapter);
        int n = 0;
        for (const auto& file : numbered(dist / "quantangshi", "poet\\.tang\\.")) {
            b.volume("第" + std::to_string(++n) + "卷");
            if (auto all = readJson(file))
                for (const auto& poem : *all->asArray())
                    b.chapter(field(poem, "title"), field(poem, "author") + "\n" + lines(poem["paragraphs"]));
        }
        return b.done();
    }
    default:
        return nullptr;
    }
}

} // namespace pw::standin

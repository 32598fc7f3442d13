#pragma once
// The stand-in's books: public-domain classics read from the chinese-poetry
// package that scripts/setup.sh installs into the build folder (never copied
// into the repository). A book is read from the package the first time it is
// asked for, so a test that needs one small book does not pay for the Tang
// poems.
//
// Which chapters are paid is a fixed rule of the chapter's position, so tests
// can name free, paid and zero-price chapters without reading the package.
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace pw::standin {

struct Chapter {
    int64_t id = 0;
    std::string name;
    int64_t volumeCode = 0;
    bool vip = false;
    int price = 0;
    int64_t time = 0; // milliseconds since 1970
    int64_t words = 0;
    std::string text; // UTF-8, paragraphs separated by '\n'
};

struct Volume {
    int64_t code = 0;
    std::string name;
};

struct Book {
    int64_t id = 0;
    std::string name;
    std::string author;
    std::vector<Volume> volumes;
    std::vector<Chapter> chapters; // in reading order
    const Chapter* chapter(int64_t chapterId) const;
};

class Catalogue {
public:
    static constexpr int64_t kShijing = 1001;      // the Book of Songs, its sections as volumes
    static constexpr int64_t kLunyu = 1002;        // the Analects
    static constexpr int64_t kSishu = 1003;        // the Four Books
    static constexpr int64_t kChuci = 1004;        // the Chu Ci
    static constexpr int64_t kSongci = 1006;       // the Song lyrics
    static constexpr int64_t kTangThousand = 1007; // the first thousand Tang poems: 1,000 chapters
    // The complete Tang poems: tens of thousands of chapters, and an id past
    // 32 bits (so are its chapter ids).
    static constexpr int64_t kTang = 3000000005;
    static constexpr int64_t kTangFirstChapter = 6000000001;

    // Position rule: the first three chapters are free; after them every
    // fourth is paid, at 5, except every twentieth, which is paid at 0.
    static bool isVipIndex(size_t index) { return index >= 3 && index % 4 == 3; }
    static int priceOfIndex(size_t index) { return !isVipIndex(index) ? 0 : (index % 20 == 19 ? 0 : 5); }

    // `poetry` is the package folder (with dist/ inside).
    explicit Catalogue(std::filesystem::path poetry);
    ~Catalogue();
    // The package folder this build was set up with.
    static std::filesystem::path defaultPoetryFolder();
    bool available() const;

    std::vector<int64_t> bookIds() const;
    // nullptr for an unknown id or a book the package lacks.
    const Book* book(int64_t id) const;

private:
    std::unique_ptr<Book> load(int64_t id) const;

    std::filesystem::path m_poetry;
    mutable std::mutex m_mutex;
    mutable std::map<int64_t, std::unique_ptr<Book>> m_books;
};

} // namespace pw::standin

#include "support/TempDir.h"

#include "platform/core/FileHandle.h"
#include "platform/core/FileManager.h"
#include "platform/core/Paths.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace pw::core;
using pw::test::TempDir;

TEST(Paths, HomeHoldsTheFourFoldersAndResourcesSitBesideTheExecutable) {
    TempDir dir;
    auto previous = Paths::home();
    Paths::setHome(dir.path() / "home");
    EXPECT_TRUE(Paths::ensureHome());
    for (const auto& p : {Paths::documents(), Paths::library(), Paths::caches(), Paths::tmp()})
        EXPECT_TRUE(FileManager::isDirectory(p)) << p;
    EXPECT_EQ(Paths::caches(), dir.path() / "home" / "Library" / "Caches");
    EXPECT_EQ(Paths::preferences(), dir.path() / "home" / "Library" / "Preferences");
    Paths::setHome(previous);

    // Tests run from the build's bin folder, where the bundle is laid out.
    EXPECT_EQ(Paths::resources().filename(), "resources");
    Paths::setResources(dir.path());
    EXPECT_EQ(Paths::resource("a.png"), dir.path() / "a.png");
    Paths::setResources({});
    EXPECT_NE(Paths::resources(), dir.path());
}

TEST(Paths, HomeCannotBeMadeUnderAFile) {
    TempDir dir;
    auto previous = Paths::home();
    ASSERT_TRUE(FileManager::writeFile(dir / "file", "x"));
    Paths::setHome(dir / "file");
    EXPECT_FALSE(Paths::ensureHome());
    Paths::setHome(previous);
}

TEST(FileManager, BasicOperations) {
    TempDir dir;
    auto sub = dir / "a" / "b";
    EXPECT_TRUE(FileManager::createDirectories(sub));
    EXPECT_TRUE(FileManager::createDirectories(sub)); // already there is fine
    ASSERT_TRUE(FileManager::writeFile(sub / "one.txt", "hello"));
    ASSERT_TRUE(FileManager::writeFile(sub / "two.txt", std::string_view("")));
    EXPECT_EQ(FileManager::list(sub), (std::vector<std::string>{"one.txt", "two.txt"}));
    EXPECT_EQ(FileManager::size(sub / "one.txt"), 5u);
    EXPECT_EQ(FileManager::readText(sub / "two.txt"), ""); // empty, not missing
    EXPECT_FALSE(FileManager::readFile(sub / "missing").has_value());
    EXPECT_FALSE(FileManager::readFile(sub).has_value()); // a folder is not a file
    EXPECT_FALSE(FileManager::list(dir / "missing").has_value());
    EXPECT_TRUE(FileManager::modificationTime(sub / "one.txt").has_value());
    EXPECT_TRUE(FileManager::isFile(sub / "one.txt"));
    EXPECT_FALSE(FileManager::isDirectory(sub / "one.txt"));

    EXPECT_TRUE(FileManager::copy(dir / "a", dir / "copy"));
    EXPECT_EQ(FileManager::readText(dir / "copy" / "b" / "one.txt"), "hello");
    EXPECT_TRUE(FileManager::move(sub / "one.txt", sub / "two.txt")); // replaces
    EXPECT_EQ(FileManager::readText(sub / "two.txt"), "hello");
    EXPECT_FALSE(FileManager::exists(sub / "one.txt"));
    EXPECT_FALSE(FileManager::move(sub / "one.txt", sub / "three.txt"));

    EXPECT_FALSE(FileManager::remove(dir / "a")); // not empty
    EXPECT_TRUE(FileManager::removeAll(dir / "a"));
    EXPECT_FALSE(FileManager::exists(dir / "a"));
    EXPECT_TRUE(FileManager::remove(dir / "never-there"));
}

TEST(FileManager, AtomicWriteReplacesWholeFilesAndSetsTheMode) {
    TempDir dir;
    auto path = dir / "secret";
    ASSERT_TRUE(FileManager::atomicWrite(path, "first", 0600));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_TRUE(atomicWrite(path, "second version"));
    EXPECT_EQ(FileManager::readText(path), "second version");
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0077 & ~0044, 0u); // default mode is not group/other writable
    // No temporary files are left behind.
    EXPECT_EQ(FileManager::list(dir.path()), (std::vector<std::string>{"secret"}));
}

TEST(FileManager, FailedAtomicWriteLeavesTheOldFile) {
    TempDir dir;
    auto path = dir / "config";
    ASSERT_TRUE(atomicWrite(path, "old"));
    // Renaming onto a folder fails after the data was written: the target
    // must stay as it was and no temporary file may remain.
    ASSERT_TRUE(FileManager::createDirectories(dir / "blocked" / "inner"));
    EXPECT_FALSE(atomicWrite(dir / "blocked", "new"));
    EXPECT_TRUE(FileManager::isDirectory(dir / "blocked" / "inner"));
    // A folder that cannot be written to.
    if (::geteuid() != 0) {
        ASSERT_EQ(::chmod(dir.path().c_str(), 0500), 0);
        EXPECT_FALSE(atomicWrite(path, "new"));
        ASSERT_EQ(::chmod(dir.path().c_str(), 0700), 0);
    }
    EXPECT_EQ(FileManager::readText(path), "old");
    EXPECT_EQ(FileManager::list(dir.path()), (std::vector<std::string>{"blocked", "config"}));
    EXPECT_FALSE(atomicWrite(dir / "missing-folder" / "x", "data"));
}

TEST(FileHandle, ReadSeekWriteAndUpdate) {
    TempDir dir;
    auto path = dir / "data.bin";
    {
        auto h = FileHandle::open(path, FileHandle::Mode::Write);
        ASSERT_TRUE(h.has_value());
        EXPECT_TRUE(h->write("0123456789"));
    }
    EXPECT_FALSE(FileHandle::open(dir / "missing", FileHandle::Mode::Read).has_value());
    EXPECT_FALSE(FileHandle::open(dir.path(), FileHandle::Mode::Read).has_value());

    auto r = FileHandle::forReading(path);
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->size(), 10u);
    ASSERT_TRUE(r->seek(4));
    EXPECT_EQ(toString(*r->read(3)), "456");
    EXPECT_EQ(r->offset(), 7u);
    EXPECT_EQ(toString(*r->read(100)), "789"); // short read at the end
    EXPECT_EQ(r->read(5)->size(), 0u);         // at the end: empty, not a failure
    ASSERT_TRUE(r->seek(8));
    EXPECT_EQ(toString(*r->readToEnd()), "89");
    // A huge request (a length from a damaged header) just reads what is there.
    ASSERT_TRUE(r->seek(0));
    EXPECT_EQ(r->read(std::size_t{1} << 40)->size(), 10u);

    {
        auto u = FileHandle::open(path, FileHandle::Mode::Update);
        ASSERT_TRUE(u.has_value());
        ASSERT_TRUE(u->seek(2));
        EXPECT_TRUE(u->write("ab"));
        EXPECT_TRUE(u->truncate(6));
        EXPECT_TRUE(u->sync());
    }
    {
        auto a = FileHandle::open(path, FileHandle::Mode::Append);
        ASSERT_TRUE(a.has_value());
        EXPECT_TRUE(a->write("Z"));
    }
    EXPECT_EQ(FileManager::readText(path), "01ab45Z");

    FileHandle moved = std::move(*r);
    EXPECT_FALSE(r->isOpen());
    EXPECT_TRUE(moved.isOpen());
    moved.close();
    EXPECT_FALSE(moved.read(1).has_value());
}

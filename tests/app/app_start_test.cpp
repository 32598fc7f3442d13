#include "platform/gfx/Image.h"

#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

bool onPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    if (!path)
        return false;
    std::string p = path;
    size_t start = 0;
    while (start <= p.size()) {
        const size_t end = p.find(':', start);
        const std::string dir = p.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!dir.empty() && ::access((fs::path(dir) / program).c_str(), X_OK) == 0)
            return true;
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return false;
}

// Runs a program with extra environment entries; answers its exit status (-1 when it did not exit).
int run(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
    std::vector<std::string> envStrings;
    for (char** e = environ; *e; ++e) {
        const std::string s = *e;
        bool replaced = false;
        for (const auto& mine : env)
            if (s.substr(0, s.find('=') + 1) == mine.substr(0, mine.find('=') + 1))
                replaced = true;
        if (!replaced && s.rfind("XDG_DATA_HOME=", 0) != 0)
            envStrings.push_back(s);
    }
    for (const auto& mine : env)
        envStrings.push_back(mine);
    std::vector<char*> envp, args;
    for (auto& s : envStrings)
        envp.push_back(s.data());
    envp.push_back(nullptr);
    std::vector<std::string> argvCopy = argv;
    for (auto& a : argvCopy)
        args.push_back(a.data());
    args.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), envp.data()) != 0)
        return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

TEST(AppStart, CreatesItsFilesAndShowsTheMainScreen) {
    if (!onPath("xvfb-run"))
        GTEST_SKIP() << "xvfb-run is not installed";
    const fs::path home = fs::temp_directory_path() / ("pw-app-" + std::to_string(std::random_device{}()));
    fs::create_directories(home);
    const fs::path shot = home / "screen.png";
    const int rc = run({"timeout", "120", "xvfb-run", "-a", "-s", "-screen 0 1024x1100x24", PAGEWELL_EXE},
                       {"HOME=" + home.string(), "PAGEWELL_SCREENSHOT=" + shot.string(),
                        "PAGEWELL_VERIFY_REPAINT=1",
                        // X and SDL keep some allocations until exit; they are not ours to free.
                        "LSAN_OPTIONS=detect_leaks=0"});
    EXPECT_EQ(rc, 0); // quit cleanly after the picture, every frame as a full redraw would draw it

    const fs::path data = home / ".local/share/pagewell";
    for (const char* f : {"Documents/torvane/main", "Documents/torvane/book", "Documents/torvane/cover",
                          "Documents/torvane/log", "Documents/local/cover/umd", "Library/Caches/Store"})
        EXPECT_TRUE(fs::is_directory(data / f)) << f;
    const fs::path db = data / "Documents/torvane/main/main.rz";
    ASSERT_TRUE(fs::is_regular_file(db));
    std::ifstream in(db, std::ios::binary);
    std::string magic(15, '\0');
    in.read(magic.data(), 15);
    EXPECT_EQ(magic, "SQLite format 3");

    auto image = pw::gfx::Image::fromFile(shot.string());
    ASSERT_TRUE(image) << "no screenshot";
    EXPECT_EQ(image->pixelWidth(), 768);
    EXPECT_EQ(image->pixelHeight(), 1024);
    // Not blank: many colours, and the status bar, title bar and shelf differ.
    std::set<uint32_t> colours;
    for (int y = 0; y < image->pixelHeight(); y += 4)
        for (int x = 0; x < image->pixelWidth(); x += 4) {
            const auto p = image->pixelAt(x, y);
            colours.insert((uint32_t(p.r) << 16) | (uint32_t(p.g) << 8) | p.b);
        }
    EXPECT_GT(colours.size(), 20u);
    EXPECT_NE(image->pixelAt(5, 5), image->pixelAt(5, 40));
    EXPECT_NE(image->pixelAt(5, 40), image->pixelAt(5, 500));
    std::error_code ec;
    fs::remove_all(home, ec);
}

// The launch scripts/run.sh makes: the stand-in site on the loopback
// interface, the app pointed at it, and the stand-in gone when the app exits.
TEST(AppStart, FirstRequestsReachTheStandinSiteAndAreAnswered) {
    if (!onPath("xvfb-run"))
        GTEST_SKIP() << "xvfb-run is not installed";
    const fs::path home = fs::temp_directory_path() / ("pw-app-" + std::to_string(std::random_device{}()));
    fs::create_directories(home);
    const fs::path bin = fs::path(PAGEWELL_EXE).parent_path();
    const int rc = run({"timeout", "120", "xvfb-run", "-a", "-s", "-screen 0 1024x1100x24", "bash", PW_START_APP, bin},
                       {"HOME=" + home.string(), "PAGEWELL_SCREENSHOT=" + (home / "screen.png").string(),
                        "PAGEWELL_VERIFY_REPAINT=1", "LSAN_OPTIONS=detect_leaks=0"});
    EXPECT_EQ(rc, 0);
    const fs::path data = home / ".local/share/pagewell";
    std::ifstream log(data / "tmp/standin-site.log");
    std::vector<std::string> lines;
    for (std::string line; std::getline(log, line);)
        if (!line.empty())
            lines.push_back(line);
    ASSERT_FALSE(lines.empty()) << "no request reached the stand-in";
    bool sawLogin = false;
    for (const auto& line : lines) {
        EXPECT_TRUE(line.ends_with("-> 200")) << line;
        sawLogin |= line.find("/zel/config/obtain.shtm") != std::string::npos;
    }
    EXPECT_TRUE(sawLogin); // the silent login at start-up asked the account service
    EXPECT_FALSE(fs::exists(data / "Library/SiteHosts.plist")); // gone with the stand-in
    std::error_code ec;
    fs::remove_all(home, ec);
}

} // namespace

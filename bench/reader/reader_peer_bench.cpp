// Side by side in one run: this reader and the peer reader Debian packages
// (fbreader, installed by scripts/setup.sh for this benchmark only), each
// opening the same 10 MB GB18030 book under a virtual X display, timed to the
// first page of text on screen by polling the display's frame buffer, with
// the program's resident memory at that moment. Target: half the peer's time
// or less, and less memory.
//
// The peer opens the book from its command line. This reader opens it from
// its shelf: the book is put on the local shelf of a fresh home, the app is
// started, and a tap on the local shelf's tab and one on the book open it
// (PW_PEER_PAGEWELL_CLICKS, "x,y x,y ..." in window points, changes them);
// the clock runs from the tap on the book, and the screen must have changed
// from the shelf.

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "foundation/db/BookTB.h"
#include "foundation/db/MainDB.h"
#include "foundation/db/SettingTB.h"
#include "foundation/paths/AppPaths.h"
#include "platform/core/Paths.h"
#include "support/SharedFixture.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kScreenW = 800, kScreenH = 600;
constexpr double kTimeout = 60;
constexpr const char* kBookName = "hongloumeng-10mb.txt";

const std::string& bookPath() {
    static const std::string path = [] {
        const fs::path dir = pw::bench::sharedFixturesFolder(PW_FIXTURES_DIR);
        std::ifstream in(dir / "hongloumeng-gb18030.txt", std::ios::binary);
        std::stringstream novel;
        novel << in.rdbuf();
        const std::string bytes = novel.str();
        if (bytes.empty())
            return std::string();
        auto out = fs::temp_directory_path() / kBookName;
        std::ofstream file(out, std::ios::binary | std::ios::trunc);
        size_t written = 0;
        while (written < 10u * 1024 * 1024) {
            file << bytes;
            written += bytes.size();
        }
        return out.string();
    }();
    return path;
}

bool onPath(const std::string& tool) {
    const char* p = std::getenv("PATH");
    std::stringstream dirs(p ? p : "");
    for (std::string d; std::getline(dirs, d, ':');)
        if (!d.empty() && ::access((fs::path(d) / tool).c_str(), X_OK) == 0)
            return true;
    return false;
}

pid_t spawn(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv, const fs::path& log) {
    std::vector<std::string> env(extraEnv);
    for (char** e = environ; *e; ++e) {
        const std::string kv = *e;
        const std::string key = kv.substr(0, kv.find('='));
        bool overridden = false;
        for (const auto& x : extraEnv)
            overridden = overridden || x.rfind(key + "=", 0) == 0;
        if (!overridden)
            env.push_back(kv);
    }
    std::vector<char*> argv, envp;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    for (const auto& e : env)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, args[0].c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

void stop(pid_t pid) {
    if (pid <= 0)
        return;
    ::kill(pid, SIGTERM);
    for (int i = 0; i < 200; ++i) {
        if (::waitpid(pid, nullptr, WNOHANG) == pid)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

// A line of the process's status in kB ("VmRSS", "RssAnon"), -1 when absent.
long statusKb(pid_t pid, const std::string& key) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(key + ":", 0) == 0)
            return std::atol(line.c_str() + key.size() + 1);
    return -1;
}

// The virtual display, its screen kept in a file we can read at any time.
class VirtualDisplay {
public:
    VirtualDisplay() {
        m_dir = fs::temp_directory_path() / ("pw-peer-fb-" + std::to_string(::getpid()));
        fs::create_directories(m_dir);
        for (int d = 171; d < 240 && m_pid <= 0; ++d) {
            if (fs::exists("/tmp/.X11-unix/X" + std::to_string(d)) ||
                fs::exists("/tmp/.X" + std::to_string(d) + "-lock"))
                continue;
            m_display = ":" + std::to_string(d);
            m_pid = spawn({"Xvfb", m_display, "-screen", "0",
                           std::to_string(kScreenW) + "x" + std::to_string(kScreenH) + "x24", "-fbdir", m_dir.string(),
                           "-wr", "-nolisten", "tcp"},
                          {}, m_dir / "xvfb.log");
        }
        for (int i = 0; i < 200 && !fs::exists(framebuffer()); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    ~VirtualDisplay() {
        stop(m_pid);
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }
    bool ok() const { return m_pid > 0 && fs::exists(framebuffer()); }
    const std::string& display() const { return m_display; }
    fs::path framebuffer() const { return m_dir / "Xvfb_screen0"; }

private:
    fs::path m_dir;
    std::string m_display;
    pid_t m_pid = -1;
};

struct Frame {
    int w = 0, h = 0;
    std::vector<uint8_t> lum; // one byte per pixel
};

uint32_t be32(const std::string& d, size_t at) {
    return (uint32_t(uint8_t(d[at])) << 24) | (uint32_t(uint8_t(d[at + 1])) << 16) |
           (uint32_t(uint8_t(d[at + 2])) << 8) | uint32_t(uint8_t(d[at + 3]));
}

// The screen as the display's frame-buffer file (XWD, 32 bits a pixel) holds it.
std::optional<Frame> readFrame(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    const std::string d = ss.str();
    if (d.size() < 100)
        return std::nullopt;
    const uint32_t header = be32(d, 0), w = be32(d, 16), h = be32(d, 20), bpp = be32(d, 44), bpl = be32(d, 48),
                   colours = be32(d, 76);
    const size_t off = header + size_t(colours) * 12;
    if (bpp != 32 || d.size() < off + size_t(bpl) * h)
        return std::nullopt;
    Frame f;
    f.w = int(w);
    f.h = int(h);
    f.lum.resize(size_t(w) * h);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            const auto* p = reinterpret_cast<const uint8_t*>(d.data() + off + size_t(y) * bpl + size_t(x) * 4);
            f.lum[size_t(y) * w + x] = uint8_t((p[2] * 299 + p[1] * 587 + p[0] * 114) / 1000);
        }
    return f;
}

// A page of text: a light page with dark ink in at least six separate bands
// of rows (lines of text), at least four of them lines running 200 points or
// more, the ink a small part of the page. Toolbars and the status bar above
// and below are left out.
bool showsTextPage(const Frame& f) {
    const int top = 80, bottom = f.h - 40;
    long bright = 0, ink = 0, total = 0;
    int bands = 0, emptyRun = 2, longLines = 0;
    bool bandIsLong = false;
    for (int y = top; y < bottom; ++y) {
        int rowInk = 0, left = f.w, right = -1;
        for (int x = f.w / 20; x < f.w - f.w / 20; ++x) {
            const uint8_t l = f.lum[size_t(y) * f.w + x];
            ++total;
            if (l > 170) {
                ++bright;
            } else if (l < 110) {
                ++rowInk;
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
        ink += rowInk;
        if (rowInk > 2) {
            if (emptyRun >= 2) {
                ++bands;
                bandIsLong = false;
            }
            if (right - left >= 200 && !bandIsLong) {
                bandIsLong = true;
                ++longLines;
            }
            emptyRun = 0;
        } else {
            ++emptyRun;
        }
    }
    return total > 0 && bright * 10 > total * 6 && ink * 1000 > total * 3 && ink * 100 < total * 30 && bands >= 6 &&
           longLines >= 4;
}

// The share of pixels that differ between two frames of the same screen.
double changedShare(const Frame& a, const Frame& b) {
    if (a.lum.size() != b.lum.size() || a.lum.empty())
        return 1;
    size_t n = 0;
    for (size_t i = 0; i < a.lum.size(); ++i)
        n += std::abs(int(a.lum[i]) - int(b.lum[i])) > 40;
    return double(n) / double(a.lum.size());
}

struct Opened {
    double seconds = -1;
    long rss = -1;  // resident, kB
    long anon = -1; // of it not backed by files (the libraries' pages are), kB
};

// Keeps the screen's frame-buffer file in PW_PEER_SHOTS, when set, for a look.
void keepScreen(const VirtualDisplay& x, const std::string& name) {
    const char* dir = std::getenv("PW_PEER_SHOTS");
    if (!dir || !*dir)
        return;
    std::error_code ec;
    fs::create_directories(dir, ec);
    fs::copy_file(x.framebuffer(), fs::path(dir) / (name + ".xwd"), fs::copy_options::overwrite_existing, ec);
}

// Polls the screen from `start` until a page of text shows and has stood
// still for 50 ms (a page sliding in is not there yet), then reads the
// program's resident memory. The time is when that still page first showed.
Opened waitForTextPage(const VirtualDisplay& x, pid_t pid, Clock::time_point start,
                       const std::optional<Frame>& before = std::nullopt) {
    std::optional<Frame> candidate;
    Clock::time_point first;
    while (std::chrono::duration<double>(Clock::now() - start).count() < kTimeout) {
        if (::waitpid(pid, nullptr, WNOHANG) == pid)
            return {};
        auto frame = readFrame(x.framebuffer());
        const auto now = Clock::now();
        if (frame && showsTextPage(*frame) && (!before || changedShare(*before, *frame) > 0.01)) {
            if (!candidate || changedShare(*candidate, *frame) > 0.0005) {
                candidate = std::move(frame);
                first = now;
            } else if (now - first >= std::chrono::milliseconds(50)) {
                keepScreen(x, "text-page");
                return {std::chrono::duration<double>(first - start).count(), statusKb(pid, "VmRSS"),
                        statusKb(pid, "RssAnon")};
            }
        } else {
            candidate.reset();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    keepScreen(x, "timeout");
    return {};
}

bool prerequisites(benchmark::State& state, const std::vector<std::string>& tools) {
    if (bookPath().empty()) {
        state.SkipWithError("the shared novel is not there (CI provides ../shared/fixtures)");
        return false;
    }
    for (const auto& t : tools)
        if (!onPath(t)) {
            state.SkipWithError((t + " is not installed (scripts/setup.sh)").c_str());
            return false;
        }
    return true;
}

void report(benchmark::State& state, const std::vector<Opened>& runs) {
    double rss = 0, anon = 0;
    for (const auto& r : runs) {
        rss += double(r.rss);
        anon += double(r.anon);
    }
    if (runs.empty())
        return;
    state.counters["rss_MB"] = rss / double(runs.size()) / 1024.0;
    state.counters["rss_anon_MB"] = anon / double(runs.size()) / 1024.0;
}

void BM_PeerFbreaderOpensBook(benchmark::State& state) {
    if (!prerequisites(state, {"Xvfb", "fbreader"}))
        return;
    VirtualDisplay x;
    if (!x.ok()) {
        state.SkipWithError("Xvfb did not start");
        return;
    }
    std::vector<Opened> runs;
    for (auto _ : state) {
        const fs::path home = fs::temp_directory_path() / ("pw-peer-fbreader-" + std::to_string(::getpid()));
        fs::remove_all(home);
        fs::create_directories(home);
        const auto start = Clock::now();
        const pid_t pid =
            spawn({"fbreader", bookPath()}, {"HOME=" + home.string(), "DISPLAY=" + x.display()}, home / "log");
        const Opened o = waitForTextPage(x, pid, start);
        stop(pid);
        fs::remove_all(home);
        if (o.seconds < 0) {
            state.SkipWithError("no page of text within the time limit");
            return;
        }
        state.SetIterationTime(o.seconds);
        runs.push_back(o);
    }
    report(state, runs);
}

// The reader's fresh home with the book on its local shelf, the first-run
// agreement accepted and the reading help sheet turned off (the peer shows
// none either).
bool prepareHome(const fs::path& home) {
    const fs::path data = home / ".local" / "share" / "pagewell";
    pw::core::Paths::setHome(data);
    for (const auto& folder : pw::AppPaths::startupFolders())
        fs::create_directories(data / folder);
    std::error_code ec;
    fs::copy_file(bookPath(), pw::AppPaths::importFolder() / kBookName, fs::copy_options::overwrite_existing, ec);
    int64_t id = 0;
    const bool ok = !ec && pw::MainDB::createMainDBIfNotExists() &&
                    pw::BookTB::addLocalBookWithBookName("红楼梦", "", kBookName, "TXT", "", &id) == 0 &&
                    pw::SettingTB::saveSettingWithKey("rzxy", "1") &&
                    pw::SettingTB::saveSettingWithKey("Settings_Key_ShowReadHelpMenu", "off");
    pw::core::Paths::setHome({});
    return ok;
}

// `extraEnv`: more of the app's environment (SDL's renderer hints).
void pagewellOpensBook(benchmark::State& state, const std::vector<std::string>& extraEnv) {
    if (!prerequisites(state, {"Xvfb", "xdotool"}))
        return;
    // The local shelf's tab, then the first book on it (points in the window).
    const char* given = std::getenv("PW_PEER_PAGEWELL_CLICKS");
    const std::string clicks = given && *given ? given : "120,455 53,160";
    VirtualDisplay x;
    if (!x.ok()) {
        state.SkipWithError("Xvfb did not start");
        return;
    }
    std::vector<std::pair<int, int>> points;
    std::stringstream list(clicks);
    for (std::string p; list >> p;) {
        int px = 0, py = 0;
        if (std::sscanf(p.c_str(), "%d,%d", &px, &py) == 2)
            points.emplace_back(px, py);
    }
    std::vector<Opened> runs;
    for (auto _ : state) {
        const fs::path home = fs::temp_directory_path() / ("pw-peer-pagewell-" + std::to_string(::getpid()));
        fs::remove_all(home);
        fs::create_directories(home);
        if (!prepareHome(home)) {
            state.SkipWithError("the shelf could not be prepared");
            return;
        }
        std::vector<std::string> env{"HOME=" + home.string(), "DISPLAY=" + x.display()};
        env.insert(env.end(), extraEnv.begin(), extraEnv.end());
        const pid_t pid = spawn({PAGEWELL_EXE, "--phone"}, env, home / "log");
        // The shelf is up once the window is; give its first drawing a moment.
        const pid_t search = spawn({"xdotool", "search", "--sync", "--name", "^Pagewell$"}, env, home / "window");
        ::waitpid(search, nullptr, 0);
        std::string window;
        std::ifstream(home / "window") >> window;
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        Clock::time_point start = Clock::now();
        std::optional<Frame> before;
        for (size_t i = 0; i < points.size(); ++i) {
            if (i + 1 == points.size())
                before = readFrame(x.framebuffer());
            const pid_t click = spawn({"xdotool", "mousemove", "--window", window, std::to_string(points[i].first),
                                       std::to_string(points[i].second), "click", "1"},
                                      env, home / "click");
            ::waitpid(click, nullptr, 0);
            start = Clock::now();
            if (i + 1 < points.size())
                std::this_thread::sleep_for(std::chrono::milliseconds(1000));
        }
        const Opened o = waitForTextPage(x, pid, start, before);
        stop(pid);
        fs::remove_all(home);
        if (o.seconds < 0) {
            state.SkipWithError("no page of text within the time limit");
            return;
        }
        state.SetIterationTime(o.seconds);
        runs.push_back(o);
    }
    report(state, runs);
}

void BM_PagewellOpensBook(benchmark::State& state) {
    pagewellOpensBook(state, {});
}

// The same with SDL's software renderer: under a display without a GPU the
// accelerated one loads a software OpenGL stack (tens of MB resident).
void BM_PagewellOpensBookSoftwareRenderer(benchmark::State& state) {
    pagewellOpensBook(state, {"SDL_RENDER_DRIVER=software", "SDL_FRAMEBUFFER_ACCELERATION=0"});
}

} // namespace

BENCHMARK(BM_PagewellOpensBookSoftwareRenderer)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
BENCHMARK(BM_PagewellOpensBook)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
BENCHMARK(BM_PeerFbreaderOpensBook)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
BENCHMARK_MAIN();

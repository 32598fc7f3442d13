// The Wi-Fi transfer screen and the import screen on a headless window.
#include "foundation/db/BookTB.h"
#include "foundation/db/MainDB.h"
#include "foundation/paths/AppPaths.h"
#include "platform/core/NotificationCenter.h"
#include "platform/device/NetworkInterfaces.h"
#include "platform/gfx/Image.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/TableViewCell.h"
#include "transfer/import/ImportBookViewController.h"
#include "transfer/wifi/IPHelper.h"
#include "transfer/wifi/WifiViewController.h"

#include "platform/ui/UiTestSupport.h"
#include "reading/umd/UmdWriter.h"
#include "support/Idioms.h"

#include <chrono>
#include <fstream>
#include <thread>

using namespace pw;
namespace fs = std::filesystem;

namespace {

using Addresses = device::NetworkInterfaces::AddressList;

struct ScreenTest : ui::test::UiTest {
    std::shared_ptr<ui::NavigationController> nav;
    int reloads = 0;
    core::ObserverToken token;

    void SetUp() override {
        UiTest::SetUp();
        ASSERT_TRUE(core::Paths::ensureHome());
        nav = ui::ViewController::create<ui::NavigationController>();
        m_window->setRootViewController(nav);
        token = core::NotificationCenter::defaultCenter().addObserver("NSNotificationCenter_CategoryAndBookReload",
                                                                      [this](const core::Notification&) { ++reloads; });
    }
    void TearDown() override {
        token = {};
        device::NetworkInterfaces::setIPv4AddressesProvider({});
        nav.reset();
        UiTest::TearDown();
    }
    static void write(const fs::path& p, const std::string& bytes) {
        std::ofstream f(p, std::ios::binary);
        f << bytes;
    }
    static void write(const fs::path& p, const std::vector<uint8_t>& bytes) {
        std::ofstream f(p, std::ios::binary);
        f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
};

// ----- Wi-Fi screen -----

ui::Switch* switchOf(ui::TableView& table) {
    table.layoutIfNeeded();
    auto* cell = table.cellForRow({0, 0});
    if (!cell)
        return nullptr;
    for (auto& container : cell->contentView().subviews())
        for (auto& v : container->subviews())
            if (auto* s = dynamic_cast<ui::Switch*>(v.get()))
                return s;
    return nullptr;
}

void flip(ui::TableView& table, bool on) {
    ui::Switch* s = switchOf(table);
    ASSERT_NE(s, nullptr);
    s->setOn(on);
    s->sendActionsForControlEvents(ui::ControlEventValueChanged);
}

TEST_F(ScreenTest, AddressesKeepTheSystemOrderAndTheLastAddressOfAnInterface) {
    device::NetworkInterfaces::setIPv4AddressesProvider([] {
        return std::optional<Addresses>(
            Addresses{{"lo", "127.0.0.1"}, {"eth0", "10.0.0.7"}, {"wlan0", "192.168.1.5"}, {"eth0", "10.0.0.8"}});
    });
    EXPECT_EQ(IPHelper::listIPAddress(),
              (IPHelper::AddressList{{"lo", "127.0.0.1"}, {"eth0", "10.0.0.8"}, {"wlan0", "192.168.1.5"}}));
    device::NetworkInterfaces::setIPv4AddressesProvider([] { return std::optional<Addresses>(); });
    EXPECT_TRUE(IPHelper::listIPAddress().empty());
    device::NetworkInterfaces::setIPv4AddressesProvider({});
    // The real machine always has its loopback address.
    bool loopback = false;
    for (const auto& [name, address] : IPHelper::listIPAddress())
        loopback = loopback || address == "127.0.0.1";
    EXPECT_TRUE(loopback);
}

TEST_F(ScreenTest, SwitchStartsAndStopsTheServerAndShowsTheAddress) {
    device::NetworkInterfaces::setIPv4AddressesProvider([] {
        return std::optional<Addresses>(Addresses{{"lo", "127.0.0.1"}, {"wlan0", "192.168.1.5"}});
    });
    nav->setViewControllers({ui::ViewController::create<ui::ViewController>()}, false);
    auto wifi = WifiViewController::create();
    nav->pushViewController(wifi, false);
    settle();
    EXPECT_EQ(wifi->title(), "Wi-Fi 传书");
    EXPECT_TRUE(ui::Application::shared().isIdleTimerDisabled());
    auto& table = *wifi->table();
    EXPECT_EQ(wifi->arrMenuTitles(), std::vector<std::string>{"打开上传服务"});
    EXPECT_FALSE(switchOf(table)->isOn());

    flip(table, true);
    ASSERT_TRUE(wifi->httpServer());
    EXPECT_TRUE(wifi->httpServer()->isRunning());
    const int port = wifi->httpServer()->listeningPort();
    ASSERT_EQ(wifi->arrMenuTitles().size(), 2u);
    EXPECT_EQ(wifi->arrMenuTitles()[0], "关闭上传服务");
    EXPECT_EQ(wifi->arrMenuTitles()[1], "请用 PC 打开浏览器访问以下地址：http://192.168.1.5:" + std::to_string(port));
    EXPECT_TRUE(switchOf(table)->isOn());
    EXPECT_EQ(table.rectForRow({0, 0}).height(), 42);
    EXPECT_EQ(table.rectForRow({0, 1}).height(), 62);

    flip(table, false);
    EXPECT_FALSE(wifi->httpServer()->isRunning());
    EXPECT_EQ(wifi->arrMenuTitles(), std::vector<std::string>{"打开上传服务"});

    flip(table, true);
    auto server = wifi->httpServer();
    EXPECT_TRUE(server->isRunning());
    nav->popViewControllerAnimated(false);
    settle();
    EXPECT_FALSE(ui::Application::shared().isIdleTimerDisabled());
    wifi.reset();
    // The server lives as long as the screen.
    EXPECT_FALSE(server->isRunning());
}

// Without an address a computer can reach nothing starts, and the switch
// stays on as the user left it: only the loopback address says to check the
// network; no address at all leaves the one row.
TEST_F(ScreenTest, WithoutAnAddressOtherThanLoopbackNothingStarts) {
    struct Case {
        std::optional<Addresses> list;
        std::vector<std::string> titles;
    };
    const Case cases[] = {
        {Addresses{{"lo", "127.0.0.1"}}, {"关闭上传服务", "请检查网络是否开启"}},
        {Addresses{}, {"打开上传服务"}},
        {std::nullopt, {"打开上传服务"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.list ? c.list->size() : -1);
        device::NetworkInterfaces::setIPv4AddressesProvider([list = c.list] { return list; });
        auto wifi = WifiViewController::create();
        nav->setViewControllers({wifi}, false);
        settle();
        flip(*wifi->table(), true);
        EXPECT_EQ(wifi->arrMenuTitles(), c.titles);
        EXPECT_TRUE(wifi->isServerStarted());
        EXPECT_TRUE(switchOf(*wifi->table())->isOn());
        EXPECT_FALSE(wifi->httpServer());
        // Switched off again: the one row.
        flip(*wifi->table(), false);
        EXPECT_EQ(wifi->arrMenuTitles(), std::vector<std::string>{"打开上传服务"});
    }
}

// The first interface is taken when it is not the loopback one; a server that
// cannot start says so under "关闭上传服务" and the switch stays on.
TEST_F(ScreenTest, TheFirstAddressIsShownAndAFailedStartSaysSo) {
    device::NetworkInterfaces::setIPv4AddressesProvider(
        [] { return std::optional<Addresses>(Addresses{{"eth0", "10.0.0.7"}, {"lo", "127.0.0.1"}}); });
    auto wifi = WifiViewController::create();
    nav->setViewControllers({wifi}, false);
    settle();
    flip(*wifi->table(), true);
    ASSERT_TRUE(wifi->httpServer());
    const std::string port = std::to_string(wifi->httpServer()->listeningPort());
    EXPECT_EQ(wifi->arrMenuTitles(),
              (std::vector<std::string>{"关闭上传服务", "请用 PC 打开浏览器访问以下地址：http://10.0.0.7:" + port}));
    flip(*wifi->table(), false);
    // An address this machine does not have: nothing can be bound.
    wifi->httpServer()->setInterface("192.0.2.1");
    flip(*wifi->table(), true);
    EXPECT_FALSE(wifi->httpServer()->isRunning());
    EXPECT_EQ(wifi->arrMenuTitles(), (std::vector<std::string>{"关闭上传服务", "无法启动服务"}));
    EXPECT_TRUE(wifi->isServerStarted());
    EXPECT_TRUE(switchOf(*wifi->table())->isOn());
}

// ----- import screen -----

struct ImportTest : ScreenTest {
    std::shared_ptr<ImportBookViewController> screen;

    void SetUp() override {
        ScreenTest::SetUp();
        for (const auto& f : AppPaths::startupFolders())
            fs::create_directories(core::Paths::home() / f);
        ASSERT_TRUE(MainDB::createMainDBIfNotExists());
        fs::create_directories(AppPaths::umdCoverFolder());
    }
    void TearDown() override {
        screen.reset();
        ScreenTest::TearDown();
    }
    // Shows the screen and waits for its scan, which runs on its own thread.
    void show() {
        screen = ImportBookViewController::create();
        nav->setViewControllers({screen}, false);
        settle();
        for (int i = 0; i < 1000 && !screen->data(); ++i) {
            core::RunLoop::current().runPending();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        ASSERT_TRUE(screen->data());
    }
    std::shared_ptr<LocalBookInfo> row(const std::string& name) const {
        for (const auto& r : *screen->data())
            if (r->fileName == name)
                return r;
        return nullptr;
    }
    int64_t index(const std::string& name) const {
        for (size_t i = 0; i < screen->data()->size(); ++i)
            if ((*screen->data())[i]->fileName == name)
                return static_cast<int64_t>(i);
        return -1;
    }
    void tapRow(const std::string& name) { screen->didSelectRow(*screen->table(), {0, index(name)}); }
    std::string header() { return screen->titleForHeader(*screen->table(), 0); }
    static std::vector<uint8_t> umd(int kind, std::vector<uint8_t> cover = {}) {
        test::UmdWriter w;
        w.kind = kind;
        w.chapters = {{u"第一回", u"甄士隐梦幻识通灵"}};
        w.cover = std::move(cover);
        return w.build();
    }
    static std::vector<uint8_t> jpeg(double w, double h) {
        gfx::BitmapContext ctx({w, h}, 1, true);
        return *ctx.snapshot().encodeJPEG(0.9);
    }
};

TEST_F(ImportTest, EmptyDocumentsSaysWhereBooksComeFrom) {
    show();
    EXPECT_TRUE(screen->data()->empty());
    EXPECT_EQ(header(), "从 iTunes 导入本地书籍，或点右上角 Wi-Fi 传书");
    EXPECT_EQ(screen->title(), "导入书籍");
    ASSERT_TRUE(screen->navigationItem().rightBarButtonItem);
    EXPECT_EQ(screen->navigationItem().rightBarButtonItem->title, "Wi-Fi 传书");
}

TEST_F(ImportTest, ScanListsBooksWithSizesTitlesAndShelfMarks) {
    const fs::path docs = AppPaths::importFolder();
    write(docs / "book.txt", std::string(99, 'x'));
    write(docs / "Book.TXT", std::string(1000, 'y'));
    write(docs / "big.txt", std::string(1234567, 'z'));
    write(docs / "good.UMD", umd(1));
    auto damaged = umd(1);
    damaged.resize(14);
    write(docs / "damaged.umd", damaged);
    write(docs / "note.pdf", "pdf");
    int64_t bid = 0;
    ASSERT_EQ(BookTB::addLocalBookWithBookName("book", "", "book.txt", "TXT", "", &bid), 0);
    show();
    ASSERT_EQ(screen->data()->size(), 5u);
    EXPECT_EQ(header(), "轻击导入书籍，向左滑动删除书籍文件");
    EXPECT_TRUE(row("book.txt")->isAdd);
    EXPECT_EQ(row("book.txt")->bookId, bid);
    EXPECT_FALSE(row("Book.TXT")->isAdd) << "the exact name is preferred";
    EXPECT_EQ(row("Book.TXT")->fileType, "TXT");
    EXPECT_EQ(row("book.txt")->fileSize, "0.1 kB");
    EXPECT_EQ(row("Book.TXT")->fileSize, "1.0 kB");
    EXPECT_EQ(row("big.txt")->fileSize, "1234.6 kB");
    EXPECT_EQ(row("good.UMD")->bookName, "红楼梦");
    ASSERT_TRUE(row("damaged.umd"));
    EXPECT_FALSE(row("damaged.umd")->bookName);
    auto* cell = screen->table()->cellForRow({0, index("good.UMD")});
    ASSERT_TRUE(cell);
    EXPECT_EQ(cell->detailTextLabel().text(), " " + *row("good.UMD")->fileSize + " - 红楼梦");
    EXPECT_EQ(screen->table()->cellForRow({0, index("book.txt")})->accessoryType,
              ui::TableViewCellAccessory::Checkmark);
}

TEST_F(ImportTest, TapAddsAndRemovesUmdWithTitleAuthorAndCover) {
    device::Device::current().setScreen({320, 480, 2}); // a 640 x 960 phone
    write(AppPaths::importFolder() / "hlm.umd", umd(1, jpeg(120, 160)));
    show();
    tapRow("hlm.umd");
    EXPECT_EQ(reloads, 1);
    auto info = row("hlm.umd");
    ASSERT_TRUE(info->isAdd);
    auto books = BookTB::getAllLocalBooks();
    ASSERT_TRUE(books);
    ASSERT_EQ(books->size(), 1u);
    const core::Value& book = (*books)[0];
    EXPECT_EQ(book["bname"].asString(), "红楼梦");
    EXPECT_EQ(book["author"].asString(), "曹雪芹");
    EXPECT_EQ(book["file"].asString(), "hlm.umd");
    const fs::path cover = AppPaths::umdCoverFolder() / "hlm.jpg";
    EXPECT_EQ(book["cover"].asString(), cover.string());
    auto image = gfx::Image::fromFile(cover.string());
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size().width, 148);
    EXPECT_EQ(image->size().height, 184);
    const int64_t first = info->bookId;

    tapRow("hlm.umd");
    EXPECT_EQ(reloads, 2);
    EXPECT_FALSE(info->isAdd);
    EXPECT_FALSE(fs::exists(cover));
    EXPECT_TRUE(BookTB::getAllLocalBooks()->empty());
    EXPECT_TRUE(fs::exists(AppPaths::importFolder() / "hlm.umd"));

    tapRow("hlm.umd");
    EXPECT_TRUE(info->isAdd);
    EXPECT_NE(info->bookId, first);
}

TEST_F(ImportTest, UnusableUmdFilesAreRefusedWithATip) {
    const fs::path docs = AppPaths::importFolder();
    write(docs / "plain.umd", std::string("not a umd at all"));
    write(docs / "pictures.umd", umd(2));
    auto damaged = umd(1);
    damaged.resize(14);
    write(docs / "damaged.umd", damaged);
    show();
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"plain.umd", "不是有效的 UMD格式"},
        {"pictures.umd", "仅支持纯文本的 UMD格式"},
        {"damaged.umd", "解析 UMD格式 书籍出错"},
    };
    for (const auto& [name, tip] : cases) {
        tapRow(name);
        EXPECT_EQ(screen->lastTip(), tip) << name;
        EXPECT_FALSE(row(name)->isAdd);
    }
    EXPECT_EQ(reloads, 0);
    EXPECT_TRUE(BookTB::getAllLocalBooks()->empty());
}

TEST_F(ImportTest, SwipeDeleteTakesTheBookOffTheShelfAndDeletesTheFile) {
    const fs::path docs = AppPaths::importFolder();
    write(docs / "a.txt", "a");
    write(docs / "a.txt.index", "index");
    show();
    tapRow("a.txt");
    ASSERT_TRUE(row("a.txt")->isAdd);
    screen->commitEditingStyle(*screen->table(), ui::TableViewCellEditingStyle::Delete, {0, 0});
    settle();
    EXPECT_FALSE(fs::exists(docs / "a.txt"));
    EXPECT_FALSE(fs::exists(docs / "a.txt.index"));
    EXPECT_TRUE(BookTB::getAllLocalBooks()->empty());
    EXPECT_TRUE(screen->data()->empty());
    EXPECT_EQ(reloads, 2);
    EXPECT_EQ(header(), "从 iTunes 导入本地书籍，或点右上角 Wi-Fi 传书");
}

TEST_F(ImportTest, OnlyTheNewestScanIsInstalled) {
    write(AppPaths::importFolder() / "a.txt", "a");
    show();
    const uint64_t old = screen->scanGeneration();
    screen->viewWillAppear(false); // a second appearance starts a newer scan
    EXPECT_FALSE(screen->data());
    screen->updateTable({}, old);
    EXPECT_FALSE(screen->data()) << "a stale scan must not be installed";
    for (int i = 0; i < 1000 && !screen->data(); ++i) {
        core::RunLoop::current().runPending();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_TRUE(screen->data());
    EXPECT_EQ(screen->data()->size(), 1u);
}

// The header lines of both screens at the phone's and the tablet's width: a
// line too long for the phone wraps over the lines it needs, shown whole,
// with the first row under it; on a tablet it keeps to one line.
TEST_F(ImportTest, HeaderLinesWrapWholeOnAPhoneAndKeepToOneLineOnATablet) {
    device::NetworkInterfaces::setIPv4AddressesProvider(
        [] { return std::optional<Addresses>(Addresses{{"wlan0", "192.168.1.5"}}); });
    write(AppPaths::importFolder() / "book.txt", std::string("第一章\n正文。\n"));
    struct Row {
        const char* screen;
        const char* idiom;
        bool wraps;
    };
    const Row rows[] = {{"import", "phone", true},
                        {"import", "tablet", false},
                        {"wifi", "phone", true},
                        {"wifi", "tablet", false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.screen) + " on a " + row.idiom);
        const test::Idiom& idiom = test::kIdioms[std::string(row.idiom) == "tablet"];
        test::useIdiom(*m_window, idiom);
        settle();
        ui::TableView* table = nullptr;
        std::string title;
        std::shared_ptr<WifiViewController> wifi;
        if (std::string(row.screen) == "import") {
            show();
            table = screen->table().get();
            title = header();
        } else {
            wifi = WifiViewController::create();
            nav->setViewControllers({wifi}, false);
            settle();
            table = wifi->table().get();
            title = wifi->titleForHeader(*table, 0);
        }
        ASSERT_NE(table, nullptr);
        table->layoutIfNeeded();
        EXPECT_EQ(table->bounds().width(), idiom.w);
        const gfx::Rect head = table->rectForHeaderInSection(0);
        EXPECT_EQ(head.height() > 36, row.wraps) << head.height();
        const ui::Label* label = nullptr;
        for (auto& v : table->subviews())
            if (auto* l = dynamic_cast<ui::Label*>(v.get()); l && l->text() == title)
                label = l;
        ASSERT_NE(label, nullptr) << title;
        EXPECT_GE(label->frame().height() + 1, label->sizeThatFits({label->frame().width(), 10000}).height);
        EXPECT_LE(label->frame().maxX(), idiom.w);
        EXPECT_EQ(table->rectForRow({0, 0}).y(), head.maxY());
        nav->setViewControllers({}, false);
        settle();
    }
}

} // namespace

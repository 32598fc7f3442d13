// The site chapter list and the local contents and bookmarks screens on a
// headless window: what the tables show, and picks answered to the reader.
#include "foundation/db/BookDB.h"
#include "foundation/db/BookTB.h"
#include "foundation/db/BookmarkTB.h"
#include "foundation/db/MainDB.h"
#include "foundation/frame/RZNavigationController.h"
#include "platform/core/Text.h"
#include "platform/device/Device.h"
#include "platform/ui/Label.h"
#include "platform/ui/TabBar.h"
#include "platform/ui/TableViewCell.h"
#include "reader/BookDBChapterStore.h"
#include "reader/ChapterTableCell.h"
#include "reader/ChptsBookmarksViewController.h"
#include "reader/RZChapterListSection.h"
#include "reader/RZChapterListViewController.h"
#include "reader/RZChapterTableCell.h"
#include "reader/ReaderChapters.h"
#include "reader/ReaderEngine.h"
#include "reader/ReaderHost.h"
#include "reader/ReaderListAnswers.h"
#include "reading/txt/TxtChapterParser.h"

#include "platform/ui/UiTestSupport.h"
#include "support/Idioms.h"
#include "reading/umd/UmdWriter.h"
#include "support/TempDir.h"

#include <chrono>
#include <fstream>
#include <thread>

namespace pw {
namespace {

namespace fs = std::filesystem;

struct Engine : ReaderEngine {
    std::vector<int64_t> chapterIds;
    std::vector<std::u16string> data;
    std::vector<int64_t> fromPositions;
    void setChapterId(int64_t id) override { chapterIds.push_back(id); }
    void setData(std::u16string text) override { data.push_back(std::move(text)); }
    void setTitle(std::string) override {}
    void getPageFromPosition(int64_t p) override { fromPositions.push_back(p); }
    void getPageToPosition(int64_t) override {}
};

struct Host : ReaderHost {
    std::vector<std::string> tips;
    std::vector<ReaderAction> checks;
    void showTip(const std::string& text, double) override { tips.push_back(text); }
    void showSpinnerTip(const std::string&, double, const std::string&) override {}
    void setStatusName(const std::string&) override {}
    void showDownloadPrompt(const std::string&, bool, int64_t) override {}
    void checkIsLoginWithInfo(const ReaderAction& action) override { checks.push_back(action); }
};

core::Value chapterEntry(int64_t id, const std::string& name, int vc, bool vip = false) {
    return core::Value(core::Value::Map{{"c", core::Value(id)},
                                        {"n", core::Value(name)},
                                        {"v", core::Value(vip ? 1 : 0)},
                                        {"p", core::Value(vip ? 5 : 0)},
                                        {"t", core::Value(int64_t(1'336'000'000'123))},
                                        {"w", core::Value(3000)},
                                        {"vc", core::Value(vc)}});
}

class ListsTest : public ui::test::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        fs::create_directories(m_home / "Documents" / "torvane" / "main");
        fs::create_directories(m_home / "Documents" / "torvane" / "book");
        ASSERT_TRUE(MainDB::createMainDBIfNotExists());
        nav = RZNavigationController::create(ui::ViewController::create<ui::ViewController>());
        m_window->setRootViewController(nav);
        settle();
    }
    void TearDown() override {
        nav.reset();
        UiTest::TearDown();
    }

    // Workers hand their results to the main loop in real time.
    bool waitFor(const std::function<bool()>& pred, double seconds = 20) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (!pred()) {
            core::RunLoop::current().runPending();
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }

    // A site book of three volumes; chapter 6 is filed under a volume the
    // volume table lacks; 3 and 6 are paid; 1 and 2 are downloaded.
    static void makeSiteBook(int64_t book, bool withVolumes) {
        ASSERT_TRUE(BookDB::createBookDBIfNotExists(book));
        ASSERT_TRUE(BookDB::addChapters({chapterEntry(1, "楔子", 10), chapterEntry(2, "初见", 20),
                                         chapterEntry(3, "重逢", 20, true), chapterEntry(4, "远行", 30),
                                         chapterEntry(5, "归来", 30), chapterEntry(6, "尾声", 25, true)},
                                        book));
        if (withVolumes)
            ASSERT_TRUE(BookDB::addVolumes(
                {core::Value(core::Value::Map{{"VolumeCode", core::Value("30")}, {"VolumeName", core::Value("下卷")}}),
                 core::Value(core::Value::Map{{"VolumeCode", core::Value("10")}, {"VolumeName", core::Value("序卷")}}),
                 core::Value(core::Value::Map{{"VolumeCode", core::Value("20")}, {"VolumeName", core::Value("上卷")}})},
                book));
        ASSERT_TRUE(BookDB::saveChapterWithRZBookId(book, 1, "楔子的正文"));
        ASSERT_TRUE(BookDB::saveChapterWithRZBookId(book, 2, "初见的正文"));
    }

    std::shared_ptr<RZChapterListViewController> openList(int64_t book, int64_t mark) {
        auto list = RZChapterListViewController::create();
        list->rzBookId = book;
        list->chapterId = mark;
        list->useCustomNavAnimate = true;
        list->didSelectDelegate = answers;
        nav->pushViewController(list, false);
        return list;
    }

    std::shared_ptr<ChptsBookmarksViewController> openContents(int format, const std::string& path, int64_t mark = 0,
                                                               int64_t length = 0) {
        auto screen = ChptsBookmarksViewController::create();
        screen->bookId = 77;
        screen->bookFormat = format;
        screen->filePath = path;
        screen->chapterId = mark;
        screen->fileTotalLength = length;
        screen->didSelectDelegate = answers;
        nav->pushViewController(screen, false);
        return screen;
    }

    // The chapter row content of a row in sight.
    template <typename Cell>
    Cell* rowContent(ui::TableView& table, const ui::IndexPath& ip) {
        table.layoutIfNeeded();
        auto* cell = table.cellForRow(ip);
        if (!cell)
            return nullptr;
        for (auto& v : cell->contentView().subviews())
            if (auto* c = dynamic_cast<Cell*>(v.get()))
                return c;
        return nullptr;
    }

    std::vector<std::string> sectionTitles(RZChapterListViewController& list) {
        std::vector<std::string> out;
        auto& table = *list.table();
        for (int64_t s = 0; s < table.numberOfSections(); ++s) {
            auto header = list.viewForHeader(table, s);
            out.push_back(static_cast<RZChapterListSection&>(*header).label().text());
        }
        return out;
    }

    std::shared_ptr<RZNavigationController> nav;
    Engine engine;
    Host host;
    BookDBChapterStore store;
    ReaderChapters chapters{engine, host, &store};
    std::shared_ptr<ReaderListAnswers> answers = std::make_shared<ReaderListAnswers>(chapters);
    test::TempDir dir;
};

// ----- site chapter list -----

TEST_F(ListsTest, ChapterListShowsVolumesInCodeOrderAndMarksTheChapterBeingRead) {
    struct Case {
        int64_t book;
        bool volumes;
        int64_t mark;
        std::vector<std::string> titles;
        std::vector<int64_t> rows;
        std::optional<ui::IndexPath> marked;
    };
    const Case cases[] = {
        {501, true, 5, {"  序卷", "  上卷", "  分卷 25", "  下卷"}, {1, 2, 1, 2}, ui::IndexPath{3, 1}},
        {502, true, 3, {"  序卷", "  上卷", "  分卷 25", "  下卷"}, {1, 2, 1, 2}, ui::IndexPath{1, 1}},
        {503, false, 6, {"  全部"}, {6}, ui::IndexPath{0, 3}}, // in volume-code order
        {504, true, 0, {"  序卷", "  上卷", "  分卷 25", "  下卷"}, {1, 2, 1, 2}, std::nullopt},
        {505, true, 99, {"  序卷", "  上卷", "  分卷 25", "  下卷"}, {1, 2, 1, 2}, std::nullopt},
        {506, false, 0, {"  全部"}, {0}, std::nullopt}, // no database at all
    };
    for (const auto& c : cases) {
        if (c.book != 506)
            makeSiteBook(c.book, c.volumes);
        auto list = openList(c.book, c.mark);
        EXPECT_FALSE(list->canSelectItem());
        EXPECT_FALSE(list->navigationItem().rightBarButtonItem);
        ASSERT_TRUE(waitFor([&] { return list->hasData(); })) << c.book;
        EXPECT_TRUE(list->canSelectItem());
        EXPECT_TRUE(list->lblStatus()->isHidden());
        ASSERT_TRUE(list->navigationItem().rightBarButtonItem);
        EXPECT_EQ(list->navigationItem().rightBarButtonItem->title, "更新");
        auto& table = *list->table();
        EXPECT_EQ(sectionTitles(*list), c.titles) << c.book;
        std::vector<int64_t> rows;
        for (int64_t s = 0; s < table.numberOfSections(); ++s)
            rows.push_back(table.numberOfRows(s));
        EXPECT_EQ(rows, c.rows) << c.book;
        EXPECT_EQ(table.indexPathForSelectedRow(), c.marked) << c.book;
        if (c.marked) {
            auto* cell = rowContent<RZChapterTableCell>(table, *c.marked);
            ASSERT_NE(cell, nullptr);
            EXPECT_EQ(cell->chapterId, c.mark);
        }
        nav->popViewControllerAnimated(false);
        settle();
    }
}

TEST_F(ListsTest, ChapterRowsShowNameTimeDownloadAndPaidMark) {
    makeSiteBook(510, true);
    auto list = openList(510, 0);
    ASSERT_TRUE(waitFor([&] { return list->hasData(); }));
    auto& table = *list->table();
    auto* free = rowContent<RZChapterTableCell>(table, {1, 0});
    auto* paid = rowContent<RZChapterTableCell>(table, {1, 1});
    ASSERT_TRUE(free && paid);
    EXPECT_EQ(free->lblChapterName().text(), "初见");
    EXPECT_EQ(free->lblIsDown().text(), "已下载");
    EXPECT_TRUE(free->imgVipIcon().isHidden());
    EXPECT_EQ(free->lblChapterName().frame().x(), 8);
    EXPECT_EQ(paid->lblChapterName().text(), "重逢");
    EXPECT_EQ(paid->lblIsDown().text(), "未下载");
    EXPECT_FALSE(paid->imgVipIcon().isHidden());
    EXPECT_EQ(paid->lblChapterName().frame().x(), 36);
    // Milliseconds are cut to whole seconds; the clock reads in the local zone.
    const std::string time = paid->lblUpdateTime().text();
    EXPECT_EQ(time.rfind("更新时间：2012-05-0", 0), 0u) << time;
    EXPECT_TRUE(time.find("上午") != std::string::npos || time.find("下午") != std::string::npos) << time;
}

// The marked row as the screen draws it: highlighted, unlike its neighbours.
// The picture is kept under <build>/artifacts/reader-lists.
TEST_F(ListsTest, TheMarkedRowIsDrawnHighlighted) {
    makeSiteBook(540, true);
    auto list = openList(540, 2);
    ASSERT_TRUE(waitFor([&] { return list->hasData(); }));
    settle();
    auto& table = *list->table();
    table.layoutIfNeeded();
    auto screenPoint = [&](const ui::IndexPath& ip) {
        ui::View* cell = table.cellForRow(ip);
        EXPECT_NE(cell, nullptr);
        const gfx::Point p = cell->convertPointToView({4, cell->bounds().height() / 2}, nullptr);
        return m_window->layer()->model().toSuperlayer().apply(p);
    };
    const gfx::Point marked = screenPoint({1, 0}), plain = screenPoint({1, 1});
    const gfx::Image shot = renderScreen();
    const auto dir = fs::current_path().parent_path() / "artifacts" / "reader-lists";
    fs::create_directories(dir);
    shot.writePNG((dir / "chapter-list.png").string());
    const gfx::Pixel m = shot.pixelAt(int(marked.x), int(marked.y));
    const gfx::Pixel p = shot.pixelAt(int(plain.x), int(plain.y));
    EXPECT_LT(m.r + m.g + m.b + 60, p.r + p.g + p.b) << int(m.r) << " " << int(p.r);
}

TEST_F(ListsTest, ChapterListPickPopsAndOpensTheChapterInTheReader) {
    makeSiteBook(520, true);
    chapters.bookFormat = 1;
    chapters.rzBookId = 520;
    chapters.chapterId = 1;
    int hides = 0;
    answers->willOpenPick = [&] { ++hides; };

    auto list = openList(520, 1);
    // Taps while the list loads do nothing.
    list->didSelectRow(*list->table(), {0, 0});
    EXPECT_EQ(nav->viewControllers().size(), 2u);
    ASSERT_TRUE(waitFor([&] { return list->hasData(); }));
    auto& table = *list->table();
    table.layoutIfNeeded();
    tapView(table.cellForRow({1, 0}));
    settle();
    EXPECT_EQ(nav->viewControllers().size(), 1u);
    EXPECT_EQ(hides, 1);
    EXPECT_EQ(host.tips, std::vector<std::string>{"正在读取章节"});
    EXPECT_EQ(engine.chapterIds, std::vector<int64_t>{2});
    ASSERT_EQ(engine.data.size(), 1u);
    EXPECT_EQ(engine.data[0], u"初见\n\n初见的正文");
    EXPECT_EQ(engine.fromPositions, std::vector<int64_t>{-1});
    EXPECT_EQ(chapters.chapterId, 2);

    // A chapter not downloaded goes straight to the login check, with its
    // own chapter and paid flag.
    auto again = openList(520, 2);
    ASSERT_TRUE(waitFor([&] { return again->hasData(); }));
    again->didSelectRow(*again->table(), {2, 0});
    settle();
    EXPECT_EQ(nav->viewControllers().size(), 1u);
    EXPECT_EQ(host.checks, (std::vector<ReaderAction>{{ReaderActionDownloadChapter, true, 6}}));
    EXPECT_EQ(engine.chapterIds.size(), 1u);
    // A list closed by its back button answers nothing.
    auto third = openList(520, 2);
    ASSERT_TRUE(waitFor([&] { return third->hasData(); }));
    nav->popViewControllerAnimated(true);
    settle();
    third->didSelectRow(*third->table(), {0, 0});
    EXPECT_EQ(hides, 2);
}

TEST_F(ListsTest, VolumePanelJumpsToTheVolumeAndTheHandlePages) {
    ASSERT_TRUE(BookDB::createBookDBIfNotExists(530));
    core::Value::Array many;
    for (int64_t id = 1; id <= 400; ++id)
        many.push_back(chapterEntry(id, "第" + std::to_string(id) + "章", id <= 200 ? 1 : 2));
    ASSERT_TRUE(BookDB::addChapters(many, 530));
    ASSERT_TRUE(BookDB::addVolumes(
        {core::Value(core::Value::Map{{"VolumeCode", core::Value("1")}, {"VolumeName", core::Value("第一卷")}})}, 530));
    auto list = openList(530, 0);
    ASSERT_TRUE(waitFor([&] { return list->hasData(); }));
    auto& table = *list->table();
    EXPECT_EQ(sectionTitles(*list), (std::vector<std::string>{"  第一卷", "  分卷 2"}));

    // A tap on a volume header opens the panel.
    table.layoutIfNeeded();
    RZChapterListSection* header = nullptr;
    for (auto& v : table.subviews())
        if (auto* h = dynamic_cast<RZChapterListSection*>(v.get()); h && !header)
            header = h;
    ASSERT_NE(header, nullptr);
    tapView(header);
    settle();
    ASSERT_EQ(list->volumeViewBtn().size(), 2u);
    EXPECT_FALSE(list->volumeView()->isHidden());
    EXPECT_EQ(list->volumeViewBtn()[1]->frame().y(), 65 + 54);
    EXPECT_EQ(list->volumeViewBtn()[1]->currentTitle(), "分卷 2");
    list->volumeViewBtn()[1]->sendActionsForControlEvents(ui::ControlEventTouchUpInside);
    EXPECT_TRUE(list->volumeView()->isHidden());
    EXPECT_EQ(table.contentOffset().y, table.rectForRow({1, 0}).y());
    list->volumeViewListSelected(7); // no such volume
    EXPECT_EQ(table.contentOffset().y, table.rectForRow({1, 0}).y());

    // The handle jumps 200 standard rows up, never above the top, and down,
    // never past the last screenful.
    table.setContentOffset({0, 100});
    list->scrollbarTap(10);
    settle();
    EXPECT_EQ(table.contentOffset().y, 0);
    EXPECT_DOUBLE_EQ(list->scrollbar()->alpha(), 0.9);
    list->scrollbarTap(90);
    settle();
    EXPECT_EQ(table.contentOffset().y, 200 * table.rowHeight);
    for (int i = 0; i < 10; ++i) {
        list->scrollbarTap(90);
        settle();
    }
    EXPECT_EQ(table.contentOffset().y, table.contentSize().height - table.bounds().height());
    advance(1.3);
    settle();
    EXPECT_DOUBLE_EQ(list->scrollbar()->alpha(), 0.3);
}

// ----- local contents and bookmarks -----

TEST_F(ListsTest, UmdContentsMarkTheChapterAndAPickOpensIt) {
    test::UmdWriter writer;
    writer.chapters = {{u"第一章", u"甲乙丙"}, {u"第二章", u"丁戊"}, {u"第三章", u"己庚辛"}};
    const std::string path = (dir.path() / "b.umd").string();
    test::UmdWriter::write(path, writer.build());
    const auto offsets = writer.chapterOffsets();
    chapters.bookFormat = 2;
    chapters.filePath = path;
    chapters.chapterId = offsets[1];

    auto screen = openContents(2, path, offsets[1]);
    EXPECT_EQ(screen->table()->numberOfRows(0), 9); // the loading row and empty rows
    EXPECT_EQ(screen->statusText(), "章节加载中...");
    ASSERT_TRUE(waitFor([&] { return screen->model().hasContents(); }));
    auto& table = *screen->table();
    ASSERT_EQ(table.numberOfRows(0), 3);
    EXPECT_EQ(table.indexPathForSelectedRow(), (ui::IndexPath{0, 1}));
    EXPECT_EQ(table.separatorStyle, ui::TableViewSeparatorStyle::None);
    auto* row = rowContent<ChapterTableCell>(table, {0, 2});
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->lblChapterName().text(), "第三章");
    tapView(table.cellForRow({0, 2}));
    settle();
    EXPECT_EQ(nav->viewControllers().size(), 1u);
    ASSERT_EQ(engine.data.size(), 1u);
    EXPECT_EQ(engine.data[0], u"第三章\n\n己庚辛");
    EXPECT_EQ(chapters.chapterId, offsets[2]);
}

TEST_F(ListsTest, DamagedUmdShowsAnErrorInsteadOfLoadingForEver) {
    const std::string path = (dir.path() / "bad.umd").string();
    std::ofstream(path, std::ios::binary) << "not a book at all";
    for (int format : {2, 5}) {
        auto screen = openContents(format, path);
        ASSERT_TRUE(waitFor([&] { return screen->model().error().has_value(); })) << format;
        EXPECT_EQ(screen->statusText(), "章节读取失败");
        auto& table = *screen->table();
        table.layoutIfNeeded();
        ASSERT_NE(table.cellForRow({0, 0}), nullptr);
        EXPECT_EQ(table.cellForRow({0, 0})->detailTextLabel().text(), "章节读取失败");
        screen->didSelectRow(table, {0, 0});
        EXPECT_EQ(nav->viewControllers().size(), 2u);
        nav->popViewControllerAnimated(false);
        settle();
    }
    EXPECT_TRUE(engine.data.empty());
}

TEST_F(ListsTest, TxtContentsComeFromTheParserOnceAndFromTheIndexAfter) {
    std::u16string text = u"序言\n";
    for (const char16_t* title : {u"第一章 开端", u"第二章 展开", u"第三章 结局"})
        text += std::u16string(title) + u"\n" + std::u16string(300, u'文') + u"\n";
    const auto bytes = core::text::encode(text, "GB18030");
    ASSERT_TRUE(bytes);
    const std::string path = (dir.path() / "n.txt").string();
    std::ofstream(path, std::ios::binary) << *bytes;
    chapters.bookFormat = 3;
    chapters.filePath = path;
    chapters.txtContentTotalLength = static_cast<int64_t>(bytes->size());

    auto screen = openContents(3, path, 0, static_cast<int64_t>(bytes->size()));
    EXPECT_EQ(screen->statusText(), "章节加载中...");
    ASSERT_TRUE(waitFor([&] { return screen->model().hasContents(); }));
    EXPECT_TRUE(fs::exists(path + ".index"));
    ASSERT_EQ(screen->table()->numberOfRows(0), 3);
    EXPECT_FALSE(screen->table()->indexPathForSelectedRow()); // a TXT book marks nothing
    nav->popViewControllerAnimated(false);
    settle();

    // With the index beside the book the contents are there at once.
    auto again = openContents(3, path, 0, static_cast<int64_t>(bytes->size()));
    settle();
    ASSERT_TRUE(again->model().hasContents());
    ASSERT_EQ(again->table()->numberOfRows(0), 3);
    EXPECT_EQ(again->model().rowTitle(1), "第二章 展开");
    again->didSelectRow(*again->table(), {0, 1});
    settle();
    EXPECT_EQ(nav->viewControllers().size(), 1u);
    ASSERT_EQ(engine.data.size(), 1u);
    EXPECT_NE(engine.data[0].find(u"第二章 展开"), std::u16string::npos);
    ASSERT_EQ(engine.fromPositions.size(), 1u);
    EXPECT_EQ(engine.data[0].substr(static_cast<size_t>(engine.fromPositions[0] + 1), 6), u"第二章 展开");
}

TEST_F(ListsTest, BookmarksGoOnlyWithTheStoredRowAndAPickOpensTheirPlace) {
    test::UmdWriter writer;
    writer.chapters = {{u"第一章", u"甲乙丙"}, {u"第二章", u"丁戊己庚"}};
    const std::string path = (dir.path() / "m.umd").string();
    test::UmdWriter::write(path, writer.build());
    const auto offsets = writer.chapterOffsets();
    chapters.bookFormat = 2;
    chapters.filePath = path;
    ASSERT_TRUE(BookmarkTB::addBookmarkByBookId(77, "第一章 甲", offsets[0], 0, 1'336'000'000, 12.34));
    ASSERT_TRUE(BookmarkTB::addBookmarkByBookId(77, "第二章 丁", offsets[1], 8, 1'336'000'100, 56.78));
    ASSERT_TRUE(BookmarkTB::addBookmarkByBookId(77, "第二章 己", offsets[1], 10, 1'336'000'200, 60.0));

    auto screen = openContents(2, path, offsets[0]);
    // Straight to the bookmarks while the contents load: their late list is dropped.
    screen->tabBar()->tapItem(1);
    auto& table = *screen->table();
    ASSERT_EQ(table.numberOfRows(0), 3);
    ASSERT_TRUE(screen->navigationItem().rightBarButtonItem);
    EXPECT_EQ(screen->navigationItem().rightBarButtonItem->title, "编辑");
    EXPECT_TRUE(screen->scrollbar()->isHidden());
    waitFor([] { return false; }, 0.3);
    EXPECT_EQ(screen->model().showType(), ChptsBookmarksModel::Bookmarks);
    ASSERT_EQ(table.numberOfRows(0), 3);
    auto* row = rowContent<ChapterTableCell>(table, {0, 1});
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->lblChapterName().text(), "第二章 丁");
    EXPECT_EQ(row->lblIsDown().text(), "进度：56.8%");
    EXPECT_EQ(row->lblUpdateTime().text().rfind("创建时间：2012-05-0", 0), 0u);
    // The picture, kept under <build>/artifacts/reader-lists: the bookmarks
    // tab is the one lit in the bar.
    settle();
    const gfx::Image shot = renderScreen();
    const auto dir = fs::current_path().parent_path() / "artifacts" / "reader-lists";
    fs::create_directories(dir);
    shot.writePNG((dir / "bookmarks.png").string());
    auto* bar = screen->tabBar();
    auto lit = [&](double x) {
        const gfx::Point p = bar->convertPointToView({x, 4}, nullptr);
        const gfx::Point s = m_window->layer()->model().toSuperlayer().apply(p);
        const gfx::Pixel px = shot.pixelAt(int(s.x), int(s.y));
        return px.r + px.g + px.b;
    };
    EXPECT_GT(lit(bar->bounds().width() * 0.75), lit(bar->bounds().width() * 0.25) + 20);

    screen->rightItemBtnClick();
    EXPECT_TRUE(table.isEditing());
    EXPECT_EQ(screen->navigationItem().rightBarButtonItem->title, "完成");
    screen->commitEditingStyle(table, ui::TableViewCellEditingStyle::Delete, {0, 0});
    settle();
    EXPECT_EQ(table.numberOfRows(0), 2);
    EXPECT_EQ(BookmarkTB::getAllBookmarkByBookId(77)->size(), 2u);
    screen->rightItemBtnClick();
    EXPECT_EQ(screen->navigationItem().rightBarButtonItem->title, "编辑");

    // A delete the database refuses keeps the row.
    const fs::path db = m_home / "Documents" / "torvane" / "main" / "main.rz";
    const fs::path aside = db.string() + ".aside";
    fs::rename(db, aside);
    screen->commitEditingStyle(table, ui::TableViewCellEditingStyle::Delete, {0, 0});
    EXPECT_EQ(table.numberOfRows(0), 2);
    EXPECT_EQ(screen->lastTip(), "删除书签失败");
    fs::rename(aside, db);

    screen->didSelectRow(table, {0, 1});
    settle();
    EXPECT_EQ(nav->viewControllers().size(), 1u);
    ASSERT_EQ(engine.data.size(), 1u);
    EXPECT_EQ(engine.data[0], u"第二章\n\n丁戊己庚");
    EXPECT_EQ(engine.fromPositions, std::vector<int64_t>{9});
}

TEST_F(ListsTest, BackToTheContentsTabLoadsThemAgain) {
    test::UmdWriter writer;
    writer.chapters = {{u"第一章", u"甲"}, {u"第二章", u"乙"}};
    const std::string path = (dir.path() / "t.umd").string();
    test::UmdWriter::write(path, writer.build());
    auto screen = openContents(2, path, writer.chapterOffsets()[1]);
    ASSERT_TRUE(waitFor([&] { return screen->model().hasContents(); }));
    screen->tabBar()->tapItem(1);
    EXPECT_EQ(screen->table()->numberOfRows(0), 0);
    EXPECT_EQ(screen->table()->separatorStyle, ui::TableViewSeparatorStyle::SingleLine);
    screen->tabBar()->tapItem(0);
    EXPECT_FALSE(screen->navigationItem().rightBarButtonItem);
    EXPECT_EQ(screen->table()->numberOfRows(0), 9);
    ASSERT_TRUE(waitFor([&] { return screen->model().hasContents(); }));
    EXPECT_EQ(screen->table()->numberOfRows(0), 2);
    EXPECT_EQ(screen->table()->indexPathForSelectedRow(), (ui::IndexPath{0, 1}));
}

// The rows at both sizes: each label stands inside the row, the right-hand
// one at its right edge, and a bookmark's description with line breaks keeps
// to its own line (nothing drawn above it or over the time under it). The
// pictures are kept under <build>/artifacts/reader-lists.
TEST_F(ListsTest, RowsKeepTheirLabelsInSightOnPhoneAndTablet) {
    for (const test::Idiom& size : test::kIdioms) {
        test::useIdiom(*m_window, size);
        settle();
        const int64_t book = size.w > 400 ? 561 : 560;
        makeSiteBook(book, true);
        auto list = openList(book, 0);
        ASSERT_TRUE(waitFor([&] { return list->hasData(); }));
        auto& table = *list->table();
        ASSERT_EQ(table.bounds().width(), size.w) << size.name;
        auto* chapter = rowContent<RZChapterTableCell>(table, {1, 0});
        ASSERT_NE(chapter, nullptr);
        EXPECT_EQ(chapter->frame(), gfx::Rect(0, 0, size.w, 60)) << size.name;
        EXPECT_EQ(chapter->lblIsDown().frame(), gfx::Rect(size.w - 110, 35, 100, 20)) << size.name;
        EXPECT_EQ(chapter->lblIsDown().text(), "已下载");
        nav->popViewControllerAnimated(false);
        settle();

        ASSERT_TRUE(BookmarkTB::addBookmarkByBookId(77, "《红楼梦》\n\n\n 第一", 0, 0, 1'336'000'000, 12.34));
        auto screen = openContents(2, (dir.path() / "none.umd").string());
        screen->tabBar()->tapItem(1);
        settle();
        auto& marks = *screen->table();
        auto* row = rowContent<ChapterTableCell>(marks, {0, 0});
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row->frame(), gfx::Rect(0, 0, size.w, 60)) << size.name;
        EXPECT_EQ(row->lblIsDown().frame(), gfx::Rect(size.w - 110, 35, 100, 20)) << size.name;
        EXPECT_EQ(row->lblIsDown().text(), "进度：12.3%");
        const gfx::Image shot = renderScreen();
        const auto artifacts = fs::current_path().parent_path() / "artifacts" / "reader-lists";
        fs::create_directories(artifacts);
        shot.writePNG((artifacts / (std::string("bookmark-row-") + size.name + ".png")).string());
        auto onScreen = [&](const ui::View& v) {
            const gfx::Rect r = v.convertRectToView(v.bounds(), nullptr);
            const gfx::Point o = m_window->layer()->model().toSuperlayer().apply(r.origin);
            return gfx::Rect(o.x, o.y, r.width(), r.height());
        };
        const gfx::Rect name = onScreen(row->lblChapterName());
        const gfx::Rect percent = onScreen(row->lblIsDown());
        const gfx::Rect time = onScreen(row->lblUpdateTime());
        EXPECT_GT(countPixels(shot, name, isDark), 0) << size.name;
        EXPECT_GT(countPixels(shot, percent, [](gfx::Pixel p) { return p.r < 200; }), 0) << size.name;
        // Above the name and between it and the time line: nothing drawn.
        EXPECT_EQ(countPixels(shot, {name.x(), name.y() - 8, name.width(), 8}, isDark), 0) << size.name;
        EXPECT_EQ(countPixels(shot, {name.x(), name.maxY(), name.width(), time.y() - name.maxY()}, isDark), 0)
            << size.name;
        EXPECT_EQ(countPixels(shot, time, isDark), 0) << size.name << ": the grey time only";
        nav->popViewControllerAnimated(false);
        settle();
        ASSERT_TRUE(
            BookmarkTB::deleteBookmark(BookmarkTB::getAllBookmarkByBookId(77)->front()["id"].asInt().value_or(0)));
    }
}

// Rows waiting for the contents show nothing of what they showed before.
TEST_F(ListsTest, WaitingRowsShowNoOldBookmark) {
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(BookmarkTB::addBookmarkByBookId(77, "旧书签", 0, 0, 1'336'000'000, 10));
    test::UmdWriter writer;
    writer.chapters = {{u"第一章", u"甲"}, {u"第二章", u"乙"}};
    const std::string path = (dir.path() / "w.umd").string();
    test::UmdWriter::write(path, writer.build());
    auto screen = openContents(2, path);
    screen->tabBar()->tapItem(1);
    auto& table = *screen->table();
    table.layoutIfNeeded();
    ASSERT_EQ(table.numberOfRows(0), 4);
    screen->tabBar()->tapItem(0);
    table.layoutIfNeeded();
    ASSERT_EQ(table.numberOfRows(0), 9);
    for (int64_t r = 1; r < 4; ++r) {
        auto* row = rowContent<ChapterTableCell>(table, {0, r});
        ASSERT_NE(row, nullptr) << r;
        EXPECT_EQ(row->lblChapterName().text(), "") << r;
        EXPECT_EQ(row->lblIsDown().text(), "") << r;
        EXPECT_EQ(row->lblUpdateTime().text(), "") << r;
    }
}

// The parser's reports reach the screen through its own operations: the
// progress goes into the loading text; a list arriving after the switch to
// the bookmarks is dropped.
TEST_F(ListsTest, ParserReportsFillTheLoadingTextAndLateListsAreDropped) {
    auto screen = openContents(3, (dir.path() / "parsing.txt").string(), 0, 100);
    screen->tabBar()->tapItem(1);
    screen->parsingTxtChapters({TxtChapterParser::kParsingNotification,
                                core::Value(core::Value::Map{{TxtChapterParser::kProcessKey, core::Value(42.4)}})});
    EXPECT_EQ(screen->statusText(), "正在解析章节 42 %");
    screen->updateStatus("章节加载中...");
    EXPECT_EQ(screen->statusText(), "章节加载中...");
    core::Value::Array list{core::Value(core::Value::Array{core::Value("第一章"), core::Value(0), core::Value(0)})};
    screen->parsingTxtChaptersDone(
        {TxtChapterParser::kDoneNotification,
         core::Value(core::Value::Map{{TxtChapterParser::kChaptersKey, core::Value(std::move(list))}})});
    EXPECT_EQ(screen->model().showType(), ChptsBookmarksModel::Bookmarks);
    EXPECT_EQ(screen->table()->numberOfRows(0), 0);
}

} // namespace
} // namespace pw

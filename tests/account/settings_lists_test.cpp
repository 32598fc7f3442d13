// The update reminders and the message centre over the main database: what
// they list and in which order, the badge, and rows that leave only with
// their table row.
#include "account/SettingsTest.h"

#include "account/RZBookNotifyCell.h"
#include "account/RZBookNotifyViewController.h"
#include "account/RZMessageCell.h"
#include "account/RZMessageDetailViewController.h"
#include "account/RZMessageViewController.h"
#include "foundation/db/BookTB.h"
#include "foundation/db/MessageTB.h"
#include "foundation/widgets/ProgressHUD.h"
#include "platform/core/DateFormatter.h"
#include "platform/core/Value.h"
#include "support/Idioms.h"

namespace pw::test {
namespace {

using core::Value;

constexpr double kStart = 1'700'000'000.0;

class ListsTest : public SettingsScreenTest {
protected:
    // A site book on the shelf, read at `readAt`, whose newest chapter is
    // `seen` and on the site `newest`, with the reminder set or not.
    void addBook(int64_t rzId, const std::string& name, double readAt, int64_t seen, int64_t newest, bool remind) {
        m_clock->setNow(readAt);
        ASSERT_EQ(BookTB::addBookWithRZBookId(rzId, name, std::to_string(rzId) + ".jpg", std::to_string(rzId) + ".rz",
                                              "RZ", "佚名", Value(int64_t{7}), Value(seen), Value("第" + name + "章"),
                                              Value(int64_t{1'600'000'000'000}), 0),
                  0);
        ASSERT_TRUE(BookTB::updateLastChapterId(Value(seen), Value("第" + name + "章"),
                                                Value(int64_t{1'600'000'000'000}), rzId));
        ASSERT_TRUE(BookTB::updateBookDBStateByRZBookId(rzId));
        ASSERT_TRUE(BookTB::updateServerLstChapterId(newest, rzId));
        ASSERT_TRUE(BookTB::setNotifyBookUpdateByRZBookId(rzId, remind));
    }

    static Value notice(int64_t id, int64_t createMillis, const std::string& text, int type = 1,
                        const std::string& key = "", const std::string& value = "") {
        Value v = Value::map();
        v.set("NotifyId", Value(id));
        v.set("CreateDate", Value(createMillis));
        v.set("ExpireDate", Value(createMillis + 86'400'000));
        v.set("Type", Value(int64_t{type}));
        v.set("Status", Value(int64_t{1}));
        v.set("UserId", Value(int64_t{0}));
        v.set("Message", Value(text));
        v.set("Key", Value(key));
        v.set("Value", Value(value));
        v.set("ClientType", Value(int64_t{2}));
        return v;
    }

    static std::vector<int64_t> ids(const Value::Array& records, const char* key) {
        std::vector<int64_t> out;
        for (const auto& r : records)
            out.push_back(r[key].asInt().value_or(-1));
        return out;
    }

    template <typename Cell>
    static Cell* cellAt(ui::TableView& table, int64_t row) {
        table.layoutIfNeeded();
        return dynamic_cast<Cell*>(table.cellForRow({0, row}));
    }
};

TEST_F(ListsTest, TheBadgeShowsWhileTheSiteHasAChapterNotSeen) {
    struct Case {
        Value seen, newest;
        bool badge;
    };
    const std::vector<Case> cases = {
        {Value(int64_t{5}), Value(int64_t{5}), false},
        {Value(int64_t{5}), Value(int64_t{6}), true},
        {Value(int64_t{6}), Value(int64_t{5}), false},
        {Value("5"), Value("12"), true},
        {Value(), Value(), false},
        {Value(), Value(int64_t{3}), true},
    };
    for (const auto& c : cases) {
        Value record = Value::map();
        record.set("currLstChapterId", c.seen);
        record.set("lstChapterId", c.newest);
        EXPECT_EQ(RZBookNotifyCell::showsNew(record), c.badge) << c.seen.asString().value_or("?");
    }
}

TEST_F(ListsTest, RemindersListTheRemindedBooksAndASwipeTurnsOneOff) {
    addBook(101, "诗经", kStart, 10, 10, true);
    addBook(102, "楚辞", kStart + 100, 10, 12, true);
    addBook(103, "论语", kStart + 200, 3, 4, false);
    auto screen = RZBookNotifyViewController::create();
    push(screen);
    EXPECT_EQ(screen->title(), "更新提醒");
    // Most recently read first; a book without the reminder is not there.
    EXPECT_EQ(ids(screen->data(), "rzId"), (std::vector<int64_t>{102, 101}));
    EXPECT_TRUE(screen->hasHint());
    EXPECT_TRUE(screen->hasFooter());
    auto& table = *screen->table();
    auto* first = cellAt<RZBookNotifyCell>(table, 0);
    auto* second = cellAt<RZBookNotifyCell>(table, 1);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->lblBookName().text(), "楚辞");
    EXPECT_EQ(first->lblAuthor().text(), "作者名：佚名");
    EXPECT_EQ(first->lblChapterName().text(), "最新章节：第楚辞章");
    EXPECT_EQ(first->lblLstUpdateTime().text(),
              "更新时间：" + core::DateFormatter("yyyy-MM-dd HH:mm").format(1'600'000'000));
    EXPECT_TRUE(first->isNewShown());
    EXPECT_FALSE(second->isNewShown());
    EXPECT_EQ(first->rzBookId, 102);
    const gfx::Image shot = keepScreenshot("update_reminders");
    // The badge is drawn on the book with a chapter not seen, and only there.
    EXPECT_GT(pixelsOf(shot, first->imgNew(), isRed), 30);
    EXPECT_EQ(pixelsOf(shot, second->imgNew(), isRed), 0);

    // The hint slides away after 1.5 s and stays above the first row.
    advance(RZBookNotifyViewController::kHintScrollDelay + 0.4);
    EXPECT_EQ(table.contentOffset().y, RZBookNotifyViewController::kHintHeight);
    advance(RZBookNotifyViewController::kHintInsetDelay);
    EXPECT_EQ(table.contentInset().top, -RZBookNotifyViewController::kHintHeight);

    // A failed write keeps the row: the reminder is still set.
    const auto db = AppPaths::mainDatabase();
    const auto saved = db.string() + ".saved";
    std::filesystem::rename(db, saved);
    cellAt<RZBookNotifyCell>(table, 0)->swiped();
    EXPECT_EQ(screen->data().size(), 2u);
    EXPECT_EQ(table.numberOfRows(0), 2);
    auto* hud = ProgressHUD::HUDForView(screen->view().get());
    ASSERT_NE(hud, nullptr);
    EXPECT_EQ(hud->labelText().value_or(""), "取消提醒失败，请稍后再试");
    std::filesystem::rename(saved, db);

    cellAt<RZBookNotifyCell>(table, 0)->swiped();
    settle();
    EXPECT_EQ(ids(screen->data(), "rzId"), (std::vector<int64_t>{101}));
    EXPECT_EQ(table.numberOfRows(0), 1);
    EXPECT_FALSE(BookTB::isSetBookUpdateNotifyRZBookId(102));
    EXPECT_EQ(BookTB::isBookExistsByRZBookId(102), 1) << "the book stays on the shelf";
    EXPECT_TRUE(screen->hasHint());

    cellAt<RZBookNotifyCell>(table, 0)->swiped();
    settle();
    EXPECT_TRUE(screen->data().empty());
    EXPECT_EQ(table.numberOfRows(0), 0);
    EXPECT_FALSE(screen->hasHint());
    EXPECT_FALSE(screen->hasFooter());
    EXPECT_TRUE(BookTB::getAllNotifyRZBookIds()->empty());
}

TEST_F(ListsTest, NoRemindersShowAnEmptyTableAndLeavingCancelsTheHintSlide) {
    auto screen = RZBookNotifyViewController::create();
    push(screen);
    EXPECT_TRUE(screen->data().empty());
    EXPECT_FALSE(screen->hasHint());
    EXPECT_FALSE(screen->hasFooter());

    addBook(101, "诗经", kStart, 10, 10, true);
    auto second = RZBookNotifyViewController::create();
    push(second);
    std::weak_ptr<RZBookNotifyViewController> gone = second;
    m_nav->popViewControllerAnimated(false);
    second.reset();
    settle();
    EXPECT_TRUE(gone.expired());
    advance(3); // the delayed slide of the screen that left runs no more
}

TEST_F(ListsTest, MessagesNewestFirstOpenedMarkedReadAndDeletedWithTheirRow) {
    ASSERT_TRUE(MessageTB::saveMessage({
        notice(1, 1'600'000'000'000, "第一条消息：书城上新了十本好书，快来看看吧"),
        notice(2, 1'700'000'000'000, "第二条消息", 1, "URL", "http://127.0.0.1/page"),
        notice(3, 1'650'000'000'000, "第三条消息"),
        notice(4, 1'800'000'000'000, "不是站内消息", 2),
    }));
    auto screen = RZMessageViewController::create();
    push(screen);
    EXPECT_EQ(screen->title(), "消息中心");
    EXPECT_EQ(ids(screen->data(), "nid"), (std::vector<int64_t>{2, 3, 1}));
    EXPECT_TRUE(screen->hasFooter());
    auto& table = *screen->table();
    auto* cell = cellAt<RZMessageCell>(table, 2);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->lblMsgTitle().text(), "第一条消息：书城上新");
    EXPECT_EQ(cell->lblCreateTime().text(), core::DateFormatter("yyyy-MM-dd HH:mm").format(1'600'000'000));
    EXPECT_FALSE(cell->isRead());
    const gfx::Image unread = keepScreenshot("message_centre");
    EXPECT_GT(pixelsOf(unread, cell->imgIcon(), isBlue), 20) << "an unread message's icon is the blue one";

    // Editing: the button follows.
    EXPECT_EQ(screen->editButtonTitle(), "编辑");
    screen->rightItemBtnClick();
    EXPECT_TRUE(table.isEditing());
    EXPECT_EQ(screen->editButtonTitle(), "完成");
    screen->rightItemBtnClick();
    EXPECT_EQ(screen->editButtonTitle(), "编辑");
    // A leftward swipe on one row edits that row alone, and the button says so
    // until the swipe's delete button goes.
    const gfx::Rect row = table.convertRectToView(table.rectForRow({0, 1}), nullptr);
    drag({row.maxX() - 20, row.midY()}, {row.maxX() - 150, row.midY()}, 0.2, 8);
    settle();
    EXPECT_EQ(table.swipedRow(), (ui::IndexPath{0, 1}));
    EXPECT_EQ(screen->editButtonTitle(), "完成");
    ASSERT_NE(cellAt<RZMessageCell>(table, 1)->deleteConfirmationButton(), nullptr);
    table.hideSwipedDelete();
    EXPECT_EQ(screen->editButtonTitle(), "编辑");

    // Opening the newest: read in the table and on the row; the detail shows
    // the text and, for a URL key, the address as a link.
    screen->didSelectRow(table, {0, 0});
    settle();
    EXPECT_EQ((*MessageTB::getMessageWithNotifyId(2))["read"].asInt(), 1);
    EXPECT_TRUE(cellAt<RZMessageCell>(table, 0)->isRead());
    EXPECT_EQ(screen->data()[0]["read"].asInt(), 1);
    auto detail = std::dynamic_pointer_cast<RZMessageDetailViewController>(m_nav->viewControllers().back());
    ASSERT_TRUE(detail);
    EXPECT_EQ(detail->title(), "消息内容");
    EXPECT_EQ(detail->titleLabel()->text(), "第二条消息");
    EXPECT_EQ(detail->textView()->text(), "第二条消息\n\nhttp://127.0.0.1/page");
    EXPECT_EQ(detail->dateLabel()->text(), core::DateFormatter("yyyy-MM-dd HH:mm").format(1'700'000'000));
    std::vector<std::string> opened;
    ui::Application::shared().setURLOpener([&](const std::string& url) {
        opened.push_back(url);
        return true;
    });
    // The address is underlined as a link; a tap on it opens it, a tap
    // elsewhere does not.
    auto& text = *detail->textView();
    text.layoutIfNeeded();
    EXPECT_GT(pixelsOf(keepScreenshot("message_detail"), text, isBlue), 50);
    const double lineHeight = text.font().lineHeight();
    tapView(&text); // the middle of the view: empty space under the text
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(text.linkAtPoint({20, 8 + lineHeight * 2.5}), "http://127.0.0.1/page");
    EXPECT_EQ(text.linkAtPoint({20, 8 + lineHeight * 0.5}), std::nullopt);
    detail->rightBtnClick();
    settle();
    EXPECT_EQ(m_nav->topViewController(), screen.get());
    EXPECT_EQ(ids(screen->data(), "nid"), (std::vector<int64_t>{3, 1}));
    EXPECT_EQ(table.numberOfRows(0), 2);
    EXPECT_TRUE(MessageTB::getMessageWithNotifyId(2)->asMap()->empty());
    ui::Application::shared().setURLOpener({});

    // A failed delete keeps the row.
    const auto db = AppPaths::mainDatabase();
    const auto saved = db.string() + ".saved";
    std::filesystem::rename(db, saved);
    screen->commitEditingStyle(table, ui::TableViewCellEditingStyle::Delete, {0, 0});
    EXPECT_EQ(table.numberOfRows(0), 2);
    std::filesystem::rename(saved, db);

    screen->commitEditingStyle(table, ui::TableViewCellEditingStyle::Delete, {0, 0});
    screen->commitEditingStyle(table, ui::TableViewCellEditingStyle::Delete, {0, 0});
    settle();
    EXPECT_TRUE(screen->data().empty());
    EXPECT_EQ(table.numberOfRows(0), 0);
    EXPECT_FALSE(screen->hasFooter());
    EXPECT_EQ(MessageTB::getAllReadMessageTitle()->size(), 0u);
}

TEST_F(ListsTest, AMessageTheTableCannotMarkOrDeleteStaysAsItWas) {
    ASSERT_TRUE(MessageTB::saveMessage({notice(7, 1'700'000'000'000, "表写不进时的消息")}));
    auto screen = RZMessageViewController::create();
    push(screen);
    auto& table = *screen->table();
    const auto db = AppPaths::mainDatabase();
    const auto saved = db.string() + ".saved";

    // Opened while the read mark cannot be written: it opens, and stays unread.
    std::filesystem::rename(db, saved);
    screen->didSelectRow(table, {0, 0});
    settle();
    EXPECT_NE(dynamic_cast<RZMessageDetailViewController*>(m_nav->topViewController()), nullptr);
    m_nav->popViewControllerAnimated(false);
    settle();
    std::filesystem::rename(saved, db);
    EXPECT_EQ(screen->data()[0]["read"].asInt(), 0);
    EXPECT_FALSE(cellAt<RZMessageCell>(table, 0)->isRead());
    EXPECT_EQ((*MessageTB::getMessageWithNotifyId(7))["read"].asInt(), 0);

    // Deleted from the detail while the table refuses: the detail stays and
    // says so, and the list keeps the row.
    screen->didSelectRow(table, {0, 0});
    settle();
    auto* detail = dynamic_cast<RZMessageDetailViewController*>(m_nav->topViewController());
    ASSERT_NE(detail, nullptr);
    EXPECT_EQ(detail->titleLabel()->text(), "表写不进时的消息");
    std::filesystem::rename(db, saved);
    detail->rightBtnClick();
    settle();
    EXPECT_EQ(m_nav->topViewController(), detail);
    auto* hud = ProgressHUD::HUDForView(detail->view().get());
    ASSERT_NE(hud, nullptr);
    EXPECT_EQ(hud->labelText().value_or(""), "删除失败，请稍后再试");
    std::filesystem::rename(saved, db);
    m_nav->popViewControllerAnimated(false);
    settle();
    EXPECT_EQ(table.numberOfRows(0), 1);
    EXPECT_EQ(MessageTB::getAllReadMessageTitle()->size(), 1u);
}

TEST_F(ListsTest, LinksAreHttpAddressesOnly) {
    struct Case {
        std::u16string text;
        std::vector<std::string> urls;
    };
    const std::vector<Case> cases = {
        {u"见 http://127.0.0.1/a?b=1。", {"http://127.0.0.1/a?b=1"}},
        {u"HTTPS://Example.org/x, and (http://127.0.0.1:8080/y).",
         {"HTTPS://Example.org/x", "http://127.0.0.1:8080/y"}},
        {u"file:///etc/passwd javascript:alert(1) ftp://x/y", {}},
        {u"http:// 空地址", {}},
        {u"xhttp://127.0.0.1/ 不在词首", {}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> urls;
        for (const auto& link : ui::TextView::findLinks(c.text))
            urls.push_back(link.url);
        EXPECT_EQ(urls, c.urls);
    }
    // The desktop's handler only ever gets a web address.
    std::vector<std::string> handed;
    ui::Application::shared().setURLOpener([&](const std::string& url) {
        handed.push_back(url);
        return true;
    });
    EXPECT_FALSE(ui::Application::shared().openURL("-h"));
    EXPECT_FALSE(ui::Application::shared().openURL("file:///etc/passwd"));
    EXPECT_FALSE(ui::Application::shared().openURL("http://"));
    EXPECT_TRUE(ui::Application::shared().openURL("https://127.0.0.1/"));
    EXPECT_EQ(handed, std::vector<std::string>{"https://127.0.0.1/"});
    ui::Application::shared().setURLOpener({});
}

// The message centre's rows at both sizes: 70 high and as wide as the
// window, the icon, the title and the date where the row puts them; in edit
// mode each row shows its red delete control in the gutter, its content moved
// right of it, and a tap on the control asks with "删除" at the row's right.
TEST_F(ListsTest, MessageRowsAndTheirDeleteControlsAtPhoneAndTabletWidths) {
    ASSERT_TRUE(MessageTB::saveMessage({notice(1, 1'600'000'000'000, "第一条消息"), notice(2, 1'700'000'000'000, "第二条")}));
    struct Row {
        const char* view;
        gfx::Rect (*frame)(double W);
    };
    const Row rows[] = {
        {"icon", [](double) { return gfx::Rect(5, 27, 15, 15); }},
        {"title", [](double W) { return gfx::Rect(40, 10, W - 80, 25); }},
        {"date", [](double W) { return gfx::Rect(W - 110, 36, 108, 25); }},
    };
    for (const Idiom& idiom : kIdioms) {
        SCOPED_TRACE(idiom.name);
        useIdiom(*m_window, idiom);
        settle();
        auto screen = RZMessageViewController::create();
        push(screen);
        auto& table = *screen->table();
        auto* cell = cellAt<RZMessageCell>(table, 0);
        ASSERT_NE(cell, nullptr);
        EXPECT_EQ(cell->frame(), gfx::Rect(0, 0, idiom.w, 70));
        const ui::View* views[] = {&cell->imgIcon(), &cell->lblMsgTitle(), &cell->lblCreateTime()};
        const double W = cell->contentView().bounds().width();
        EXPECT_EQ(W, idiom.w);
        for (size_t i = 0; i < std::size(rows); ++i)
            EXPECT_EQ(views[i]->frame(), rows[i].frame(W)) << rows[i].view;

        screen->rightItemBtnClick();
        settle();
        for (int64_t r = 0; r < 2; ++r) {
            auto* row = cellAt<RZMessageCell>(table, r);
            ASSERT_NE(row, nullptr);
            row->layoutIfNeeded();
            auto* control = row->editingControl();
            ASSERT_NE(control, nullptr) << r;
            EXPECT_EQ(control->frame().midY(), 35) << r;
            EXPECT_LE(row->contentView().frame().maxX(), idiom.w);
            EXPECT_GE(row->contentView().frame().x(), control->frame().maxX()) << r;
            // The date keeps to the content's right edge.
            EXPECT_EQ(row->lblCreateTime().frame().maxX(), row->contentView().bounds().width() - 2);
        }
        const gfx::Image shot = keepScreenshot(std::string("message_centre_edit_") + idiom.name);
        auto* first = cellAt<RZMessageCell>(table, 0);
        EXPECT_GT(pixelsOf(shot, *first->editingControl(), isRed), 20) << "no red delete control drawn";
        tapView(first->editingControl());
        settle();
        ASSERT_TRUE(first->showingDeleteConfirmation());
        first->layoutIfNeeded();
        const auto* ask = first->deleteConfirmationButton();
        EXPECT_EQ(ask->currentTitle(), "删除");
        const gfx::Rect askAt = ask->convertRectToView(ask->bounds(), first);
        EXPECT_GT(askAt.x(), idiom.w / 2);
        EXPECT_LE(askAt.maxX(), idiom.w);
        screen->rightItemBtnClick();
        m_nav->popViewControllerAnimated(false);
        settle();
    }
}

} // namespace
} // namespace pw::test

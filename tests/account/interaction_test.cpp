#include "account/AccountTest.h"

#include "account/AccountControls.h"
#include "account/LocalInteractiveViewController.h"
#include "account/LoginHelper.h"
#include "account/ZELLoginViewController.h"

#include <stdexcept>

namespace pw::test {
namespace {

using standin::Catalogue;
using standin::Host;
using standin::Recorded;
using standin::Reply;
using standin::StandinSite;
using Screen = LocalInteractiveViewController;

constexpr const char* kGet = "/ClientInterface/IGetInteraction.aspx";
constexpr const char* kSet = "/ClientInterface/ISetInteraction.aspx";

class InteractionTest : public AccountTest {
protected:
    std::shared_ptr<Screen> open(bool waitForPages = true) {
        auto screen = Screen::create();
        screen->setRzBookId(Catalogue::kShijing);
        push(screen);
        if (waitForPages)
            EXPECT_TRUE(waitFor([&] { return !screen->pageNames().empty(); }));
        return screen;
    }
    // Confirms the send the screen asks about and waits for its refresh.
    void confirmAndWait(Screen& screen) {
        ASSERT_TRUE(screen.lastAlert());
        EXPECT_EQ(screen.lastAlert()->title(), "提示");
        const size_t fetches = m_site->count(Host::Interaction, kGet);
        press(screen.lastAlert(), 1);
        ASSERT_TRUE(waitFor([&] { return m_site->count(Host::Interaction, kGet) > fetches && !screen.busy(); }));
    }
    Recorded lastSend() {
        auto sends = m_site->requests(Host::Interaction, kSet);
        EXPECT_FALSE(sends.empty());
        return sends.empty() ? Recorded{} : sends.back();
    }
};

// No session: the site answers -1, the login screen comes once, and after the
// login the pages are built; a send is confirmed, answered and refreshed.
TEST_F(InteractionTest, LoginThenPagesThenSendAndRefresh) {
    auto screen = open(false);
    ASSERT_TRUE(waitFor([&] { return m_site->count(Host::Interaction, kGet) == 1 && !screen->busy(); }));
    EXPECT_EQ(m_site->requests(Host::Interaction, kGet)[0].target, std::string(kGet) + "?BookId=1001");
    EXPECT_EQ(top(), screen.get()); // not before the delay
    run(0.7);
    auto* login = dynamic_cast<ZELLoginViewController*>(top());
    ASSERT_NE(login, nullptr);
    EXPECT_TRUE(login->hidesBottomBarWhenPushed);
    ASSERT_TRUE(waitFor([&] { return !login->isWorking(); }));
    login->txtTarvPt()->setText(StandinSite::kReaderName);
    login->txtPassword()->setText(StandinSite::kReaderPassword);
    login->login();
    ASSERT_TRUE(waitPaced([&] {
        return !screen->pageNames().empty();
    }));
    settle();
    EXPECT_EQ(top(), screen.get());
    auto fetches = m_site->requests(Host::Interaction, kGet);
    ASSERT_EQ(fetches.size(), 2u);
    EXPECT_EQ(screen->pageNames(), (std::vector<std::string>{"我要催更", "我要打赏", "投粉红票", "我要评价", "投推荐票",
                                                             "书友印象", "我投月票"}));
    EXPECT_EQ(screen->valueLabel("CuiGeng", "ticketAvailable")->text(), "5");
    keepPicture("interaction_after_login");

    tapView(screen->listButton(Screen::kListCuiGengTickets));
    ASSERT_TRUE(screen->listView() && !screen->listView()->isHidden());
    {
        // The list covers the page in a dark veil, its entries 54 apart on it.
        const auto picture = keepPicture("interaction_list");
        const double top = screen->view()->convertPointToView({0, 0}, nullptr).y;
        const int veil = countPixels(picture, {0, top + 100, 320, 18}, [](gfx::Pixel p) { return isDark(p); });
        EXPECT_GT(veil, 320 * 18 * 9 / 10);
        const int entry = countPixels(picture, {30, top + 70, 100, 20}, [](gfx::Pixel p) { return isDark(p); });
        EXPECT_LT(entry, 100 * 20 / 10);
    }
    screen->listItemSelected(2);
    EXPECT_EQ(screen->listButton(Screen::kListCuiGengTickets)->currentTitle(), "3张");

    screen->btnCuiGengClick();
    EXPECT_EQ(screen->lastAlert()->message(), "确定提交？");
    confirmAndWait(*screen);
    EXPECT_EQ(lastSend().body, "BookId=1001&action=cg&areaId=33&type=1&count=3");
    EXPECT_EQ(screen->tip(), "催更成功");
    EXPECT_EQ(screen->valueLabel("CuiGeng", "ticketAvailable")->text(), "2");
    EXPECT_EQ(screen->valueLabel("DaShang", "balance")->text(), "20000");

    // Too many tickets now: the site's refusal is the tip, and nothing changes.
    screen->btnCuiGengClick();
    confirmAndWait(*screen);
    EXPECT_EQ(screen->tip(), "更新票不足");
    EXPECT_EQ(screen->valueLabel("CuiGeng", "ticketAvailable")->text(), "2");

    // A refresh that finds the login expired leaves every label as it was.
    m_site->script(Host::Interaction, kGet, Reply::json(R"({"Result":-1})"));
    screen->refreshData();
    ASSERT_TRUE(waitFor([&] { return !screen->busy(); }));
    EXPECT_EQ(screen->valueLabel("CuiGeng", "ticketAvailable")->text(), "2");
    // Cancelling the confirmation sends nothing.
    const size_t sends = m_site->count(Host::Interaction, kSet);
    screen->btnTuiJianClick();
    press(screen->lastAlert(), 0);
    run(0.1);
    EXPECT_EQ(m_site->count(Host::Interaction, kSet), sends);
}

TEST_F(InteractionTest, TheSevenSendsCarryTheirForms) {
    logInAsReader();
    auto screen = open();
    const std::string nick = LoginHelper::getUserNickName();
    struct Case {
        const char* name;
        std::function<void(Screen&)> choose;
        std::function<void(Screen&)> press;
        std::string body;                                     // exact, when no message is sent
        std::vector<std::pair<std::string, std::string>> own; // else the fields as the site reads them
        std::string tip;
    };
    const std::vector<Case> cases = {
        {"urge update",
         [](Screen& s) { s.listButton(Screen::kListCuiGengWords)->selectedIndex = 3; },
         [](Screen& s) { s.btnCuiGengClick(); },
         "BookId=1001&action=cg&areaId=33&type=4&count=1",
         {},
         "催更成功"},
        {"tip",
         {},
         [](Screen& s) { s.btnDaShangClick(); },
         "",
         {{"action", "ds"}, {"moneyType", "10000"}, {"description", "这本书太棒了！犒劳一下，希望后续更精彩！"}},
         "打赏成功"},
        {"pink tickets",
         {},
         [](Screen& s) { s.btnFenHongClick(); },
         "",
         {{"action", "fhp"}, {"count", "1"}},
         "投票成功"},
        {"rating",
         {},
         [](Screen& s) { s.btnPingJiaClick(); },
         "BookId=1001&action=pj&areaId=33&star=4&count=1",
         {},
         "评价成功"},
        {"all recommendation tickets",
         [](Screen& s) { s.listButton(Screen::kListTuiJian)->selectedIndex = 5; },
         [](Screen& s) { s.btnTuiJianClick(); },
         "BookId=1001&action=tj&areaId=33&count=0",
         {},
         "投票成功"},
        {"impression",
         [](Screen& s) { s.tfYinXiang()->setText("好看"); },
         [](Screen& s) { s.btnYinXiangClick(); },
         "BookId=1001&action=yx&areaId=33&label=%E5%A5%BD%E7%9C%8B",
         {},
         "添加印象成功"},
        {"monthly tickets",
         [](Screen& s) {
             s.listButton(Screen::kListYuePiao)->selectedIndex = 1;
             s.messageBox(Screen::kBoxYuePiao)->setText("写得真好，加油更新");
         },
         [](Screen& s) { s.btnYuePiaoClick(); },
         "",
         {{"action", "yp"}, {"count", "2"}, {"description", "写得真好，加油更新"}},
         "投票成功"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.choose)
            c.choose(*screen);
        auto before = screen->lastAlert();
        c.press(*screen);
        if (screen->lastAlert() != before)
            confirmAndWait(*screen);
        else
            ASSERT_TRUE(waitFor([&] { return !screen->busy(); }));
        const auto sent = lastSend();
        EXPECT_TRUE(sent.body.starts_with("BookId=1001&action=")) << sent.body;
        if (!c.body.empty())
            EXPECT_EQ(sent.body, c.body);
        for (const auto& [key, value] : c.own)
            EXPECT_EQ(sent.param(key), value) << key;
        m_site->clearScripts();
        EXPECT_EQ(screen->tip(), c.tip);
    }
    // The pink page's message names the reader.
    const auto pink = m_site->requests(Host::Interaction, kSet).at(2);
    EXPECT_NE(pink.param("description").find("感谢 " + nick + " 同学"), std::string::npos);
    // Counts after the sends.
    EXPECT_EQ(screen->valueLabel("YuePiao", "hadVoteCount")->text(), "2");
    EXPECT_EQ(screen->valueLabel("TuiJian", "CommendedCount")->text(), "4");
    EXPECT_EQ(screen->valueLabel("DaShang", "balance")->text(), "10000");

    // Impressions of 0 and 6 characters are refused here; a label button only fills the field.
    const size_t sends = m_site->count(Host::Interaction, kSet);
    for (const char* label : {"", "六个汉字太长"}) {
        screen->tfYinXiang()->setText(label);
        screen->btnYinXiangClick();
        EXPECT_EQ(screen->tip(), "印象为1至5个汉字");
    }
    ASSERT_FALSE(screen->labelButtons().empty());
    screen->btnYinXiangLabelClick(*screen->labelButtons().back());
    EXPECT_EQ(screen->tfYinXiang()->text(), "经典");
    EXPECT_EQ(m_site->count(Host::Interaction, kSet), sends);

    // The phone editor: "取消" keeps the box's text, "确定" copies it.
    auto* box = screen->messageBox(Screen::kBoxDaShang);
    const std::string old = box->text();
    EXPECT_FALSE(box->shouldBeginEditing(*box));
    ASSERT_TRUE(screen->tvListView());
    screen->tvListView()->setText("新的寄语，六字以上");
    screen->closeListView();
    EXPECT_EQ(box->text(), old);
    box->shouldBeginEditing(*box);
    screen->tvListView()->setText("新的寄语，六字以上");
    screen->listInputFinished();
    EXPECT_EQ(box->text(), "新的寄语，六字以上");
    // A list closed with "X" keeps the choice.
    screen->showItemList(*screen->listButton(Screen::kListPingJiaWords));
    screen->closeListView();
    EXPECT_EQ(screen->listButton(Screen::kListPingJiaWords)->selectedIndex, 4);
    EXPECT_EQ(screen->listButton(Screen::kListPingJiaWords)->currentTitle(), "+10分 经典一读");
    EXPECT_EQ(screen->listButton(Screen::kListDaShang)->currentTitle(), "10000墨川币(赠送粉红票1张)");

    // A failed send: its tip, and no refresh.
    m_site->script(Host::Interaction, kSet, Reply::drop("{}", 1), 3);
    const size_t fetchesBefore = m_site->count(Host::Interaction, kGet);
    screen->btnPingJiaClick();
    press(screen->lastAlert(), 1);
    ASSERT_TRUE(waitFor([&] { return !screen->busy(); }));
    EXPECT_EQ(screen->tip(), "抱歉，操作似乎出错了。");
    run(0.1);
    EXPECT_EQ(m_site->count(Host::Interaction, kGet), fetchesBefore);

    run(2.5); // the tip goes
    const char* names[] = {"cuigeng", "dashang", "fenhongpiao", "pingjia", "tuijian", "yinxiang", "yuepiao"};
    for (int page = 0; page < 7; ++page) {
        screen->sectionView()->setButtonSelectedAtIndexAnimate(page);
        screen->selectedAtIndex(page);
        settle();
        EXPECT_EQ(screen->bottomScroll()->contentOffset().x, page * screen->bottomScroll()->bounds().width());
        keepPicture(std::string("interaction_") + names[page]);
    }
}

TEST_F(InteractionTest, StateRepliesByFetchAndResult) {
    logInAsReader();
    const std::string onePage = R"({"Result":1,"PingJia":{"Enable":1,"ticketAvailable":3,"balance":7}})";
    struct Case {
        const char* name;
        int tag;
        Reply reply;
        std::string tip;
        bool loginScreen;
        size_t pages;
    };
    const std::vector<Case> cases = {
        {"not json", 801, Reply::text(200, "<html>busy</html>"), "抱歉，暂时无法获取数据。", false, 0},
        {"no such book", 801, Reply::json(R"({"Result":-3})"), "抱歉，没有找到此书。", false, 0},
        {"bad parameters", 802, Reply::json(R"({"Result":-2})"), "抱歉，请求参数错误。", false, 0},
        {"not logged in", 801, Reply::json(R"({"Result":-1})"), "", true, 0},
        {"still not logged in", 802, Reply::json(R"({"Result":-1})"), "抱歉，暂时无法登录。", false, 0},
        {"nothing enabled", 801, Reply::json(R"({"Result":0,"CuiGeng":{"Enable":0}})"), "", false, 0},
        {"one page", 802, Reply::json(onePage), "", false, 1},
        {"request failed", 801, Reply::drop("{}", 1), "抱歉，操作似乎出错了。", false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.tag == 801) {
            m_site->script(Host::Interaction, kGet, c.reply, 3);
        } else {
            m_site->script(Host::Interaction, kGet, Reply::json(R"({"Result":0})"));
        }
        auto screen = open(false);
        ASSERT_TRUE(waitFor([&] { return !screen->busy(); }));
        if (c.tag == 802) {
            m_site->script(Host::Interaction, kGet, c.reply, 3);
            screen->loginCallback();
            ASSERT_TRUE(waitFor([&] { return !screen->busy(); }));
        }
        m_site->clearScripts();
        EXPECT_EQ(screen->tip(), c.tip);
        run(0.7);
        EXPECT_EQ(dynamic_cast<ZELLoginViewController*>(top()) != nullptr, c.loginScreen);
        EXPECT_EQ(screen->pageNames().size(), c.pages);
        if (c.pages) {
            EXPECT_EQ(screen->valueLabel("PingJia", "balance")->text(), "7");
            // A second state reply changes nothing; a refresh touches the built page only.
            m_site->script(Host::Interaction, kGet, Reply::json(R"({"Result":0,"CuiGeng":{"Enable":1}})"));
            screen->loginCallback(); // a state fetch with the spinner on
            ASSERT_TRUE(waitFor([&] { return !screen->busy(); }));
            EXPECT_EQ(screen->pageNames().size(), 1u);
            m_site->script(Host::Interaction, kGet,
                           Reply::json(R"({"Result":0,"CuiGeng":{"Enable":1,"balance":5},"PingJia":{"Enable":1,)"
                                       R"("ticketAvailable":2,"balance":6.5}})"));
            screen->refreshData();
            ASSERT_TRUE(waitFor([&] { return !screen->busy(); }));
            EXPECT_EQ(screen->valueLabel("PingJia", "balance")->text(), "6.5");
            EXPECT_EQ(screen->valueLabel("PingJia", "ticketAvailable")->text(), "2");
            EXPECT_EQ(screen->valueLabel("CuiGeng", "balance"), nullptr);
            EXPECT_EQ(screen->pageNames().size(), 1u);
        }
        m_nav->popToRootViewControllerAnimated(false);
        settle();
        m_site->clearScripts();
    }
}

TEST(InteractionParts, ChoiceListsPairsAndLabelFlow) {
    auto pairs = Screen::genDataWithObjectsAndKeys({"1", "一", "2", "二"});
    ASSERT_EQ(pairs.size(), 2u);
    EXPECT_EQ(pairs[1].description(), "key: 二  value: 2");
    EXPECT_THROW(Screen::genDataWithObjectsAndKeys({"1"}), std::invalid_argument);
    EXPECT_THROW(Screen::genDataWithObjectsAndKeys({"1", "一", "2"}), std::invalid_argument);

    // Without the pink page, the largest tips give monthly tickets.
    for (bool pink : {true, false}) {
        const auto lists = Screen::choiceLists(pink);
        const auto& tips = lists.at(Screen::kListDaShang);
        ASSERT_EQ(tips.size(), 8u);
        EXPECT_EQ(tips[4].key, "8888墨川币");
        EXPECT_EQ(tips[7].key, pink ? "100000墨川币(赠送粉红票10张)" : "100000墨川币(赠送月票10张)");
        EXPECT_EQ(tips[Screen::presetIndex(Screen::kListDaShang)].value, "10000");
        EXPECT_EQ(lists.at(Screen::kListPingJiaWords)[Screen::presetIndex(Screen::kListPingJiaWords)].key,
                  "+10分 经典一读");
        EXPECT_EQ(lists.at(Screen::kListTuiJian).back().value, "0");
        EXPECT_EQ(lists.at(Screen::kListCuiGengTickets).size(), 7u);
    }

    struct Flow {
        std::vector<double> widths;
        double gap, limit;
        std::vector<gfx::Point> origins;
    };
    const std::vector<Flow> flows = {
        {{100, 100, 100}, 5, 320, {{10, 50}, {115, 50}, {220, 50}}},
        {{100, 100, 100, 100}, 5, 320, {{10, 50}, {115, 50}, {220, 50}, {10, 73}}},
        {{300, 300}, 10, 310, {{10, 50}, {10, 73}}},
        {{400, 300}, 5, 768, {{10, 50}, {415, 50}}},
    };
    for (const auto& f : flows)
        EXPECT_EQ(Screen::flowLabels(f.widths, 10, 50, f.gap, f.limit), f.origins);

    // A tablet: wider margins on the login screens, labels flowing to 768.
    auto& device = device::Device::current();
    for (bool tablet : {false, true}) {
        device.setScreen(tablet ? device::ScreenMetrics{768, 1024, 1} : device::ScreenMetrics{320, 480, 1});
        EXPECT_EQ(AccountControls::isPad(), tablet);
        EXPECT_EQ(AccountControls::loginButtonFrame(tablet ? 768 : 320, 100),
                  tablet ? gfx::Rect(120, 100, 528, 38) : gfx::Rect(60, 100, 200, 38));
        EXPECT_EQ(Screen::labelLimitWidth(), tablet ? 768 : 320);
    }
    device.reset();
}

} // namespace
} // namespace pw::test

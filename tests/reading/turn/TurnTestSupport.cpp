#include "TurnTestSupport.h"

#include "foundation/db/BookTB.h"
#include "foundation/db/MainDB.h"

#include <cstdio>

namespace pw::test {

std::vector<std::string> FakePageView::describe(const std::map<const void*, std::string>& labels) const {
    auto name = [&](const void* p) {
        auto it = labels.find(p);
        return it == labels.end() ? std::string("?") : it->second;
    };
    std::vector<std::string> out;
    for (const auto& c : calls) {
        std::string s = c.op;
        if (c.op.find("Image") != std::string::npos || c.op == "setCanvas" || c.op == "setTopPage") {
            s += "(" + name(c.image) +
                 (c.op == "setTopPage" || c.op == "setTopImage" || c.op == "setLeftImage" ? "," + name(c.image2) : "") +
                 ")";
        } else if (c.op.rfind("touches", 0) == 0) {
            char buf[64];
            std::snprintf(buf, sizeof buf, "(%g,%g)", c.point.x, c.point.y);
            s += buf;
        } else if (c.op == "setSplitLineShow") {
            s += c.flag ? "(YES)" : "(NO)";
        }
        out.push_back(s);
    }
    return out;
}

bool FakeDelegate::canLoadAnotherChapter(bool previous, const std::optional<SeamData>& data) {
    calls.push_back(previous ? "canLoadAnotherChapter(prev)" : "canLoadAnotherChapter(next)");
    seamData.push_back(data);
    auto& text = previous ? prevText : nextText;
    if (!text || !manager)
        return false;
    manager->setData(*text);
    manager->setChapterId(previous ? prevChapterId : nextChapterId);
    text.reset();
    return true;
}

void TurnTest::SetUp() {
    UiTest::SetUp();
    std::filesystem::create_directories(m_home / "Documents" / "torvane" / "main");
    std::filesystem::create_directories(m_home / "Documents" / "torvane" / "book");
    ASSERT_TRUE(MainDB::createMainDBIfNotExists());
    ASSERT_EQ(BookTB::addLocalBookWithBookName("书", "", "/x.txt", "TXT", "", &m_bookId), 0);
    m_delegate = std::make_shared<FakeDelegate>();
}

void TurnTest::TearDown() {
    m_preloads.clear();
    m_fakeView.reset();
    UiTest::TearDown();
}

std::shared_ptr<RZConfig> TurnTest::phoneConfig(int turnType) const {
    auto cfg = std::make_shared<RZConfig>(DeviceKind::Phone);
    cfg->setCanvasSize({320, 480});
    cfg->setPageTurningType(turnType);
    return cfg;
}

std::unique_ptr<PageManager> TurnTest::makeManager(const std::u16string& text, int turnType,
                                                   std::shared_ptr<BaseView> view) {
    auto m = std::make_unique<PageManager>([] { return std::make_unique<FixedAdvanceTypesetter>(); });
    m->setPreloadLauncher([this](std::function<void()> job) { m_preloads.push_back(std::move(job)); });
    m->setTitle("第一章");
    m->setChapterId(100);
    m->setBookFormat(BookFormat::Site);
    m->setData(text);
    m->setBookId(m_bookId);
    m->setRzConfig(phoneConfig(turnType));
    m->setupPageConfig();
    if (!view) {
        m_fakeView = ui::View::create<FakePageView>(gfx::Rect(0, 0, 320, 480));
        view = m_fakeView;
    }
    m_window->addSubview(view);
    m->setPageView(view);
    m_delegate->manager = m.get();
    m->setDelegate(m_delegate);
    return m;
}

void TurnTest::runPreloads() {
    while (!m_preloads.empty()) {
        auto job = std::move(m_preloads.front());
        m_preloads.pop_front();
        job();
    }
}

std::u16string TurnTest::darkThenBlank(int darkChars, int blankLines) {
    std::u16string s(static_cast<size_t>(darkChars), u'甲');
    s += u'\n';
    for (int i = 0; i < blankLines; ++i)
        s += u" \n";
    return s;
}

std::u16string TurnTest::chapter(char16_t c, int chars) {
    std::u16string s;
    for (int i = 0; i < chars; ++i)
        s += (i % 40 == 39) ? u'\n' : static_cast<char16_t>(c + i % 7);
    return s;
}

std::filesystem::path artifactsDir() {
    // Tests run in <build>/bin.
    auto dir = std::filesystem::current_path().parent_path() / "artifacts" / "pages";
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    return dir;
}

} // namespace pw::test

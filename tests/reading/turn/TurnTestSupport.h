#pragma once
// Fixtures for the page manager and the page views: a headless screen on a manual
// clock with a fresh home and main database, a phone configuration paged by the
// fixed-advance line breaker, a page view and a delegate that record every call,
// and preload jobs held back until a test runs them.

#include "platform/ui/UiTestSupport.h"
#include "reading/page/FixedAdvanceTypesetter.h"
#include "reading/turn/BaseView.h"
#include "reading/turn/PageManager.h"

#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace pw::test {

// One call the manager made on the page view.
struct ViewCall {
    std::string op;
    const void* image = nullptr;  // the image's pixels, for image calls
    const void* image2 = nullptr; // the second image of a pair
    gfx::Point point;
    bool flag = false;
};

class FakePageView : public BaseView {
public:
    std::vector<ViewCall> calls;
    // "op" or "op(label)" / "op(label,label)" / "op(x,y)" per call; images named by
    // the labels given (unknown ones as "?").
    std::vector<std::string> describe(const std::map<const void*, std::string>& labels) const;

    void reset() override { calls.push_back(call("reset")); }
    void setCanvas(const gfx::Image& i) override { image("setCanvas", i); }
    void setTopPage(const gfx::Image& a, const gfx::Image& b) override { pair("setTopPage", a, b); }
    void setTopImage(const gfx::Image& a, const gfx::Image& b) override { pair("setTopImage", a, b); }
    void setLeftImage(const gfx::Image& a, const gfx::Image& b) override { pair("setLeftImage", a, b); }
    void setTopPageImage(const gfx::Image& i) override { image("setTopPageImage", i); }
    void setBottomPageImage(const gfx::Image& i) override { image("setBottomPageImage", i); }
    void setLeftPageImage(const gfx::Image& i) override { image("setLeftPageImage", i); }
    void setRightPageImage(const gfx::Image& i) override { image("setRightPageImage", i); }
    void setFinalImage(const gfx::Image& i) override { image("setFinalImage", i); }
    void touchesBegan(gfx::Point p) override { calls.push_back(call("touchesBegan", p)); }
    void touchesBeganSmooth(gfx::Point p) override { calls.push_back(call("touchesBeganSmooth", p)); }
    void touchesMoved(gfx::Point p) override { calls.push_back(call("touchesMoved", p)); }
    void touchesEnded(gfx::Point p) override { calls.push_back(call("touchesEnded", p)); }
    void setSplitLineShow(bool show) override {
        auto c = call("setSplitLineShow");
        c.flag = show;
        calls.push_back(c);
    }

protected:
    explicit FakePageView(const gfx::Rect& frame) : BaseView(frame) {}
    friend class ui::View;

private:
    static ViewCall call(const char* op, gfx::Point p = {}) {
        ViewCall c;
        c.op = op;
        c.point = p;
        return c;
    }
    void image(const char* op, const gfx::Image& i) {
        auto c = call(op);
        c.image = i.surface();
        calls.push_back(c);
    }
    void pair(const char* op, const gfx::Image& a, const gfx::Image& b) {
        auto c = call(op);
        c.image = a.surface();
        c.image2 = b.surface();
        calls.push_back(c);
    }
};

// Answers seam questions from the texts it holds, hands them to the manager, and
// records every call.
class FakeDelegate : public PageManagerDelegate {
public:
    PageManager* manager = nullptr;
    std::vector<std::string> calls;
    std::vector<std::optional<SeamData>> seamData;
    std::optional<std::u16string> nextText;
    std::optional<std::u16string> prevText;
    int64_t nextChapterId = 0;
    int64_t prevChapterId = 0;
    std::function<void(int)> onChangeType;

    void atLastPage() override { calls.push_back("atLastPage"); }
    void atFirstPage() override { calls.push_back("atFirstPage"); }
    void autoScrollScreenEnd() override { calls.push_back("autoScrollScreenEnd"); }
    void changePageTurningType(int type) override {
        calls.push_back("changePageTurningType(" + std::to_string(type) + ")");
        if (onChangeType)
            onChangeType(type);
    }
    bool canLoadAnotherChapter(bool previous, const std::optional<SeamData>& data) override;
    void loadContentWithOffset(int64_t offset) override {
        calls.push_back("loadContentWithOffset(" + std::to_string(offset) + ")");
    }
};

class TurnTest : public ui::test::UiTest {
protected:
    void SetUp() override;
    void TearDown() override;

    std::shared_ptr<RZConfig> phoneConfig(int turnType) const;
    // A manager on the fixed-advance breaker for a site book of the text, its
    // preloads held in `preloads`, with the given page view (a fake one by default).
    std::unique_ptr<PageManager> makeManager(const std::u16string& text, int turnType,
                                             std::shared_ptr<BaseView> view = nullptr);
    void runPreloads();

    // A page of dark boxes followed by pages of blank lines.
    static std::u16string darkThenBlank(int darkChars, int blankLines);
    static std::u16string chapter(char16_t c, int chars);

    int64_t m_bookId = 0;
    std::deque<std::function<void()>> m_preloads;
    std::shared_ptr<FakePageView> m_fakeView;
    std::shared_ptr<FakeDelegate> m_delegate;
};

// Where mid-turn frames are kept for a look: <build>/artifacts/pages.
std::filesystem::path artifactsDir();

} // namespace pw::test

#include "reader/ReaderSiteActions.h"

#include <gtest/gtest.h>

#include <map>

#include "reader/ReaderChapters.h"
#include "reader/ReaderEngine.h"
#include "reader/ReaderHost.h"
#include "reader/ReaderSite.h"

namespace pw {
namespace {

struct Engine : ReaderEngine {
    std::vector<std::string> calls;
    void setChapterId(int64_t id) override { calls.push_back("chapter " + std::to_string(id)); }
    void setData(std::u16string) override {}
    void setTitle(std::string) override {}
    void getPageFromPosition(int64_t p) override { calls.push_back("from " + std::to_string(p)); }
    void getPageToPosition(int64_t p) override { calls.push_back("to " + std::to_string(p)); }
};

struct Host : ReaderHost {
    std::vector<std::string> tips;
    std::vector<ReaderAction> checks;
    std::vector<std::string> spinners;
    void showTip(const std::string& text, double) override { tips.push_back(text); }
    void showSpinnerTip(const std::string& text, double, const std::string& details) override {
        spinners.push_back(text + "|" + details);
        if (!text.empty() || !details.empty())
            tips.push_back(text.empty() ? details : text);
    }
    void setStatusName(const std::string&) override {}
    void showDownloadPrompt(const std::string&, bool, int64_t) override {}
    void checkIsLoginWithInfo(const ReaderAction& a) override { checks.push_back(a); }
};

// Chapters 1 (free, stored), 2 (free, not stored), 3 (VIP, not stored) of book 9.
struct Store : SiteChapterStore {
    std::map<int64_t, ChapterNav> chapters{
        {1, {1, "一", false, true}}, {2, {2, "二", false, false}}, {3, {3, "三", true, false}}};
    std::optional<ChapterNav> nextChapter(int64_t, int64_t) override { return std::nullopt; }
    std::optional<ChapterNav> prevChapter(int64_t, int64_t) override { return std::nullopt; }
    std::optional<ChapterNav> chapterInfo(int64_t, int64_t id) override {
        auto it = chapters.find(id);
        return it == chapters.end() ? std::nullopt : std::optional<ChapterNav>(it->second);
    }
    int loadChapter(int64_t, int64_t id, bool, const std::string&, std::string& title, std::string& text) override {
        auto it = chapters.find(id);
        if (it == chapters.end() || !it->second.downloaded)
            return -2;
        title = it->second.title;
        text = "正文";
        return 1;
    }
};

struct Site : ReaderSite {
    Store* store = nullptr;
    int exists = 1, belongs = 1;
    bool saveOk = true;
    std::vector<std::string> calls;
    std::string saved;
    int isBookExists(int64_t) override { return exists; }
    int isBookBelong(int64_t, const std::string&) override { return belongs; }
    bool deleteChapter(int64_t, int64_t c, bool vip) override {
        calls.push_back("delete " + std::to_string(c) + (vip ? " vip" : ""));
        return true;
    }
    void forgetReadingPlace(int64_t) override { calls.push_back("forget"); }
    int isVipChapter(int64_t, int64_t c) override { return c == 3 ? 1 : 0; }
    void downloadFree(int64_t, int64_t c) override { calls.push_back("free " + std::to_string(c)); }
    void downloadVip(int64_t b, int64_t c) override {
        calls.push_back("vip " + std::to_string(b) + " " + std::to_string(c));
    }
    void showBuyChapterController(int64_t, int64_t c) override { calls.push_back("purchase " + std::to_string(c)); }
    bool saveChapter(int64_t, int64_t c, const std::string& text) override {
        saved = text;
        if (saveOk)
            store->chapters[c].downloaded = true;
        return saveOk;
    }
    bool saveVipChapter(int64_t, int64_t c, const std::string& bytes, const std::string& user) override {
        saved = bytes + "/" + user;
        store->chapters[c].downloaded = saveOk;
        return saveOk;
    }
    void bookmarkSync(int64_t) override { calls.push_back("bookmark sync"); }
    void bookmarkUpload(int64_t, int64_t c, bool vip) override {
        calls.push_back("bookmark upload " + std::to_string(c) + (vip ? " vip" : ""));
    }
    void downloadWholeBook(int64_t b) override { calls.push_back("whole " + std::to_string(b)); }
    void goToMainView() override { calls.push_back("main"); }
};

struct Screen {
    Engine engine;
    Host host;
    Store store;
    Site site;
    ReaderChapters chapters{engine, host, &store};
    ReaderSiteActions actions{chapters, host, site};
    Screen() {
        site.store = &store;
        chapters.bookFormat = 1;
        chapters.rzBookId = 9;
        chapters.chapterId = 1;
    }
};

TEST(ReaderSiteActions, LoginAnswersRunTheirOwnAction) {
    struct Case {
        const char* name;
        bool loggedIn;
        int exists, belongs;
        ReaderAction action;
        std::vector<std::string> siteCalls;
        std::string lastTip;
    };
    const Case cases[] = {
        {"not logged in", false, 1, 1, {ReaderActionDownloadChapter, false, 2}, {}, "获取登录信息失败"},
        {"shelf unreadable", true, -2, 1, {ReaderActionDownloadChapter, false, 2}, {}, "读取本地信息失败"},
        {"another user's book",
         true,
         1,
         0,
         {ReaderActionDownloadChapter, false, 2},
         {},
         "书籍下载用户与当前登录用户不一致，请删除后重新下载"},
        {"ownership unreadable", true, 1, -2, {ReaderActionDownloadChapter, false, 2}, {}, "读取本地信息失败"},
        {"free download", true, 1, 1, {ReaderActionDownloadChapter, false, 2}, {"free 2"}, "正在下载章节，请稍候..."},
        {"book not on the shelf",
         true,
         0,
         0,
         {ReaderActionDownloadChapter, false, 2},
         {"free 2"},
         "正在下载章节，请稍候..."},
        {"paid download",
         true,
         1,
         1,
         {ReaderActionDownloadChapter, true, 3},
         {"purchase 3"},
         "正在下载章节，请稍候..."},
        {"re-download",
         true,
         1,
         1,
         {ReaderActionRedownloadChapter, true, 3},
         {"delete 3 vip", "forget", "purchase 3"},
         "正在下载章节，请稍候..."},
        {"bookmark download", true, 1, 1, {ReaderActionDownloadBookmark}, {"bookmark sync"}, "正在下载书签，请稍候..."},
        {"bookmark upload", true, 1, 1, {ReaderActionUploadBookmark}, {"bookmark upload 1"}, "正在上传书签，请稍候..."},
    };
    for (const auto& c : cases) {
        Screen s;
        s.site.exists = c.exists;
        s.site.belongs = c.belongs;
        s.actions.loginChecked(c.loggedIn, "u1", c.action);
        EXPECT_EQ(s.site.calls, c.siteCalls) << c.name;
        ASSERT_FALSE(s.host.tips.empty()) << c.name;
        EXPECT_EQ(s.host.tips.back(), c.lastTip) << c.name;
    }
}

// The spinner stays up through the login answer: alone once logged in, with
// the failure's words (or the ownership details) when the action stops.
TEST(ReaderSiteActions, LoginAnswersKeepTheSpinner) {
    const std::string owner = "书籍下载用户与当前登录用户不一致，请删除后重新下载";
    struct Case {
        bool loggedIn;
        int exists, belongs;
        std::vector<std::string> spinners;
    };
    const Case cases[] = {
        {false, 1, 1, {"获取登录信息失败|"}},
        {true, -2, 1, {"|", "读取本地信息失败|"}},
        {true, 1, 0, {"|", "|" + owner}},
        {true, 1, -2, {"|", "读取本地信息失败|"}},
        {true, 1, 1, {"|"}},
        {true, 0, 0, {"|"}},
    };
    for (const auto& c : cases) {
        Screen s;
        s.site.exists = c.exists;
        s.site.belongs = c.belongs;
        s.actions.loginChecked(c.loggedIn, "u1", {ReaderActionDownloadChapter, false, 2});
        EXPECT_EQ(s.host.spinners, c.spinners) << c.loggedIn << c.exists << c.belongs;
    }
}

TEST(ReaderSiteActions, LateAnswerKeepsItsChapter) {
    Screen s;
    // Two prompts confirmed before either check answered: each answer runs its own.
    s.chapters.downloadPromptConfirmed(false, 2);
    s.chapters.downloadPromptConfirmed(true, 3);
    ASSERT_EQ(s.host.checks.size(), 2u);
    s.actions.loginChecked(true, "u1", s.host.checks[0]);
    EXPECT_EQ(s.site.calls, std::vector<std::string>{"free 2"});
}

TEST(ReaderSiteActions, DownloadAnswersSaveAndOpen) {
    Screen s;
    s.actions.downChapterCallback(ChapterDownload{9, 2, false, std::string()});
    EXPECT_EQ(s.site.saved, "  "); // an empty chapter is stored as two spaces
    EXPECT_EQ(s.host.tips.back(), "正在打开...");
    EXPECT_EQ(s.engine.calls, (std::vector<std::string>{"chapter 2", "from -1"}));
    EXPECT_EQ(s.chapters.chapterId, 2);

    Screen failed;
    failed.actions.downChapterCallback(std::nullopt);
    EXPECT_EQ(failed.host.tips.back(), "章节下载失败");
    failed.actions.downChapterCallback(ChapterDownload{9, 2, false, std::nullopt});
    EXPECT_EQ(failed.host.tips.back(), "保存章节失败");
    // A paid chapter needs the user that the login check returned.
    failed.actions.downChapterCallback(ChapterDownload{9, 3, true, std::string("bytes")});
    EXPECT_EQ(failed.host.tips.back(), "保存章节失败");
    failed.site.saveOk = false;
    failed.actions.downChapterCallback(ChapterDownload{9, 2, false, std::string("text")});
    EXPECT_EQ(failed.host.tips.back(), "保存章节失败");
    EXPECT_TRUE(failed.engine.calls.empty());

    Screen paid;
    paid.chapters.userId = "u1";
    paid.actions.downChapterCallback(ChapterDownload{9, 3, true, std::string("bytes")});
    EXPECT_EQ(paid.site.saved, "bytes/u1");
    EXPECT_EQ(paid.engine.calls, (std::vector<std::string>{"chapter 3", "from -1"}));
}

TEST(ReaderSiteActions, PurchaseAnswers) {
    Screen s;
    s.actions.buyVipChapterCallback("");
    s.actions.buyVipChapterCallback("1,2,3");
    EXPECT_TRUE(s.site.calls.empty());
    s.actions.buyVipChapterCallback("9,3");
    EXPECT_EQ(s.site.calls, std::vector<std::string>{"vip 9 3"});
    EXPECT_EQ(s.host.tips.back(), "章节下载中...");
    s.actions.buyVipChapterCallback("9");
    EXPECT_EQ(s.site.calls, (std::vector<std::string>{"vip 9 3", "whole 9", "main"}));
}

TEST(ReaderSiteActions, BookmarkAnswers) {
    Screen s;
    s.actions.handleBookmarkSync(false, 1);
    EXPECT_EQ(s.host.tips.back(), "下载失败");
    s.actions.handleBookmarkSync(true, 2);
    EXPECT_EQ(s.host.tips.back(), "书签所在章节尚未下载");
    s.actions.handleBookmarkSync(true, 1);
    EXPECT_EQ(s.engine.calls, (std::vector<std::string>{"chapter 1", "from -1"}));
    s.actions.handleBookmarkUpload(true);
    EXPECT_EQ(s.host.tips.back(), "上传成功");
    s.actions.handleBookmarkUpload(false);
    EXPECT_EQ(s.host.tips.back(), "上传失败");
    // A site bookmark from the list opens at its stored start.
    s.chapters.bookmarkDidSelected(1, 40);
    EXPECT_EQ(s.engine.calls.back(), "from 39");
    s.chapters.bookmarkDidSelected(77, 40);
    EXPECT_EQ(s.host.tips.back(), "未能打开章节");
}

} // namespace
} // namespace pw

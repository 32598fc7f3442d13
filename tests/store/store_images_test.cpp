#include "site/SiteTest.h"

#include "foundation/config/DeviceKind.h"
#include "platform/core/NotificationCenter.h"
#include "platform/device/Device.h"
#include "platform/gfx/Image.h"
#include "store/StoreBookCoverDownloader.h"
#include "store/StoreImageDownloader.h"

#include <fstream>

namespace pw::test {
namespace {

using standin::Catalogue;
using standin::Host;

std::string jpegOf(int w, int h) {
    auto bytes = gfx::Image::filled(w, h, gfx::Pixel{200, 30, 30, 255}).encodeJPEG(0.8);
    return std::string(bytes->begin(), bytes->end());
}

class StoreImagesTest : public SiteTest {
protected:
    void SetUp() override {
        SiteTest::SetUp();
        setDeviceKindProvider([] { return DeviceKind::Phone; });
        m_savedScreen = device::Device::current().screen();
        device::Device::current().setScreen({320, 568, 2}); // 640 by 1136
        for (const char* name : {StoreImageDownloader::kNotification, StoreBookCoverDownloader::kNotification})
            m_tokens.push_back(core::NotificationCenter::defaultCenter().addObserver(
                name, [this](const core::Notification& n) { m_notes.push_back(n.payload); }));
    }
    void TearDown() override {
        m_tokens.clear();
        device::Device::current().setScreen(m_savedScreen);
        setDeviceKindProvider(nullptr);
        SiteTest::TearDown();
    }
    const core::Value& waitNote(size_t count) {
        EXPECT_TRUE(waitFor([&] { return m_notes.size() >= count; }));
        return m_notes.back();
    }
    std::vector<core::Value> m_notes;
    std::vector<core::ObserverToken> m_tokens;
    device::ScreenMetrics m_savedScreen;
};

TEST_F(StoreImagesTest, CoversAreFetchedFittedCachedAndThenAnsweredAtOnce) {
    StoreBookCoverDownloader::beginBookCoverDownloading(Catalogue::kLunyu, Catalogue::kLunyu, 4, -1,
                                                        ui::IndexPath{0, 3});
    const auto first = waitNote(1);
    EXPECT_EQ(first["success"].asBool(), true);
    EXPECT_EQ(first["rzbid"].asInt(), Catalogue::kLunyu);
    EXPECT_EQ(first["idxPath"]["row"].asInt(), 3);
    EXPECT_EQ(first["tag"].asInt(), 4);
    auto stored = gfx::Image::fromFile(first["cover"].asString().value_or(""));
    ASSERT_TRUE(stored); // a 640 by 1136 phone keeps the small tile
    EXPECT_EQ(stored->pixelWidth(), 74);
    EXPECT_EQ(stored->pixelHeight(), 92);

    // Cached now: answered before the call returns, with no request.
    m_site->clearRequests();
    StoreBookCoverDownloader::beginBookCoverDownloading(Catalogue::kLunyu, Catalogue::kLunyu, 200, 200);
    ASSERT_EQ(m_notes.size(), 2u);
    EXPECT_EQ(m_notes[1]["success"].asBool(), true);
    EXPECT_EQ(m_notes[1].get("idxPath"), nullptr);
    EXPECT_TRUE(m_site->requests(Host::Image).empty());

    // A book without a cover of its own shares the generic one under id 0.
    StoreBookCoverDownloader::beginBookCoverDownloading(0, Catalogue::kSongci, 1, -1);
    const auto generic = waitNote(3);
    EXPECT_EQ(generic["success"].asBool(), true);
    EXPECT_EQ(generic["rzbid"].asInt(), Catalogue::kSongci);
    EXPECT_EQ(generic["cover"].asString(), StoreBookCoverDownloader::cachePath(0).string());
    EXPECT_EQ(m_site->count(Host::Image, "/books/1.jpg"), 1u);

    // No cover at the site: failure, nothing written.
    StoreBookCoverDownloader::beginBookCoverDownloading(424242, 424242, 1, -1);
    EXPECT_EQ(waitNote(4)["success"].asBool(), false);
    EXPECT_FALSE(std::filesystem::exists(StoreBookCoverDownloader::cachePath(424242)));
}

TEST_F(StoreImagesTest, CoverFittingAndFailedWrites) {
    struct Case {
        int w, h;
        device::ScreenMetrics screen;
        int wantW, wantH;
    };
    const Case cases[] = {
        {74, 100, {320, 568, 2}, 74, 100},  // the tile's width: kept as it came
        {80, 92, {320, 568, 2}, 80, 92},    // the tile's height: kept
        {80, 100, {320, 568, 2}, 74, 92},   // neither: redrawn
        {80, 100, {320, 480, 2}, 148, 184}, // a 640 by 960 screen has the large tile
    };
    int64_t id = 9000;
    for (const auto& c : cases) {
        device::Device::current().setScreen(c.screen);
        StoreBookCoverDownloader op(++id, id, 0, -1, std::nullopt);
        ASSERT_TRUE(op.saveBookCover(jpegOf(c.w, c.h))) << c.w << "x" << c.h;
        auto stored = gfx::Image::fromFile(StoreBookCoverDownloader::cachePath(id).string());
        ASSERT_TRUE(stored);
        EXPECT_EQ(std::make_pair(stored->pixelWidth(), stored->pixelHeight()), std::make_pair(c.wantW, c.wantH))
            << c.w << "x" << c.h;
    }
    StoreBookCoverDownloader notImage(1, 1, 0, -1, std::nullopt);
    EXPECT_FALSE(notImage.saveBookCover("<html>404</html>"));
    EXPECT_FALSE(notImage.saveBookCover(""));

    // A cache that cannot be written to: the save fails instead of claiming a cover.
    std::filesystem::remove_all(AppPaths::storeCache());
    std::ofstream(AppPaths::storeCache()) << "a file where the folder belongs";
    StoreBookCoverDownloader blocked(2, 2, 0, -1, std::nullopt);
    EXPECT_FALSE(blocked.saveBookCover(jpegOf(74, 92)));
    StoreImageDownloader blockedIcon("http://127.0.0.1/a/icon.jpg", 0, -1, std::nullopt);
    EXPECT_FALSE(blockedIcon.saveBookCover(jpegOf(10, 10)));
    std::filesystem::remove(AppPaths::storeCache());
}

TEST_F(StoreImagesTest, PictureNamesAreSafeAndDistinct) {
    const std::string a = StoreImageDownloader::cacheName("http://h/a/icon.png");
    const std::string b = StoreImageDownloader::cacheName("http://h/b/icon.png");
    EXPECT_NE(a, b);
    EXPECT_TRUE(a.ends_with("-icon.png"));
    EXPECT_EQ(a, StoreImageDownloader::cacheName("http://h/a/icon.png"));
    for (const char* address : {"http://h/", "http://h", "http://h/a/..", "http://h/a/.", "", "http://h/x/a%2F..%2Fb",
                                "http://h/..?x=/etc", "http://h/a\\b.png"}) {
        const std::string name = StoreImageDownloader::cacheName(address);
        EXPECT_FALSE(name.empty()) << address;
        EXPECT_EQ(name.find_first_of("/\\%"), std::string::npos) << address;
        EXPECT_NE(name, "..");
        EXPECT_EQ(StoreImageDownloader::cachePath(address).parent_path(), AppPaths::storeCache()) << address;
    }
    EXPECT_NE(StoreImageDownloader::cacheName("http://h/p.png?v=1"),
              StoreImageDownloader::cacheName("http://h/p.png?v=2"));
}

TEST_F(StoreImagesTest, PicturesByAddressComeFromTheAnswersHosts) {
    const std::string icon = m_site->baseUrl(Host::Image) + "/store/icons/TopId-1.jpg";
    StoreImageDownloader::beginDownloading(icon, 7, -1, ui::IndexPath{0, 1});
    const auto note = waitNote(1);
    EXPECT_EQ(note["success"].asBool(), true);
    EXPECT_EQ(note["cover"].asString(), StoreImageDownloader::cachePath(icon).string());
    EXPECT_EQ(note.get("rzbid"), nullptr);
    EXPECT_TRUE(gfx::Image::fromFile(StoreImageDownloader::cachePath(icon).string()));
    StoreImageDownloader::beginDownloading(icon, 7, -1);
    ASSERT_EQ(m_notes.size(), 2u); // from the cache, at once
    EXPECT_EQ(m_site->count(Host::Image, "/store/icons/TopId-1.jpg"), 1u);

    const std::string missing = m_site->baseUrl(Host::Image) + "/nothing/here.png";
    StoreImageDownloader::beginDownloading(missing, 7, -1);
    EXPECT_EQ(waitNote(3)["success"].asBool(), false);
    EXPECT_FALSE(std::filesystem::exists(StoreImageDownloader::cachePath(missing)));
}

TEST_F(StoreImagesTest, TheNoteIsBuiltAndPostedByItsOwnMainThreadStep) {
    StoreImageDownloader picture("http://127.0.0.1:1/a.png", 3, 4, ui::IndexPath{1, 2});
    picture.doPostNotificationSuccess(false);
    StoreBookCoverDownloader cover(41, 42, 5, 6, ui::IndexPath{0, 7});
    cover.doPostNotificationSuccess(true);
    ASSERT_EQ(m_notes.size(), 2u);
    const struct {
        const char* key;
        core::Value picture, cover;
    } rows[] = {
        {"success", core::Value(false), core::Value(true)},
        {"tag", core::Value(3), core::Value(5)},
        {"tag2", core::Value(4), core::Value(6)},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(m_notes[0][r.key], r.picture) << r.key;
        EXPECT_EQ(m_notes[1][r.key], r.cover) << r.key;
    }
    EXPECT_EQ(m_notes[1]["rzbid"].asInt(), 42);
    EXPECT_EQ(m_notes[1]["cover"].asString(), StoreBookCoverDownloader::cachePath(41).string());
}

} // namespace
} // namespace pw::test

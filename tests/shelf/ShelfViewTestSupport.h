#pragma once
// A headless screen for the shelf views: the phone screen of the UI tests, a
// shelf of made-up books, covers written as solid-colour pictures, and the
// notifications the views post, recorded in order.
#include "foundation/config/DeviceKind.h"
#include "foundation/db/MainDB.h"
#include "foundation/paths/AppPaths.h"
#include "platform/core/NotificationCenter.h"
#include "platform/gfx/Image.h"
#include "platform/ui/UiTestSupport.h"
#include "shelf/BookSelection.h"
#include "shelf/ShelfHost.h"
#include "shelf/ShelfRecords.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace pw::test {

struct Posted {
    std::string name;
    core::Value payload;
};

class ShelfViewTest : public ui::test::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        setDeviceKindProvider([] { return DeviceKind::Phone; });
        bookcaseType = 1;
        ShelfHost::shared() = {};
        m_recorder = core::NotificationCenter::defaultCenter().addObserver("", [this](const core::Notification& n) {
            if (n.name.rfind("NSNotificationCenter_", 0) == 0)
                posted.push_back({n.name, n.payload});
        });
    }
    void TearDown() override {
        m_recorder.reset();
        ShelfHost::shared() = {};
        bookcaseType = 1;
        setDeviceKindProvider(nullptr);
        UiTest::TearDown();
    }

    static BookRecord book(int64_t bid, int64_t rzId, int64_t cid, std::string name, int64_t lstReadt = 100,
                           std::string type = "RZ") {
        BookRecord b;
        b.bid = bid;
        b.rzId = rzId;
        b.cid = cid;
        b.bname = std::move(name);
        b.lstReadt = lstReadt;
        b.type = std::move(type);
        b.file = std::to_string(rzId) + ".rz";
        b.cover = std::to_string(rzId) + ".jpg";
        b.author = "作者";
        return b;
    }

    // A solid cover for the site book, where the shelf looks for it.
    static void writeCover(int64_t rzId, gfx::Pixel colour) {
        std::filesystem::create_directories(AppPaths::coverFolder());
        gfx::Image::filled(74, 92, colour).writeJPEG(AppPaths::coverFile(rzId).string(), 0.95);
    }

    // The folders start-up makes, and the main database.
    static bool makeMainDatabase() {
        for (const auto& f : AppPaths::startupFolders())
            std::filesystem::create_directories(core::Paths::home() / f);
        return MainDB::createMainDBIfNotExists();
    }

    static std::filesystem::path artifactsDir() {
        auto dir = std::filesystem::current_path().parent_path() / "artifacts" / "shelf";
        std::filesystem::create_directories(dir);
        return dir;
    }

    std::vector<std::string> postedNames() const {
        std::vector<std::string> names;
        for (const Posted& p : posted)
            names.push_back(p.name);
        return names;
    }

    std::vector<Posted> posted;

private:
    core::ObserverToken m_recorder;
};

} // namespace pw::test

// The reader on a desktop: one window showing the screen of a tablet (or of a
// phone with --phone), driven by the mouse, touches and the keyboard.
#include "app/FrontEnd.h"
#include "foundation/config/DeviceKind.h"
#include "foundation/frame/PagewellAppDelegate.h"
#include "platform/core/HeapPolicy.h"
#include "platform/core/Paths.h"
#include "platform/core/RunLoop.h"
#include "platform/device/Device.h"
#include "account/AboutPagewellViewController.h"
#include "account/LocalBuyChapterController.h"
#include "account/LocalInteractiveViewController.h"
#include "platform/ui/Application.h"
#include "account/RZMessageViewController.h"
#include "account/RZSettingController.h"
#include "reader/PageViewController.h"
#include "reader/ReaderContentsScreens.h"
#include "reader/ReaderSiteClients.h"
#include "reading/turn/PageManager.h"
#include "reader/RZChapterListViewController.h"
#include "shelf/MainViewController.h"
#include "shelf/ShelfScreens.h"
#include "shelf/XieYiViewController.h"
#include "store/StoreController.h"
#include "transfer/import/ImportBookViewController.h"
#include "transfer/wifi/WifiViewController.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Hands a pick in the chapter list to the shelf as the record it reads.
struct ChapterPick : pw::RZChapterListViewDelegate {
    std::function<void(const pw::core::Value&, int64_t)> didSelect;
    void rzChapterDidSelected(const pw::ChapterListEntry& c, int64_t rzBookId) override {
        using pw::core::Value;
        didSelect(Value(Value::Map{{"cid", Value(c.cid)},
                                   {"cname", Value(c.cname)},
                                   {"vip", Value(int64_t(c.vip ? 1 : 0))},
                                   {"down", Value(int64_t(c.down ? 1 : 0))},
                                   {"price", Value(c.price)}}),
                  rzBookId);
    }
};

void usage() {
    std::puts("usage: pagewell [--phone] [--size WIDTHxHEIGHT] [--scale N]");
}

} // namespace

int main(int argc, char** argv) {
    pw::app::FrontEndOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--phone") {
            options.width = 320;
            options.height = 480;
        } else if (arg == "--size" && i + 1 < argc) {
            double w = 0, h = 0;
            if (std::sscanf(argv[++i], "%lfx%lf", &w, &h) != 2 || w < 100 || h < 100) {
                usage();
                return 2;
            }
            options.width = w;
            options.height = h;
        } else if (arg == "--scale" && i + 1 < argc) {
            options.scale = std::atof(argv[++i]);
            if (options.scale < 1 || options.scale > 3) {
                usage();
                return 2;
            }
        } else if (arg == "--help" || arg == "-h") {
            usage();
            return 0;
        } else {
            usage();
            return 2;
        }
    }
    // The start-up check asks for a picture of the window this way.
    if (const char* shot = std::getenv("PAGEWELL_SCREENSHOT"); shot && *shot)
        options.screenshotPath = shot;
    if (const char* dir = std::getenv("PAGEWELL_SCREENSHOT_ON_SIGNAL"); dir && *dir)
        options.screenshotOnSignalDir = dir;

    pw::core::HeapPolicy::retainFreedMemory();
    pw::core::RunLoop::claimMain();
    if (!pw::core::Paths::ensureHome()) {
        std::fprintf(stderr, "pagewell: cannot make the home folder %s\n", pw::core::Paths::home().c_str());
        return 1;
    }
    auto& device = pw::device::Device::current();
    device.setScreen({options.width, options.height, options.scale});
    pw::setDeviceKindProvider([] {
        return pw::device::Device::current().idiom() == pw::device::Idiom::Pad ? pw::DeviceKind::Tablet
                                                                               : pw::DeviceKind::Phone;
    });

    pw::PagewellAppDelegate::setMainScreenMaker([] { return pw::MainViewController::create(); });
    pw::ShelfScreens::reader() = [](const pw::ReaderOpening& o) {
        auto p = pw::PageViewController::create();
        p->bookFormat = o.bookFormat;
        p->bookId = o.bookId;
        p->rzBookId = o.rzBookId;
        if (o.chapterId)
            p->chapterId = *o.chapterId;
        p->filePath = o.filePath;
        p->content = o.content;
        p->contentTitle = o.contentTitle;
        p->umdContentTotalLength = o.umdContentTotalLength;
        p->umdLastChapterOffset = o.umdLastChapterOffset;
        p->txtContentTotalLength = o.txtContentTotalLength;
        p->txtLoadAll = o.txtLoadAll;
        // A site book's chapters come through the site clients behind its
        // deferred actions.
        if (o.bookFormat == 1)
            pw::ReaderSiteClients::attach(p);
        return p;
    };
    pw::ShelfScreens::isReader() = [](const pw::ui::ViewController& vc) {
        return dynamic_cast<const pw::PageViewController*>(&vc) != nullptr;
    };
    auto purchase = [](int64_t rzBookId, int64_t chapterId, std::function<void(const std::string&)> callback) {
        auto buy = pw::LocalBuyChapterController::create();
        buy->rzBookId = rzBookId;
        buy->chapterId = chapterId;
        buy->callback = std::move(callback);
        return std::static_pointer_cast<pw::ui::ViewController>(buy);
    };
    pw::ShelfScreens::purchase() = purchase;
    pw::ReaderSiteClients::setPurchaseScreenMaker(purchase);
    pw::ReaderContentsScreens::install();
    // The reader's settings change its own configuration in place.
    pw::PageViewController::setSettingsScreenMaker([](pw::PageViewController& reader) {
        auto settings = pw::RZSettingController::create();
        settings->setUseCustomNavAnimate(true);
        if (reader.pageMgr())
            settings->setRzConfig(reader.pageMgr()->rzConfig());
        return std::static_pointer_cast<pw::ui::ViewController>(settings);
    });
    pw::PageViewController::setInteractiveScreenMaker([](pw::PageViewController& reader) {
        auto interactions = pw::LocalInteractiveViewController::create();
        interactions->setRzBookId(reader.rzBookId);
        return std::static_pointer_cast<pw::ui::ViewController>(interactions);
    });
    pw::ShelfScreens::settings() = [] {
        auto settings = pw::RZSettingController::create();
        settings->setTitle("更多");
        settings->setUseCustomNavAnimate(false);
        return std::static_pointer_cast<pw::ui::ViewController>(settings);
    };
    // From the about page the agreement is for reading only.
    pw::AboutPagewellViewController::setAgreementFactory(
        [] { return std::static_pointer_cast<pw::ui::ViewController>(pw::XieYiViewController::create()); });
    pw::ShelfScreens::chapterList() = [](int64_t rzBookId, const std::string& title,
                                         std::function<void(const pw::core::Value&, int64_t)> didSelect) {
        auto list = pw::RZChapterListViewController::create();
        auto pick = std::make_shared<ChapterPick>();
        pick->didSelect = std::move(didSelect);
        list->rzBookId = rzBookId;
        list->setTitle(title);
        list->didSelectDelegate = pick;
        list->delegateOwner = pick;
        return list;
    };
    pw::ShelfScreens::store() = [] {
        auto store = pw::StoreController::create();
        store->genTab();
        return std::static_pointer_cast<pw::ui::ViewController>(store);
    };
    pw::ShelfScreens::messages() = [] {
        return std::static_pointer_cast<pw::ui::ViewController>(pw::RZMessageViewController::create());
    };
    pw::ShelfScreens::importBooks() = [] { return pw::ImportBookViewController::create(); };
    pw::ShelfScreens::wifi() = [] { return pw::WifiViewController::create(); };

    pw::app::FrontEnd frontEnd(options);
    if (!frontEnd.open())
        return 1;
    auto& app = pw::ui::Application::shared();
    auto delegate = std::make_shared<pw::PagewellAppDelegate>();
    app.setDelegate(delegate);
    app.launch();
    const int rc = frontEnd.run();
    app.terminate();
    app.reset();
    delegate.reset();
    return rc;
}

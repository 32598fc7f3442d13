#include "reader/ReaderContentsScreens.h"

#include "platform/ui/NavigationController.h"
#include "reader/ChptsBookmarksViewController.h"
#include "reader/PageViewController.h"
#include "reader/RZChapterListViewController.h"
#include "reader/ReaderListAnswers.h"

namespace pw {

namespace {
// The answers live as long as the list that holds them and keep the reader
// they answer to alive that long.
std::shared_ptr<ReaderListAnswers> answersFor(PageViewController& reader) {
    auto keep = std::static_pointer_cast<PageViewController>(reader.shared_from_this());
    auto answers = std::shared_ptr<ReaderListAnswers>(new ReaderListAnswers(reader.chapters()),
                                                      [keep](ReaderListAnswers* a) { delete a; });
    std::weak_ptr<PageViewController> weak = keep;
    answers->willOpenPick = [weak] {
        auto r = weak.lock();
        if (r && r->navigationController())
            r->navigationController()->setNavigationBarHidden(true, false);
    };
    return answers;
}
} // namespace

std::shared_ptr<ui::ViewController> ReaderContentsScreens::make(PageViewController& reader) {
    const auto& chapters = reader.chapters();
    if (reader.bookFormat == 1) {
        auto list = RZChapterListViewController::create();
        list->rzBookId = reader.rzBookId;
        list->setTitle(chapters.contentTitle);
        list->chapterId = chapters.chapterId;
        list->useCustomNavAnimate = true;
        auto answers = answersFor(reader);
        list->didSelectDelegate = answers;
        list->delegateOwner = answers;
        return list;
    }
    if (reader.bookFormat != 2 && reader.bookFormat != 3)
        return nullptr;
    auto screen = ChptsBookmarksViewController::create();
    screen->bookId = reader.bookId;
    screen->setTitle(chapters.contentTitle);
    screen->bookFormat = reader.bookFormat;
    screen->filePath = reader.filePath;
    if (reader.bookFormat == 2)
        screen->chapterId = chapters.chapterId;
    else
        screen->fileTotalLength = reader.txtContentTotalLength;
    auto answers = answersFor(reader);
    screen->didSelectDelegate = answers;
    screen->delegateOwner = answers;
    return screen;
}

void ReaderContentsScreens::install() {
    PageViewController::setContentsScreenMaker([](PageViewController& reader) { return make(reader); });
}

} // namespace pw

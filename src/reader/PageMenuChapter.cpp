#include "reader/PageMenuChapter.h"

#include "reader/PageTopMenu.h"
#include "reader/ReaderMenuKit.h"

namespace pw {

void PageMenuChapter::didCreate() {
    observeCloseAndShow(PageTopMenu::kChapterClose, PageTopMenu::kChapterShow);
}

void PageMenuChapter::build() {
    btnChaptersAndBookmark = readermenu::genBtnItemWithFrame(bounds(), "v2_icon_read_dir.png", false);
    if (!readermenu::hasPicture(*btnChaptersAndBookmark))
        btnChaptersAndBookmark->setBackgroundColor(readermenu::panelColour());
    readermenu::setButton(*btnChaptersAndBookmark, 12, "书签目录", {43, -8, 0, 0});
    addSubview(btnChaptersAndBookmark);
}

} // namespace pw

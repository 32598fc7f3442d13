#pragma once
// The reading screen's contents command: the chapter list for a site book, the
// contents and bookmarks for a UMD or TXT book, each answering its pick to the
// screen that opened it.
#include <memory>

namespace pw {

class PageViewController;
namespace ui {
class ViewController;
}

class ReaderContentsScreens {
public:
    // nullptr for a book of no known format.
    static std::shared_ptr<ui::ViewController> make(PageViewController& reader);
    // Makes the reading screen's contents command open these screens.
    static void install();
};

} // namespace pw

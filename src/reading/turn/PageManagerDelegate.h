#pragma once

// What the page manager asks of the reader screen. All calls come on the main
// thread, from inside the manager's own operations.

#include <cstdint>
#include <optional>

namespace pw {

// The current page's place, handed with a seam question of a TXT book read in
// chunks: its characters' indices in the chunk and its bytes in the file.
struct SeamData {
    int64_t start = 0;
    int64_t end = 0;
    int64_t bStart = 0;
    int64_t bEnd = 0;
    friend bool operator==(const SeamData&, const SeamData&) = default;
};

class PageManagerDelegate {
public:
    virtual ~PageManagerDelegate() = default;
    // A forward turn was refused at the last page (the seam question said no).
    virtual void atLastPage() = 0;
    // A backward turn was refused at the first page.
    virtual void atFirstPage() = 0;
    // Automatic scrolling has ended; the reader restores its stored turn type.
    virtual void autoScrollScreenEnd() = 0;
    // Never sent; kept for readers that implement it.
    virtual void panCurlTurningEnd() {}
    // Build the page view for the turn type and set it as the manager's page view.
    virtual void changePageTurningType(int type) = 0;
    // A turn ran off the text. Yes means the delegate has already given the manager
    // the neighbouring text (setData, and for site books chapter id and title)
    // without asking for a page; for a chunked TXT book the new chunk begins at byte
    // bEnd + 1 (next) or ends at byte bStart - 1 (previous).
    virtual bool canLoadAnotherChapter(bool previous, const std::optional<SeamData>& data) = 0;
    // A percent jump in a UMD or TXT book: load and show the content at the offset.
    virtual void loadContentWithOffset(int64_t offset) = 0;
};

} // namespace pw

#pragma once
// Fetches site book covers from the image host, fits them to the shelf's tile
// on phones and saves them, then tells the shelves. Covers asked for while
// one is being fetched wait their turn: none is dropped.
#include "site/SiteAPIBase.h"

#include <cstdint>
#include <deque>
#include <string>

namespace pw {

class BookCoverDownloader : public SiteAPIBase {
public:
    static std::shared_ptr<BookCoverDownloader> create() {
        return std::shared_ptr<BookCoverDownloader>(new BookCoverDownloader());
    }

    void downloadBookCoverWithRZBookId(int64_t rzBookId);
    // Fits and saves; false when the bytes are not an image, the id is not
    // above 0 or the file cannot be written (then nothing is posted).
    static bool saveBookCover(const std::string& bytes, int64_t rzBookId);
    // Covers waiting behind the one being fetched.
    size_t pendingCount() const { return m_pending.size(); }

    void requestFinished(RQHTTPRequest& request) override;
    void requestFailed(RQHTTPRequest& request) override;

protected:
    BookCoverDownloader() = default;

private:
    void startNext();

    std::deque<int64_t> m_pending;
    bool m_busy = false;
};

} // namespace pw

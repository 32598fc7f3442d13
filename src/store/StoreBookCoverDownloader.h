#pragma once
// Fetches a book cover from the image host into the store's cache on the
// application's shared queue (fitted to the phone's list tile), and tells the
// screens by NSNotificationCenter_StoreBookCoverDown; a cover already cached
// is announced at once, on the caller's thread. Books without a cover of their
// own ask with download id 0 and share the site's generic cover.
#include "platform/core/Operation.h"
#include "platform/ui/TableView.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace pw {

class StoreBookCoverDownloader : public core::Operation {
public:
    static constexpr const char* kNotification = "NSNotificationCenter_StoreBookCoverDown";

    static void beginBookCoverDownloading(int64_t downRZBookId, int64_t rzBookId, int tag, int tag2,
                                          std::optional<ui::IndexPath> indexPath = std::nullopt);
    // "/books/<id>/<id>.jpg" on the image host; the generic cover below id 1.
    static std::string coverAddress(int64_t downRZBookId);
    static std::filesystem::path cachePath(int64_t downRZBookId);

    StoreBookCoverDownloader(int64_t downRZBookId, int64_t rzBookId, int tag, int tag2,
                             std::optional<ui::IndexPath> indexPath);

    void main() override;
    // Fits and stores the bytes when they are an image; false when they are
    // not, or when the file cannot be written or does not read back.
    bool saveBookCover(const std::string& bytes);
    void postNotificationSuccess(bool success);
    // Main thread: the note built from this operation, posted.
    void doPostNotificationSuccess(bool success);

    int64_t downRZBookId() const { return m_downRZBookId; }
    int64_t rzBookId() const { return m_rzBookId; }
    int tag() const { return m_tag; }
    int tag2() const { return m_tag2; }
    const std::optional<ui::IndexPath>& indexPath() const { return m_indexPath; }

private:
    int64_t m_downRZBookId = 0;
    int64_t m_rzBookId = 0;
    int m_tag = 0;
    int m_tag2 = 0;
    std::optional<ui::IndexPath> m_indexPath;
};

} // namespace pw

#pragma once
// Fetches a picture the site's answers give by address (icons, the head
// picture) into the store's cache on the application's shared queue, and
// tells the screens by NSNotificationCenter_StoreImageDown; a picture already
// cached is announced at once, on the caller's thread.
#include "platform/core/Operation.h"
#include "platform/ui/TableView.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace pw {

class StoreImageDownloader : public core::Operation {
public:
    static constexpr const char* kNotification = "NSNotificationCenter_StoreImageDown";

    static void beginDownloading(const std::string& address, int tag, int tag2,
                                 std::optional<ui::IndexPath> indexPath = std::nullopt);

    // The cache file name of an address: its last path component when that is
    // a plain name, prefixed with a digest of the whole address so that two
    // addresses never share a file. Screens read the picture from cachePath.
    static std::string cacheName(std::string_view address);
    static std::filesystem::path cachePath(std::string_view address);

    StoreImageDownloader(std::string address, int tag, int tag2, std::optional<ui::IndexPath> indexPath);

    void main() override;
    // Stores the bytes when they are an image; false when they are not or the
    // file cannot be written.
    bool saveBookCover(const std::string& bytes);
    void postNotificationSuccess(bool success);
    // Main thread: the note built from this operation, posted.
    void doPostNotificationSuccess(bool success);

    const std::string& requestUrl() const { return m_requestUrl; }
    const std::string& imageName() const { return m_imageName; }
    int tag() const { return m_tag; }
    int tag2() const { return m_tag2; }
    const std::optional<ui::IndexPath>& indexPath() const { return m_indexPath; }

private:
    std::string m_requestUrl;
    std::string m_imageName;
    int m_tag = 0;
    int m_tag2 = 0;
    std::optional<ui::IndexPath> m_indexPath;
};

} // namespace pw

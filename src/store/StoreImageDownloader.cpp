#include "store/StoreImageDownloader.h"

#include "foundation/paths/AppPaths.h"
#include "platform/core/Digest.h"
#include "platform/core/FileManager.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/OperationQueue.h"
#include "platform/core/RunLoop.h"
#include "platform/gfx/Image.h"
#include "store/StoreImageFetch.h"
#include "store/StoreImageNote.h"

#include <algorithm>
#include <cctype>
#include <span>

namespace pw {
namespace {

bool isImage(const std::string& bytes) {
    return !bytes.empty() &&
           gfx::Image::fromBytes(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()))
               .has_value();
}

bool isImageFile(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec) && gfx::Image::fromFile(path.string()).has_value();
}

} // namespace

std::string StoreImageDownloader::cacheName(std::string_view address) {
    std::string_view path = address;
    if (const size_t cut = path.find_first_of("?#"); cut != std::string_view::npos)
        path = path.substr(0, cut);
    if (const size_t scheme = path.find("://"); scheme != std::string_view::npos) {
        path = path.substr(scheme + 3);
        const size_t slash = path.find('/');
        path = slash == std::string_view::npos ? std::string_view() : path.substr(slash);
    }
    std::string last(path.substr(path.find_last_of('/') == std::string_view::npos ? 0 : path.find_last_of('/') + 1));
    const bool plain = !last.empty() && last != "." && last != ".." && last.size() <= 128 &&
                       std::all_of(last.begin(), last.end(),
                                   [](unsigned char c) { return std::isalnum(c) || c == '.' || c == '_' || c == '-'; });
    const std::string digest = core::Digest::sha1Hex(address).substr(0, 16);
    return plain ? digest + "-" + last : digest;
}

std::filesystem::path StoreImageDownloader::cachePath(std::string_view address) {
    return AppPaths::storeCache() / cacheName(address);
}

StoreImageDownloader::StoreImageDownloader(std::string address, int tag, int tag2,
                                           std::optional<ui::IndexPath> indexPath)
    : m_requestUrl(std::move(address)), m_imageName(cacheName(m_requestUrl)), m_tag(tag), m_tag2(tag2),
      m_indexPath(indexPath) {}

void StoreImageDownloader::beginDownloading(const std::string& address, int tag, int tag2,
                                            std::optional<ui::IndexPath> indexPath) {
    const auto path = cachePath(address);
    if (isImageFile(path)) {
        core::NotificationCenter::defaultCenter().post(
            kNotification, StoreImageNote::make(true, tag, tag2, std::nullopt, path.string(), indexPath));
        return;
    }
    core::OperationQueue::shared().addOperation(std::make_shared<StoreImageDownloader>(address, tag, tag2, indexPath));
}

void StoreImageDownloader::main() {
    if (isImageFile(AppPaths::storeCache() / m_imageName)) {
        postNotificationSuccess(true);
        return;
    }
    postNotificationSuccess(saveBookCover(fetchStoreImage(m_requestUrl)));
}

bool StoreImageDownloader::saveBookCover(const std::string& bytes) {
    const auto path = AppPaths::storeCache() / m_imageName;
    if (isImageFile(path))
        return true;
    if (!isImage(bytes))
        return false;
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    // A write that fails is a failure, so the asker keeps its placeholder and
    // asks again later.
    return core::FileManager::atomicWrite(path, std::string_view(bytes)) && isImageFile(path);
}

void StoreImageDownloader::postNotificationSuccess(bool success) {
    // The worker waits until the main thread has posted, so the operation outlives the call.
    core::RunLoop::runOnMain([this, success] { doPostNotificationSuccess(success); }, true);
}

void StoreImageDownloader::doPostNotificationSuccess(bool success) {
    auto note = StoreImageNote::make(success, m_tag, m_tag2, std::nullopt,
                                     (AppPaths::storeCache() / m_imageName).string(), m_indexPath);
    core::NotificationCenter::defaultCenter().post(kNotification, std::move(note));
}

} // namespace pw

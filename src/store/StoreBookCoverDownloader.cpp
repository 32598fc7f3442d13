#include "store/StoreBookCoverDownloader.h"

#include "foundation/config/DeviceKind.h"
#include "foundation/hosts/SiteHosts.h"
#include "foundation/paths/AppPaths.h"
#include "platform/core/FileManager.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/OperationQueue.h"
#include "platform/core/RunLoop.h"
#include "platform/device/Device.h"
#include "platform/gfx/BitmapContext.h"
#include "platform/gfx/Image.h"
#include "site/SiteAnswer.h"
#include "store/StoreImageFetch.h"
#include "store/StoreImageNote.h"

#include <span>

namespace pw {
namespace {

bool isImageFile(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec) && gfx::Image::fromFile(path.string()).has_value();
}

} // namespace

std::string StoreBookCoverDownloader::coverAddress(int64_t id) {
    const std::string path =
        id < 1 ? std::string("/books/1.jpg") : "/books/" + std::to_string(id) + "/" + std::to_string(id) + ".jpg";
    return SiteAnswer::url(SiteHosts::Service::Image, path);
}

std::filesystem::path StoreBookCoverDownloader::cachePath(int64_t downRZBookId) {
    return AppPaths::storeCache() / (std::to_string(downRZBookId) + ".jpg");
}

StoreBookCoverDownloader::StoreBookCoverDownloader(int64_t downRZBookId, int64_t rzBookId, int tag, int tag2,
                                                   std::optional<ui::IndexPath> indexPath)
    : m_downRZBookId(downRZBookId), m_rzBookId(rzBookId), m_tag(tag), m_tag2(tag2), m_indexPath(indexPath) {}

void StoreBookCoverDownloader::beginBookCoverDownloading(int64_t downRZBookId, int64_t rzBookId, int tag, int tag2,
                                                         std::optional<ui::IndexPath> indexPath) {
    const auto path = cachePath(downRZBookId);
    if (isImageFile(path)) {
        core::NotificationCenter::defaultCenter().post(
            kNotification, StoreImageNote::make(true, tag, tag2, rzBookId, path.string(), indexPath));
        return;
    }
    core::OperationQueue::shared().addOperation(
        std::make_shared<StoreBookCoverDownloader>(downRZBookId, rzBookId, tag, tag2, indexPath));
}

void StoreBookCoverDownloader::main() {
    if (isImageFile(cachePath(m_downRZBookId))) {
        postNotificationSuccess(true);
        return;
    }
    postNotificationSuccess(saveBookCover(fetchStoreImage(coverAddress(m_downRZBookId))));
}

bool StoreBookCoverDownloader::saveBookCover(const std::string& bytes) {
    const auto path = cachePath(m_downRZBookId);
    if (isImageFile(path))
        return true;
    auto image =
        gfx::Image::fromBytes(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
    if (bytes.empty() || !image)
        return false;
    std::string out = bytes;
    if (currentDeviceKind() == DeviceKind::Phone) {
        const auto screen = device::Device::current().screen();
        const bool retina = screen.width * screen.scale == 640 && screen.height * screen.scale == 960;
        const int tw = retina ? 148 : 74, th = retina ? 184 : 92;
        // Redrawn only when neither side already fits the tile.
        if (image->pixelWidth() != tw && image->pixelHeight() != th) {
            gfx::BitmapContext ctx({static_cast<double>(tw), static_cast<double>(th)}, 1, true);
            ctx.drawImage(*image, gfx::Rect(0, 0, tw, th));
            auto jpeg = ctx.snapshot().encodeJPEG(0.5);
            if (!jpeg)
                return false;
            out.assign(jpeg->begin(), jpeg->end());
        }
    }
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    // Success means a cover the lists can show; a failed write is reported so
    // the row keeps its placeholder and asks again later.
    return core::FileManager::atomicWrite(path, std::string_view(out)) && isImageFile(path);
}

void StoreBookCoverDownloader::postNotificationSuccess(bool success) {
    // The worker waits until the main thread has posted, so the operation outlives the call.
    core::RunLoop::runOnMain([this, success] { doPostNotificationSuccess(success); }, true);
}

void StoreBookCoverDownloader::doPostNotificationSuccess(bool success) {
    auto note =
        StoreImageNote::make(success, m_tag, m_tag2, m_rzBookId, cachePath(m_downRZBookId).string(), m_indexPath);
    core::NotificationCenter::defaultCenter().post(kNotification, std::move(note));
}

} // namespace pw

#include "site/BookCoverDownloader.h"

#include "foundation/config/DeviceKind.h"
#include "foundation/paths/AppPaths.h"
#include "platform/core/FileManager.h"
#include "platform/core/NotificationCenter.h"
#include "platform/device/Device.h"
#include "platform/gfx/BitmapContext.h"
#include "platform/gfx/Image.h"
#include "site/SiteAnswer.h"

#include <algorithm>

namespace pw {

void BookCoverDownloader::downloadBookCoverWithRZBookId(int64_t rzBookId) {
    if (std::find(m_pending.begin(), m_pending.end(), rzBookId) != m_pending.end())
        return;
    if (m_busy && request() && request()->lrzBookId() == rzBookId)
        return;
    m_pending.push_back(rzBookId);
    if (!m_busy)
        startNext();
}

void BookCoverDownloader::startNext() {
    if (m_pending.empty()) {
        m_busy = false;
        return;
    }
    const int64_t id = m_pending.front();
    m_pending.pop_front();
    m_busy = true;
    auto request = newRequest(
        SiteAnswer::url(SiteHosts::Service::Image, "/books/" + std::to_string(id) + "/" + std::to_string(id) + ".jpg"),
        30, false);
    request->setLrzBookId(id);
    request->startAsynchronous();
}

bool BookCoverDownloader::saveBookCover(const std::string& bytes, int64_t rzBookId) {
    auto image =
        gfx::Image::fromBytes(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
    if (!image || rzBookId <= 0)
        return false;
    std::string out = bytes;
    if (currentDeviceKind() == DeviceKind::Phone) {
        const auto screen = device::Device::current().screen();
        const bool retina = screen.width * screen.scale == 640 && screen.height * screen.scale == 960;
        const double tw = retina ? 148 : 74, th = retina ? 184 : 92;
        // Redrawn only when neither side already fits.
        if (image->pixelWidth() != tw && image->pixelHeight() != th) {
            gfx::BitmapContext ctx({tw, th}, 1, true);
            ctx.drawImage(*image, gfx::Rect(0, 0, tw, th));
            auto jpeg = ctx.snapshot().encodeJPEG(0.5);
            if (!jpeg)
                return false;
            out.assign(jpeg->begin(), jpeg->end());
        }
    }
    if (!core::FileManager::atomicWrite(AppPaths::coverFile(rzBookId), std::string_view(out)))
        return false;
    core::Value::Map note;
    note.append("rzbid", rzBookId);
    core::NotificationCenter::defaultCenter().post("NSNotificationCenter_BookCoverReload",
                                                   core::Value(std::move(note)));
    return true;
}

void BookCoverDownloader::requestFinished(RQHTTPRequest& r) {
    auto* request = asSiteRequest(r);
    if (request && r.responseStatusCode() == 200)
        if (auto bytes = r.responseData())
            saveBookCover(*bytes, request->lrzBookId());
    startNext();
}

void BookCoverDownloader::requestFailed(RQHTTPRequest&) {
    startNext();
}

} // namespace pw

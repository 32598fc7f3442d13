// Opening a shelf book: the route by the file's type, the checks that what
// the reader needs is on the device, and the push of the reader screen.
#include "shelf/MainViewController.h"

#include "foundation/db/BookDB.h"
#include "foundation/db/BookTB.h"
#include "foundation/util/FileHelper.h"
#include "foundation/util/Utils.h"
#include "foundation/widgets/ProgressHUD.h"
#include "foundation/widgets/RZActionSheet.h"
#include "platform/core/Text.h"
#include "reading/txt/TxtFile.h"
#include "reading/umd/UmdChapterBlock.h"
#include "reading/umd/UmdFile.h"
#include "site/BookContentDownloader.h"
#include "site/DownManager.h"

#include <cctype>
#include <exception>

namespace pw {

namespace {

std::string lower(std::string s) {
    for (auto& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string extensionOf(const std::string& file) {
    std::string ext = std::filesystem::path(file).extension().string();
    if (!ext.empty() && ext.front() == '.')
        ext.erase(0, 1);
    return ext;
}

} // namespace

void MainViewController::pushReader(const ReaderOpening& opening) {
    hideTip();
    auto& maker = ShelfScreens::reader();
    if (!maker)
        return;
    auto reader = maker(opening);
    if (!reader)
        return;
    pushScreen(reader);
}

void MainViewController::handleBookTap(const core::Value& info) {
    const int status = static_cast<int>(info["status"].asInt().value_or(0));
    const int64_t bid = info["bid"].asInt().value_or(0);
    const int64_t rzid = info["rzid"].asInt().value_or(0);
    const std::string file = info["file"].asString().value_or("");
    const std::string ext = extensionOf(file);
    openBookWithStatus(status, bid, rzid, getFilePathByType(file, ext).value_or(file), ext);
}

void MainViewController::openBookWithStatus(int, int64_t bookId, int64_t rzBookId, const std::string& filePath,
                                            const std::string& type) {
    if (m_isEditing)
        return;
    spinner();
    const std::string ext = lower(type);
    if (ext == "umd") {
        openLocalBookWithPath(filePath, bookId, 2);
        return;
    }
    if (ext == "txt") {
        openLocalBookWithPath(filePath, bookId, 3);
        return;
    }
    if (ext != "rz") {
        // No reader for this kind of file.
        tip("暂不支持该格式", 2);
        return;
    }
    if (isDownloading(rzBookId)) {
        tip("书籍正在下载中，请稍后再试", 2);
        return;
    }
    if (!BookDB::isBookDBExistsWithRZBookId(rzBookId)) {
        hideTip();
        auto sheet = RZActionSheet::create("下载提醒", std::static_pointer_cast<MainViewController>(shared_from_this()),
                                           "取消", "点击下载", {"单章阅读"});
        sheet->rzBookId = static_cast<int32_t>(rzBookId);
        m_sheet = sheet;
        sheet->showInView(view().get());
        return;
    }
    auto info = BookTB::getRZBookReadingInfoByRZBookId(rzBookId);
    if (!info || info->size() < 5) {
        tip("打开书籍失败(0)", 2);
        return;
    }
    int64_t chapterId = (*info)[4].asInt().value_or(-1);
    if (chapterId == -1 || BookDB::chapterHasDownloadByRZBookId(rzBookId, chapterId) != 1) {
        auto first = BookDB::getFirstChapterInfoByRZBookId(rzBookId);
        if (!first || first->size() < 4) {
            tip("打开书籍失败(2)", 2);
            return;
        }
        if ((*first)[2].asInt().value_or(0) != 1) {
            hideTip();
            showAlert(kAlertFirstChapter, "下载提醒",
                      "“" + (*first)[1].asString().value_or("") + "”还木有下载，现在下载吗？", "取消", {"确定"}, {},
                      rzBookId);
            return;
        }
        chapterId = (*first)[0].asInt().value_or(0);
    }
    const int vip = BookDB::isVipChapterByRZBookId(rzBookId, chapterId);
    if (vip < 0) {
        tip("打开书籍失败(1)", 2);
        return;
    }
    openRZBookWithRZBookId(rzBookId, chapterId, vip == 1);
}

void MainViewController::openRZBookWithRZBookId(int64_t rzBookId, int64_t chapterId, bool isVip) {
    spinner("正在读取章节");
    std::string title, text;
    if (FileHelper::loadRZBookTitleAndChapterContent(rzBookId, chapterId, isVip, core::Value(m_userId), title, text) !=
        1) {
        tip("读取章节失败", 2);
        return;
    }
    after(0.6, [rzBookId, chapterId, title, text](MainViewController& self) {
        self.showPageViewController(rzBookId, title, text, chapterId);
    });
}

void MainViewController::showPageViewController(int64_t rzBookId, const std::string& title, const std::string& text,
                                                int64_t chapterId) {
    ReaderOpening o;
    o.bookId = BookTB::getBookIdByRZBookId(rzBookId);
    o.rzBookId = rzBookId;
    o.contentTitle = title;
    o.content = core::text::toUtf16Lenient(title + "\n\n" + text);
    o.bookFormat = 1;
    o.chapterId = chapterId;
    pushReader(o);
}

void MainViewController::openLocalBookWithPath(const std::string& path, int64_t bookId, int format) {
    if (format != 2 && format != 3)
        return;
    spinner("正在读取章节");
    after(0.6, [path, bookId, format](MainViewController& self) {
        if (format == 2)
            self.showUmdBookPageViewController(path, bookId);
        else
            self.showTxtBookPageViewController(path, bookId);
    });
}

void MainViewController::showUmdBookPageViewController(const std::string& path, int64_t bookId) {
    auto info = BookTB::getBookReadingInfoByBookId(bookId);
    if (!info || info->size() <= 5) {
        tip("打开书籍失败(0)", 2);
        return;
    }
    // The offset of the chapter read last; -1 for a book never opened.
    int64_t chapterOffset = (*info)[4].asInt().value_or(-1);
    if (chapterOffset < 0)
        chapterOffset = 0;
    try {
        UmdFile umd;
        umd.loadUmdFile(path);
        if (!umd.isUmdFile()) {
            tip("不是有效的 UMD格式", 2);
            return;
        }
        if (umd.umdType() != 1) {
            tip("目前仅支持纯文本的 UMD格式", 2);
            return;
        }
        umd.getFileInfo();
        ReaderOpening o;
        o.umdContentTotalLength = umd.contentLength();
        umd.getChapters();
        auto* chapters = umd.chapters();
        if (!chapters || chapters->listChapterOffset().empty()) {
            tip("书籍打开失败", 1);
            return;
        }
        const auto& offsets = chapters->listChapterOffset();
        o.umdLastChapterOffset = offsets.back();
        // A stored offset that is not a chapter start of this file (the file
        // was replaced) opens the first chapter rather than a torn one.
        if (std::find(offsets.begin(), offsets.end(), chapterOffset) == offsets.end())
            chapterOffset = offsets.front();
        std::u16string text;
        if (!umd.getChapterContent(chapterOffset, text)) {
            tip("书籍打开失败", 1);
            return;
        }
        const std::string title = chapters->getChapterTitle(chapterOffset);
        o.bookId = bookId;
        o.rzBookId = BookTB::LocalBookSiteId;
        o.contentTitle = title;
        o.content = core::text::toUtf16Lenient(title) + u"\n\n" + text;
        o.bookFormat = 2;
        o.filePath = path;
        o.chapterId = chapterOffset;
        pushReader(o);
    } catch (const std::exception&) {
        tip("书籍打开失败", 1);
    }
}

void MainViewController::showTxtBookPageViewController(const std::string& path, int64_t bookId) {
    TxtFile txt;
    txt.loadTxtFile(path);
    if (txt.totalLength() == 0) {
        tip("无法读取文件", 1);
        return;
    }
    if (!txt.canDecode()) {
        tip("不支持的编码", 1);
        return;
    }
    auto info = BookTB::getBookReadingInfoByBookId(bookId);
    if (!info || info->size() <= 5) {
        tip("打开书籍失败(0)", 2);
        return;
    }
    int64_t start = (*info)[4].asInt().value_or(0);
    if (start <= 0)
        start = 0;
    std::optional<std::u16string> text;
    txt.getContent(start, text);
    const auto name = (*info)[5].asString();
    ReaderOpening o;
    o.bookId = bookId;
    o.rzBookId = BookTB::LocalBookSiteId;
    o.contentTitle = name && !name->empty() ? getFileNameWithoutExtension(*name) : "未知";
    o.content = text.value_or(u"");
    o.bookFormat = 3;
    o.filePath = path;
    o.txtContentTotalLength = txt.totalLength();
    o.txtLoadAll = TxtFile::isLoadAllContent(path);
    pushReader(o);
}

void MainViewController::showBuyChapterControllerWithRZBookId(int64_t rzBookId, int64_t chapterId) {
    after(0.7, [rzBookId, chapterId](MainViewController& self) { self.showBuyChapterController(rzBookId, chapterId); });
}

void MainViewController::showBuyChapterController(int64_t rzBookId, int64_t chapterId) {
    hideTip();
    auto& maker = ShelfScreens::purchase();
    if (!maker)
        return;
    std::weak_ptr<MainViewController> weak = weakSelf();
    pushScreen(maker(rzBookId, chapterId, [weak](const std::string& result) {
        if (auto s = weak.lock())
            s->buyVipChapterCallback(result);
    }));
}

void MainViewController::downChapterCallback(const core::Value& result) {
    if (!result.isMap()) {
        tip("章节下载失败", 2);
        return;
    }
    const int64_t bid = result["bid"].asInt().value_or(0);
    const int64_t cid = result["cid"].asInt().value_or(0);
    const bool vip = result["vip"].asBool().value_or(result["vip"].asInt().value_or(0) != 0);
    const core::Value& cnt = result["cnt"];
    bool saved = false;
    if (vip) {
        if (!cnt.isNull() && !m_userId.empty()) {
            core::Bytes bytes;
            if (const auto* b = cnt.bytesPtr())
                bytes = *b;
            else if (const auto* s = cnt.stringPtr())
                bytes.assign(s->begin(), s->end());
            saved = BookDB::saveVipChapterWithRZBookId(bid, cid, bytes, core::Value(m_userId));
        }
    } else if (!cnt.isNull()) {
        std::string text = cnt.asString().value_or("");
        // Stored as two spaces when empty, so the chapter counts as downloaded.
        saved = BookDB::saveChapterWithRZBookId(bid, cid, text.empty() ? "  " : text);
    }
    if (!saved) {
        tip("保存章节失败", 2);
        return;
    }
    tip("正在打开...", 2);
    openRZBookWithRZBookId(bid, cid, vip);
}

void MainViewController::buyVipChapterCallback(const std::string& result) {
    std::vector<std::string> parts;
    size_t from = 0;
    while (true) {
        const size_t comma = result.find(',', from);
        parts.push_back(result.substr(from, comma - from));
        if (comma == std::string::npos)
            break;
        from = comma + 1;
    }
    if (parts.size() == 1) {
        if (auto* nav = navigationController())
            nav->popViewControllerAnimated(true);
        tip("已开始后台下载", 2);
        if (auto* dm = downManager())
            dm->beginToDownloadWithRZBookId(std::atoll(parts[0].c_str()), m_userId);
    } else if (parts.size() == 2) {
        spinner("章节下载中...");
        std::weak_ptr<MainViewController> weak = weakSelf();
        m_bookContentDownloader->downloadBookVipContentByRZBookId(
            std::atoll(parts[0].c_str()), std::atoll(parts[1].c_str()), weak, [weak](const core::Value& v) {
                if (auto self = weak.lock())
                    self->downChapterCallback(v);
            });
    }
}

} // namespace pw

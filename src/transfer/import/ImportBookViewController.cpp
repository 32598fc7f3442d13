#include "transfer/import/ImportBookViewController.h"

#include "foundation/db/BookTB.h"
#include "foundation/frame/PagewellAppDelegate.h"
#include "foundation/paths/AppPaths.h"
#include "foundation/util/FileHelper.h"
#include "foundation/util/Utils.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/RunLoop.h"
#include "platform/core/Thread.h"
#include "platform/device/Device.h"
#include "platform/gfx/BitmapContext.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/TableViewCell.h"
#include "reading/umd/UmdException.h"
#include "reading/umd/UmdFile.h"
#include "transfer/wifi/WifiViewController.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

namespace pw {

namespace fs = std::filesystem;

namespace {

constexpr const char* kCellId = "ImportBookViewControllerCell";
constexpr const char* kShelfReload = "NSNotificationCenter_CategoryAndBookReload";

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

std::string upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::toupper(c); });
    return s;
}

std::string extensionOf(const std::string& name) {
    std::string ext = fs::path(name).extension().string();
    return ext.empty() ? ext : ext.substr(1);
}

} // namespace

ImportBookViewController::~ImportBookViewController() {
    clean();
}

void ImportBookViewController::clean() {
    m_data.reset();
    m_pProgressHUD.reset();
}

void ImportBookViewController::viewDidLoad() {
    setTitle("导入书籍");
    if (auto* nav = navigationController())
        nav->setNavigationBarHidden(false, true);
    auto v = view();
    m_table = ui::TableView::create(v->bounds(), ui::TableViewStyle::Grouped);
    m_table->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    m_table->rowHeight = 60;
    auto self = std::static_pointer_cast<ImportBookViewController>(shared_from_this());
    m_table->setDataSource(std::static_pointer_cast<ui::TableViewDataSource>(self));
    m_table->setTableDelegate(std::static_pointer_cast<ui::TableViewDelegate>(self));
    if (device::Device::current().idiom() == device::Idiom::Pad)
        setPadUIViewTableBackgroundImage(*m_table);
    v->addSubview(m_table);
    m_pProgressHUD = ProgressHUD::initWithView(v.get());
    m_pProgressHUD->setCustomView(ui::View::create(gfx::Rect()));
    v->addSubview(m_pProgressHUD);
    std::weak_ptr<ImportBookViewController> weak = self;
    navigationItem().rightBarButtonItem = ui::BarButtonItem::withTitle("Wi-Fi 传书", [weak] {
        if (auto s = weak.lock())
            s->wifiBtnClick();
    });
}

void ImportBookViewController::viewDidUnload() {
    clean();
}

void ImportBookViewController::viewWillAppear(bool) {
    m_data.reset();
    ++m_scanGeneration;
    if (m_table)
        m_table->reloadData();
    std::weak_ptr<ImportBookViewController> weak =
        std::static_pointer_cast<ImportBookViewController>(shared_from_this());
    const uint64_t generation = m_scanGeneration;
    core::Thread::detach(
        [weak, generation] {
            Records records = scanBooks();
            core::RunLoop::runOnMain(
                [weak, generation, records = std::move(records)]() mutable {
                    if (auto self = weak.lock())
                        self->updateTable(std::move(records), generation);
                },
                false);
        },
        "import scan");
}

void ImportBookViewController::loadData() {
    if (m_data)
        return;
    updateTable(scanBooks(), m_scanGeneration);
}

void ImportBookViewController::updateTable(Records records, uint64_t generation) {
    // Only the newest scan counts: an older one may have missed a change.
    if (m_data || generation != m_scanGeneration)
        return;
    m_data = std::move(records);
    if (m_table)
        m_table->reloadData();
}

ImportBookViewController::Records ImportBookViewController::scanBooks() {
    Records records;
    const auto shelf = BookTB::getAllLocalBooksFilePathAndIds();
    UmdFile umd;
    std::error_code ec;
    for (fs::directory_iterator it(AppPaths::importFolder(), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const std::string ext = lower(extensionOf(name));
        if (ext != "txt" && ext != "umd")
            continue;
        auto info = std::make_shared<LocalBookInfo>();
        info->fileName = name;
        info->filePath = (AppPaths::importFolder() / name).string();
        info->fileType = upper(ext);
        if (ext == "umd") {
            // A damaged file is listed without a title; it must not end the scan.
            try {
                umd.loadUmdFile(info->filePath);
                if (umd.isUmdFile()) {
                    umd.getFileInfo();
                    if (!umd.title().empty())
                        info->bookName = umd.title();
                }
            } catch (const std::exception&) {
                info->bookName.reset();
            }
        }
        std::error_code sizeError;
        const auto size = fs::file_size(it->path(), sizeError);
        if (!sizeError)
            info->fileSize = LocalBookInfo::sizeText(size);
        records.push_back(std::move(info));
    }
    if (!shelf)
        return records;
    // Exact names first, so of two files differing only in letter case the
    // one the shelf stored is the one marked.
    std::vector<bool> claimed(shelf->size(), false);
    for (int pass = 0; pass < 2; ++pass) {
        for (auto& info : records) {
            if (info->isAdd)
                continue;
            const std::string mine = getFileName(info->filePath);
            for (size_t i = 0; i < shelf->size(); ++i) {
                if (claimed[i])
                    continue;
                const auto stored = (*shelf)[i]["file"].asString();
                if (!stored)
                    continue;
                const std::string theirs = getFileName(*stored);
                const bool same = pass == 0 ? theirs == mine : lower(theirs) == lower(mine);
                if (same) {
                    info->isAdd = true;
                    info->bookId = (*shelf)[i]["bid"].asInt().value_or(0);
                    claimed[i] = true;
                    break;
                }
            }
        }
    }
    return records;
}

void ImportBookViewController::wifiBtnClick() {
    if (auto* nav = navigationController())
        nav->pushViewController(WifiViewController::create(), true);
}

bool ImportBookViewController::removeBookFromBookcaseWithType(const std::string& type, LocalBookInfo& info) {
    int format = 0;
    if (type == "umd")
        format = BookFormatUMD;
    else if (type == "txt")
        format = BookFormatTXT;
    else
        return false;
    const auto path = getFilePathByBookFormat(info.filePath, format);
    if (!path || !FileHelper::deleteLocalBookByFilePath(*path, format))
        return false;
    return BookTB::deleteBookWithBookId(info.bookId);
}

bool ImportBookViewController::shouldAutorotateToInterfaceOrientation(device::Orientation o) const {
    return PagewellAppDelegate::allowsOrientation(o);
}

// ----- table -----

int64_t ImportBookViewController::numberOfRows(ui::TableView&, int64_t) {
    return m_data ? static_cast<int64_t>(m_data->size()) : 0;
}

std::string ImportBookViewController::titleForHeader(ui::TableView&, int64_t) {
    if (!m_data)
        return "加载中，请稍候...";
    if (m_data->empty())
        return "从 iTunes 导入本地书籍，或点右上角 Wi-Fi 传书";
    return "轻击导入书籍，向左滑动删除书籍文件";
}

std::shared_ptr<ui::TableViewCell> ImportBookViewController::cellForRow(ui::TableView& table, const ui::IndexPath& ip) {
    auto cell = table.dequeueReusableCell(kCellId);
    if (!cell) {
        cell = ui::TableViewCell::create(ui::TableViewCellStyle::Subtitle, kCellId);
        cell->textLabel().setFont(gfx::Font::systemFont(14));
        cell->detailTextLabel().setFont(gfx::Font::systemFont(13));
        cell->selectionStyle = ui::TableViewCellSelectionStyle::Gray;
    }
    if (!m_data || ip.row < 0 || static_cast<size_t>(ip.row) >= m_data->size())
        return cell;
    const auto& info = *(*m_data)[static_cast<size_t>(ip.row)];
    cell->textLabel().setText(info.fileName);
    const std::string size = info.fileSize.value_or("");
    if (info.bookName && !info.bookName->empty())
        cell->detailTextLabel().setText(size.empty() ? *info.bookName : " " + size + " - " + *info.bookName);
    else
        cell->detailTextLabel().setText(size);
    cell->accessoryType = info.isAdd ? ui::TableViewCellAccessory::Checkmark : ui::TableViewCellAccessory::None;
    return cell;
}

void ImportBookViewController::didSelectRow(ui::TableView& table, const ui::IndexPath& ip) {
    table.deselectRow(ip, true);
    if (!m_data || ip.row < 0 || static_cast<size_t>(ip.row) >= m_data->size())
        return;
    auto info = (*m_data)[static_cast<size_t>(ip.row)];
    if (!info)
        return;
    const std::string type = lower(info->fileType);
    if (info->isAdd) {
        if (!removeBookFromBookcaseWithType(type, *info)) {
            showTip("从本地书架移除失败");
            return;
        }
    } else {
        std::string bookName = getFileNameWithoutExtension(info->fileName);
        std::string cover;
        std::string author;
        if (type == "umd") {
            try {
                UmdFile umd;
                umd.loadUmdFile(info->filePath);
                if (!umd.isUmdFile()) {
                    showTip("不是有效的 UMD格式");
                    return;
                }
                if (umd.umdType() != UmdFile::kTextType) {
                    showTip("仅支持纯文本的 UMD格式");
                    return;
                }
                umd.getFileInfo();
                bookName = umd.title();
                author = umd.author();
                cover = saveUmdCover(umd);
            } catch (const std::exception&) {
                showTip("解析 UMD格式 书籍出错");
                return;
            }
        }
        int64_t bookId = 0;
        if (BookTB::addLocalBookWithBookName(bookName, cover, getFileName(info->filePath), info->fileType, author,
                                             &bookId) != 0) {
            showTip("添加失败，请再尝试下");
            return;
        }
        info->bookId = bookId;
    }
    info->isAdd = !info->isAdd;
    if (auto* cell = table.cellForRow(ip))
        cell->accessoryType = info->isAdd ? ui::TableViewCellAccessory::Checkmark : ui::TableViewCellAccessory::None;
    postShelfReload();
}

std::string ImportBookViewController::saveUmdCover(UmdFile& umd) {
    std::optional<core::Bytes> data;
    umd.getCoverImageData(data);
    const std::string coverPath = (AppPaths::umdCoverFolder() / (umd.fileNameWithoutExtension() + ".jpg")).string();
    if (!data || data->empty())
        return coverPath;
    auto image = gfx::Image::fromBytes(*data);
    if (!image)
        return coverPath;
    core::Bytes out = *data;
    if (device::Device::current().idiom() != device::Idiom::Pad) {
        const auto screen = device::Device::current().screen();
        const bool retina = screen.width * screen.scale == 640 && screen.height * screen.scale == 960;
        const gfx::Size target = retina ? gfx::Size{148, 184} : gfx::Size{74, 92};
        const gfx::Size size = image->size();
        if (size.width != target.width && size.height != target.height) {
            gfx::BitmapContext ctx(target, 1, true);
            ctx.drawImage(*image, gfx::Rect(0, 0, target.width, target.height));
            if (auto jpeg = ctx.snapshot().encodeJPEG(0.5))
                out = std::move(*jpeg);
        }
    }
    std::error_code ec;
    fs::create_directories(AppPaths::umdCoverFolder(), ec);
    // Written beside and renamed, so a reader never sees half a cover.
    const std::string partial = coverPath + ".part";
    {
        std::ofstream f(partial, std::ios::binary | std::ios::trunc);
        f.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
        if (!f)
            return coverPath;
    }
    fs::rename(partial, coverPath, ec);
    if (ec)
        fs::remove(partial, ec);
    return coverPath;
}

void ImportBookViewController::commitEditingStyle(ui::TableView& table, ui::TableViewCellEditingStyle style,
                                                  const ui::IndexPath& ip) {
    if (style != ui::TableViewCellEditingStyle::Delete || !m_data || ip.row < 0 ||
        static_cast<size_t>(ip.row) >= m_data->size())
        return;
    auto info = (*m_data)[static_cast<size_t>(ip.row)];
    if (!info)
        return;
    if (info->isAdd) {
        if (!removeBookFromBookcaseWithType(lower(info->fileType), *info)) {
            showTip("从本地书架移除失败");
            return;
        }
        info->isAdd = false;
    }
    if (!FileHelper::deleteFileAtPath(info->filePath)) {
        // The file is still there, so its row stays (now off the shelf).
        if (auto* cell = table.cellForRow(ip))
            cell->accessoryType = ui::TableViewCellAccessory::None;
        showTip("删除文件失败");
        postShelfReload();
        return;
    }
    m_data->erase(m_data->begin() + ip.row);
    table.beginUpdates();
    table.deleteRows({ip}, true);
    table.endUpdates();
    postShelfReload();
    if (m_data->empty())
        table.reloadData();
}

void ImportBookViewController::showTip(const std::string& text) {
    m_lastTip = text;
    if (m_pProgressHUD)
        m_pProgressHUD->showTipsWithoutLoadingHideDelay(text, 2);
}

void ImportBookViewController::postShelfReload() {
    core::NotificationCenter::defaultCenter().post(kShelfReload);
}

} // namespace pw

#include "site/ProcessLocalRZBook.h"

#include "foundation/db/BookTB.h"
#include "foundation/db/SettingTB.h"
#include "foundation/paths/AppPaths.h"
#include "foundation/util/FileHelper.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/Paths.h"
#include "platform/core/RunLoop.h"
#include "platform/core/Text.h"
#include "platform/core/Thread.h"
#include "site/SiteAnswer.h"

#include <fstream>
#include <sstream>

namespace pw {

namespace {
// The list may be saved in any of the encodings an editor writes.
std::optional<std::string> readListText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::stringstream ss;
    ss << in.rdbuf();
    std::string bytes = ss.str();
    if (bytes.starts_with("\xEF\xBB\xBF"))
        return bytes.substr(3);
    if (bytes.starts_with("\xFF\xFE"))
        return core::text::decodeToUtf8(std::string_view(bytes).substr(2), "UTF-16LE");
    if (bytes.starts_with("\xFE\xFF"))
        return core::text::decodeToUtf8(std::string_view(bytes).substr(2), "UTF-16BE");
    if (core::text::isValidUtf8(bytes))
        return bytes;
    return core::text::decodeToUtf8(bytes, "GB18030");
}
} // namespace

void ProcessLocalRZBook::process() {
    core::Thread::detach([] { doWork(); }, "bundled-books");
}

bool ProcessLocalRZBook::doWork() {
    if (SettingTB::readSettingWithKey(kDoneSettingKey) == "1")
        return false;
    const auto listPath = core::Paths::resource("bookinfos.txt");
    std::error_code ec;
    if (!std::filesystem::is_regular_file(listPath, ec))
        return false;
    auto text = readListText(listPath);
    if (!text)
        return false;
    if (auto list = SiteAnswer::parseCleaned(*text); list && list->isArray())
        for (const auto& record : *list->asArray())
            parseChapterList(record);
    SettingTB::saveSettingWithKey(kDoneSettingKey, "1");
    core::RunLoop::runOnMain([] { postNotification(); }, false);
    return true;
}

bool ProcessLocalRZBook::parseChapterList(const core::Value& record) {
    if (!record.isMap() || record["ret"].asInt() != 0)
        return false;
    const auto* chapters = record["Chapters"].asArray();
    if (!chapters || chapters->empty())
        return false;
    auto id = record["BookId"].asInt();
    if (!id || *id <= 0)
        return false;
    const auto dbPath = AppPaths::bookDatabase(*id);
    const auto coverPath = AppPaths::coverFile(*id);
    const std::string name = std::to_string(*id);
    if (!FileHelper::copyResource(name, "rz", dbPath) || !FileHelper::copyResource(name, "jpg", coverPath))
        return false;
    if (BookTB::addBookWithRZBookId(*id, record["BookName"].asString().value_or(""), coverPath.string(),
                                    dbPath.string(), "RZ", record["Author"].asString().value_or(""),
                                    core::Value(std::to_string(BookTB::BundledBookUserId)), record["LastChapterId"],
                                    record["LastChapterName"], record["LastChapterTime"], 0) != 0)
        return false;
    BookTB::updateBookDBStateByRZBookId(*id);
    return true;
}

void ProcessLocalRZBook::postNotification() {
    core::NotificationCenter::defaultCenter().post("NSNotificationCenter_BookReload");
}

} // namespace pw

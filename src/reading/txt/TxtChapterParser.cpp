#include "reading/txt/TxtChapterParser.h"

#include "platform/core/NotificationCenter.h"
#include "platform/core/OperationQueue.h"
#include "platform/core/PropertyList.h"
#include "platform/core/RunLoop.h"
#include "platform/core/Value.h"
#include "reading/txt/TxtFile.h"

#include <cmath>
#include <filesystem>

namespace pw {

namespace {

core::Value toValue(const std::vector<TxtChapterEntry>& chapters) {
    core::Value list = core::Value::array();
    for (const auto& c : chapters) {
        core::Value entry = core::Value::array();
        entry.push(c.title);
        entry.push(c.chunkOffset);
        entry.push(c.index);
        list.push(std::move(entry));
    }
    return list;
}

} // namespace

TxtChapterParser::TxtChapterParser(std::string filePath, int64_t fileTotalLength)
    : m_filePath(std::move(filePath)), m_fileTotalLength(fileTotalLength) {}

std::shared_ptr<TxtChapterParser> TxtChapterParser::enqueue(const std::string& filePath, int64_t fileTotalLength) {
    auto parser = std::make_shared<TxtChapterParser>(filePath, fileTotalLength);
    core::OperationQueue::shared().addOperation(parser);
    return parser;
}

bool TxtChapterParser::writeIndex(const std::string& indexPath, const std::vector<TxtChapterEntry>& chapters) {
    return core::PropertyList::writeFile(indexPath, toValue(chapters), core::PropertyList::Format::Xml);
}

std::optional<std::vector<TxtChapterEntry>> TxtChapterParser::readIndex(const std::string& indexPath) {
    auto value = core::PropertyList::readFile(indexPath);
    if (!value || !value->asArray())
        return std::nullopt;
    std::vector<TxtChapterEntry> chapters;
    for (const auto& entry : *value->asArray()) {
        const auto* fields = entry.asArray();
        if (!fields || fields->size() != 3)
            return std::nullopt;
        auto title = (*fields)[0].asString();
        auto offset = (*fields)[1].asInt();
        auto index = (*fields)[2].asInt();
        if (!title || !offset || !index)
            return std::nullopt;
        chapters.push_back({*title, *offset, *index});
    }
    return chapters;
}

void TxtChapterParser::main() {
    const std::string indexPath = TxtFile::indexPathFor(m_filePath);
    std::error_code ec;
    if (std::filesystem::exists(indexPath, ec))
        return;
    TxtFile file;
    auto chapters = file.parseChaptersWithTxtFilePath(m_filePath, m_fileTotalLength, [this](float fraction) {
        const float percent = 100.f * fraction;
        if (static_cast<int64_t>(std::floor(percent)) % 5 == 0)
            postParsingNotify(percent);
    });
    if (chapters.empty())
        chapters.push_back({kWholeBookTitle, 0, 0});
    if (!std::filesystem::exists(indexPath, ec))
        writeIndex(indexPath, chapters);
    postDoneNotify(chapters);
}

void TxtChapterParser::postParsingNotify(float percent) {
    core::RunLoop::runOnMain([this, percent] { doPostParsingNotify(percent); }, true);
}

void TxtChapterParser::doPostParsingNotify(float percent) {
    core::Value payload = core::Value::map();
    payload.set(kProcessKey, static_cast<double>(percent));
    core::NotificationCenter::defaultCenter().post(kParsingNotification, std::move(payload));
}

void TxtChapterParser::postDoneNotify(const std::vector<TxtChapterEntry>& chapters) {
    core::RunLoop::runOnMain([this, &chapters] { doPostDoneNotify(chapters); }, true);
}

void TxtChapterParser::doPostDoneNotify(const std::vector<TxtChapterEntry>& chapters) {
    core::Value payload = core::Value::map();
    payload.set(kChaptersKey, toValue(chapters));
    core::NotificationCenter::defaultCenter().post(kDoneNotification, std::move(payload));
}

} // namespace pw

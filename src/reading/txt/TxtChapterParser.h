#pragma once

#include "platform/core/Operation.h"
#include "reading/txt/TxtChapterEntry.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pw {

// Builds a TXT book's chapter index in the background and keeps it beside the
// book (the book's path with ".index" appended, a property list). Progress
// and the result are posted on the main thread, which the scan waits for.
// An index that exists already is never rebuilt.
class TxtChapterParser : public core::Operation {
public:
    static constexpr const char* kParsingNotification = "NSNotificationCenter_ParsingTxtChapters";
    static constexpr const char* kDoneNotification = "NSNotificationCenter_ParsingTxtChaptersDone";
    static constexpr const char* kProcessKey = "txt_process";
    static constexpr const char* kChaptersKey = "txt_chapters";
    // The one entry of a book without any chapter title.
    static constexpr const char* kWholeBookTitle = "正文首页";

    TxtChapterParser(std::string filePath, int64_t fileTotalLength);

    // Queues a scan on the application's shared one-at-a-time queue.
    static std::shared_ptr<TxtChapterParser> enqueue(const std::string& filePath, int64_t fileTotalLength);

    static bool writeIndex(const std::string& indexPath, const std::vector<TxtChapterEntry>& chapters);
    // nullopt when there is no index or it is damaged.
    static std::optional<std::vector<TxtChapterEntry>> readIndex(const std::string& indexPath);

    const std::string& filePath() const { return m_filePath; }
    int64_t fileTotalLength() const { return m_fileTotalLength; }

protected:
    void main() override;

private:
    void postParsingNotify(float percent);
    void doPostParsingNotify(float percent);
    void postDoneNotify(const std::vector<TxtChapterEntry>& chapters);
    void doPostDoneNotify(const std::vector<TxtChapterEntry>& chapters);

    std::string m_filePath;
    int64_t m_fileTotalLength = 0;
};

} // namespace pw

#pragma once

// What chapter loading asks of the screen around it: tips, the status line's
// name, the download prompt and the login check behind site actions.

#include <cstdint>
#include <string>

#include "reader/ReaderAction.h"

namespace pw {

class ReaderHost {
public:
    virtual ~ReaderHost() = default;
    virtual void showTip(const std::string& text, double seconds) = 0;
    // The overlay's spinner over a line (empty: the spinner alone) and details;
    // hidden after `seconds` when positive, else kept while work runs.
    virtual void showSpinnerTip(const std::string& text, double seconds, const std::string& details = {}) = 0;
    virtual void hideProgress() {}
    // A download starts with the percent panel put away.
    virtual void hideSliderMenuAndHideStatusBar() {}
    virtual void setStatusName(const std::string& name) = 0;
    // "下载提醒": on "确定" the screen calls ReaderChapters::downloadPromptConfirmed.
    virtual void showDownloadPrompt(const std::string& chapterTitle, bool isVip, int64_t chapterId) = 0;
    // Starts the login check under the spinner; its answer must come back
    // with this very action.
    virtual void checkIsLoginWithInfo(const ReaderAction& action) = 0;
};

} // namespace pw

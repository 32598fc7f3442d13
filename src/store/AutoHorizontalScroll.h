#pragma once
// The strip of recommended covers at the top of the store's home screen: it
// fetches its own list, shows one button per book (the cover in picture
// mode, the name otherwise), steps along every 4 s unless the user is
// dragging, and reports taps to its delegate.
#include "network/RQHTTPRequestDelegate.h"
#include "platform/core/Cancelable.h"
#include "platform/core/ObserverToken.h"
#include "platform/core/Value.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/View.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pw::core {
class Timer;
}
namespace pw::ui {
class Button;
class ImageView;
} // namespace pw::ui

namespace pw {

class RZHTTPRequest;

class AutoHorizontalScrollDelegate {
public:
    virtual ~AutoHorizontalScrollDelegate() = default;
    virtual void autoHorizontalScrollButtonClick(ui::Button&, int /*index*/, long /*rzBookId*/) {}
    virtual void autoHorizontalRequestDataSuccess() {}
    virtual void autoHorizontalRequestDataFailed() {}
};

class AutoHorizontalScroll : public ui::View, public ui::ScrollViewDelegate, public RQHTTPRequestDelegate {
public:
    static constexpr double kPitch = 82;   // a cover and the gap after it
    static constexpr double kStep = 90;    // one automatic step
    static constexpr double kInterval = 4; // seconds between steps
    static constexpr double kResumeAfter = 2;

    ~AutoHorizontalScroll() override;

    void setup();
    void startRequestData();
    // The list answer's handling (tag 1 only).
    void requestFinished(RQHTTPRequest& request) override;
    void requestFailed(RQHTTPRequest& request) override;
    // Takes a parsed list answer; false when it held no entries.
    bool takeAnswer(const core::Value& answer);

    void setButtonNames(const std::vector<std::string>& names);
    void setButtonImageUrls(const std::vector<int64_t>& coverIds);
    void enterNoImageMode(bool showPicture);
    // A custom button with that frame, added to the container; a title, when
    // given, in white at 11 points.
    static std::shared_ptr<ui::Button> genButtonWithFrame(const gfx::Rect& frame,
                                                          const std::optional<std::string>& title,
                                                          ui::View& container);
    void startAutoScroll();
    void stopAutoScroll();
    void autoScroll();
    void btnClick(ui::Button& button);
    void bookCoverDown(const core::Value& note);

    void scrollViewWillBeginDragging(ui::ScrollView&) override;
    void scrollViewDidEndDragging(ui::ScrollView&, bool willDecelerate) override;
    void scrollViewDidEndDecelerating(ui::ScrollView&) override;
    void scrollViewDidEndScrollingAnimation(ui::ScrollView&) override;
    void setNotScrollDelay();

    void setDelegate(std::weak_ptr<AutoHorizontalScrollDelegate> d) { m_delegate = std::move(d); }
    bool showPicture() const { return m_showPicture; }
    // The mode alone, buttons left as they are (enterNoImageMode re-dresses them).
    void setShowPicture(bool showPicture) { m_showPicture = showPicture; }
    bool isScrolling() const { return m_isScrolling; }
    ui::ScrollView& scroll() { return *m_scroll; }
    const std::vector<std::shared_ptr<ui::Button>>& arrButtons() const { return m_arrButtons; }
    const std::vector<int64_t>& arrRZBookId() const { return m_arrRZBookId; }
    const std::vector<std::string>& arrBookNames() const { return m_arrBookNames; }

protected:
    AutoHorizontalScroll() = default;
    explicit AutoHorizontalScroll(const gfx::Rect& frame);
    void didCreate() override;
    friend class ui::View;

private:
    void dressButton(size_t i);
    void removeButtons();

    std::shared_ptr<ui::ScrollView> m_scroll;
    std::vector<std::shared_ptr<ui::Button>> m_arrButtons;
    std::vector<std::shared_ptr<ui::ImageView>> m_masks;
    std::weak_ptr<AutoHorizontalScrollDelegate> m_delegate;
    bool m_showPicture = true;
    std::shared_ptr<core::Timer> m_timer;
    bool m_isScrolling = false;
    std::vector<int64_t> m_arrRZBookId;
    std::vector<int64_t> m_bookIds; // each entry's own book, for taps
    std::shared_ptr<RZHTTPRequest> m_requestCoverRecommend;
    std::vector<std::string> m_arrBookNames;
    core::ObserverToken m_coverToken;
    core::Cancelable m_resume;
};

} // namespace pw

#include "store/AutoHorizontalScroll.h"

#include "foundation/hosts/SiteHosts.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/RunLoop.h"
#include "platform/core/Timer.h"
#include "platform/gfx/Font.h"
#include "platform/gfx/Image.h"
#include "platform/ui/BundleImage.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "site/RZHTTPRequest.h"
#include "site/SiteAnswer.h"
#include "store/StoreBookCoverDownloader.h"

#include <algorithm>

namespace pw {
namespace {
constexpr int kListTag = 1;
constexpr int kCoverTag2 = 200;
} // namespace

AutoHorizontalScroll::AutoHorizontalScroll(const gfx::Rect& frame) : ui::View(frame) {}

void AutoHorizontalScroll::didCreate() {
    ui::View::didCreate();
    setup();
}

AutoHorizontalScroll::~AutoHorizontalScroll() {
    // Nothing may call back into a carousel that is gone.
    m_coverToken = {};
    m_resume.cancel();
    if (m_timer)
        m_timer->invalidate();
    if (m_requestCoverRecommend)
        m_requestCoverRecommend->clearDelegatesAndCancel();
}

void AutoHorizontalScroll::setup() {
    setBackgroundColor(gfx::Color::fromRGB255(111, 113, 121));
    if (m_scroll)
        return;
    const gfx::Rect b = bounds();
    auto shelf = ui::View::create<ui::ImageView>(ui::BundleImage::named("bookstore_recommend_top_bg.png"));
    shelf->setFrame({0, b.size.height - 29, b.size.width, 29});
    shelf->setAutoresizingMask(ui::FlexibleWidth);
    addSubview(shelf);
    std::weak_ptr<AutoHorizontalScroll> weak = std::static_pointer_cast<AutoHorizontalScroll>(sharedFromThis());
    m_coverToken = core::NotificationCenter::defaultCenter().addObserver(StoreBookCoverDownloader::kNotification,
                                                                         [weak](const core::Notification& n) {
                                                                             if (auto self = weak.lock())
                                                                                 self->bookCoverDown(n.payload);
                                                                         });
    m_scroll = ui::View::create<ui::ScrollView>(gfx::Rect{8, 0, b.size.width - 16, b.size.height});
    m_scroll->setAutoresizingMask(ui::FlexibleWidth);
    m_scroll->setBackgroundColor(gfx::Color::clear());
    m_scroll->directionalLockEnabled = true;
    m_scroll->showsHorizontalScrollIndicator = false;
    m_scroll->showsVerticalScrollIndicator = false;
    m_scroll->bounces = false;
    m_scroll->setDelegate(std::static_pointer_cast<AutoHorizontalScroll>(sharedFromThis()));
    addSubview(m_scroll);
    startAutoScroll();
}

void AutoHorizontalScroll::startRequestData() {
    if (m_requestCoverRecommend)
        m_requestCoverRecommend->clearDelegatesAndCancel();
    m_requestCoverRecommend =
        RZHTTPRequest::requestWithURL(SiteAnswer::url(SiteHosts::Service::Store, "/BookStoreAPI/CoverRecommend.ashx"));
    m_requestCoverRecommend->setShowAccurateProgress(false);
    m_requestCoverRecommend->setShouldContinueWhenAppEntersBackground(true);
    m_requestCoverRecommend->setDelegate(std::static_pointer_cast<AutoHorizontalScroll>(sharedFromThis()));
    m_requestCoverRecommend->setTimeOutSeconds(30);
    m_requestCoverRecommend->setTag(kListTag);
    m_requestCoverRecommend->startAsynchronous();
}

void AutoHorizontalScroll::requestFinished(RQHTTPRequest& request) {
    if (request.tag() != kListTag)
        return;
    auto answer = SiteAnswer::cleanedJSON(request);
    if (!answer || !takeAnswer(*answer)) {
        if (auto d = m_delegate.lock())
            d->autoHorizontalRequestDataFailed();
        return;
    }
    if (auto d = m_delegate.lock())
        d->autoHorizontalRequestDataSuccess();
}

void AutoHorizontalScroll::requestFailed(RQHTTPRequest&) {
    if (auto d = m_delegate.lock())
        d->autoHorizontalRequestDataFailed();
}

bool AutoHorizontalScroll::takeAnswer(const core::Value& answer) {
    const core::Value* data = answer.get("Data");
    if (!data || !data->asArray() || data->asArray()->empty())
        return false;
    std::vector<std::string> names;
    std::vector<int64_t> coverIds, bookIds;
    for (const auto& e : *data->asArray()) {
        const int64_t bookId = e["BookId"].asInt().value_or(0);
        names.push_back(e["BookName"].asString().value_or(""));
        coverIds.push_back(e["ImageStatus"].asInt().value_or(0) != 0 ? bookId : 0);
        bookIds.push_back(bookId);
    }
    m_arrRZBookId = coverIds;
    m_bookIds = bookIds;
    setButtonNames(names);
    if (m_showPicture)
        setButtonImageUrls(m_arrRZBookId);
    return true;
}

void AutoHorizontalScroll::dressButton(size_t i) {
    auto& button = *m_arrButtons[i];
    button.setTitle(m_showPicture ? std::string() : m_arrBookNames[i]);
    button.setBackgroundImage(ui::BundleImage::named(m_showPicture ? "nopicsite_v2.png" : "nopicsite_topscroll.png"));
}

void AutoHorizontalScroll::removeButtons() {
    for (auto& b : m_arrButtons)
        b->removeFromSuperview();
    for (auto& m : m_masks)
        m->removeFromSuperview();
    m_arrButtons.clear();
    m_masks.clear();
}

void AutoHorizontalScroll::setButtonNames(const std::vector<std::string>& names) {
    if (names.empty())
        return;
    m_arrBookNames = names;
    const double height = m_scroll->bounds().size.height;
    m_scroll->setContentSize({kPitch * static_cast<double>(names.size()), height});
    // A list of another length gets buttons of its own, so every button has
    // an entry and every entry a button.
    if (m_arrButtons.size() != names.size())
        removeButtons();
    if (m_arrButtons.empty()) {
        const double y = (height - 92) / 2 - 8;
        std::weak_ptr<AutoHorizontalScroll> weak = std::static_pointer_cast<AutoHorizontalScroll>(sharedFromThis());
        for (size_t i = 0; i < names.size(); ++i) {
            const double x = 8 + kPitch * static_cast<double>(i);
            auto mask = ui::View::create<ui::ImageView>(ui::BundleImage::named("bookstore_recommend_bookmask.png"));
            mask->setFrame({x - 8, y - 6, 91, 102});
            mask->setAutoresizingMask(ui::FlexibleRightMargin);
            m_scroll->addSubview(mask);
            m_masks.push_back(mask);
            auto button = genButtonWithFrame({x, y, 74, 92}, m_showPicture ? std::string() : names[i], *m_scroll);
            button->setAutoresizingMask(ui::FlexibleRightMargin);
            button->setTag(static_cast<int>(i));
            button->addTarget(
                [weak](ui::Control& sender) {
                    if (auto self = weak.lock())
                        self->btnClick(static_cast<ui::Button&>(sender));
                },
                ui::ControlEventTouchUpInside);
            m_arrButtons.push_back(button);
        }
    }
    for (size_t i = 0; i < m_arrButtons.size(); ++i)
        dressButton(i);
}

std::shared_ptr<ui::Button> AutoHorizontalScroll::genButtonWithFrame(const gfx::Rect& frame,
                                                                     const std::optional<std::string>& title,
                                                                     ui::View& container) {
    auto button = ui::Button::create();
    button->setFrame(frame);
    container.addSubview(button);
    if (title) {
        button->setTitle(*title);
        button->setTitleColor(gfx::Color::white());
        button->titleLabel().setFont(gfx::Font::systemFont(11));
    }
    return button;
}

void AutoHorizontalScroll::setButtonImageUrls(const std::vector<int64_t>& coverIds) {
    if (!m_showPicture)
        return;
    for (size_t i = 0; i < coverIds.size(); ++i)
        StoreBookCoverDownloader::beginBookCoverDownloading(coverIds[i], coverIds[i], static_cast<int>(i), kCoverTag2);
}

void AutoHorizontalScroll::bookCoverDown(const core::Value& note) {
    if (note["success"].asBool() != true || note["tag2"].asInt() != kCoverTag2 || !m_showPicture)
        return;
    const int64_t index = note["tag"].asInt().value_or(-1);
    if (index < 0 || static_cast<size_t>(index) >= m_arrButtons.size())
        return;
    if (auto image = gfx::Image::fromFile(note["cover"].asString().value_or("")))
        m_arrButtons[static_cast<size_t>(index)]->setBackgroundImage(*image);
}

void AutoHorizontalScroll::enterNoImageMode(bool showPicture) {
    m_showPicture = showPicture;
    for (size_t i = 0; i < m_arrButtons.size() && i < m_arrBookNames.size(); ++i)
        dressButton(i);
}

void AutoHorizontalScroll::startAutoScroll() {
    stopAutoScroll();
    std::weak_ptr<AutoHorizontalScroll> weak = std::static_pointer_cast<AutoHorizontalScroll>(sharedFromThis());
    // The timer holds the carousel only weakly: leaving the screen is enough
    // to stop it.
    m_timer = core::RunLoop::current().scheduleTimer(kInterval, true, [weak](core::Timer& timer) {
        if (auto self = weak.lock())
            self->autoScroll();
        else
            timer.invalidate();
    });
}

void AutoHorizontalScroll::stopAutoScroll() {
    if (m_timer && m_timer->isValid())
        m_timer->invalidate();
    if (m_scroll)
        m_scroll->setContentOffset({0, 0}, false);
}

void AutoHorizontalScroll::autoScroll() {
    if (m_isScrolling || !m_scroll)
        return;
    const double width = m_scroll->bounds().size.width;
    const double content = m_scroll->contentSize().width;
    if (width >= content)
        return;
    const double limit = content - width;
    const gfx::Point now = m_scroll->contentOffset();
    const double next = now.x >= limit ? 0 : std::min(now.x + kStep, limit);
    m_isScrolling = true;
    m_scroll->setContentOffset({next, now.y}, true);
}

void AutoHorizontalScroll::btnClick(ui::Button& button) {
    const int index = button.tag();
    if (index < 0 || static_cast<size_t>(index) >= m_bookIds.size())
        return;
    if (auto d = m_delegate.lock())
        d->autoHorizontalScrollButtonClick(button, index, static_cast<long>(m_bookIds[static_cast<size_t>(index)]));
}

void AutoHorizontalScroll::scrollViewWillBeginDragging(ui::ScrollView&) {
    m_resume.cancel();
    m_isScrolling = true;
}

void AutoHorizontalScroll::scrollViewDidEndDragging(ui::ScrollView&, bool willDecelerate) {
    if (!willDecelerate)
        setNotScrollDelay();
}

void AutoHorizontalScroll::scrollViewDidEndDecelerating(ui::ScrollView&) {
    setNotScrollDelay();
}

void AutoHorizontalScroll::scrollViewDidEndScrollingAnimation(ui::ScrollView&) {
    m_isScrolling = false;
}

void AutoHorizontalScroll::setNotScrollDelay() {
    m_resume.cancel();
    std::weak_ptr<AutoHorizontalScroll> weak = std::static_pointer_cast<AutoHorizontalScroll>(sharedFromThis());
    m_resume = core::RunLoop::current().postAfter(kResumeAfter, [weak] {
        if (auto self = weak.lock())
            self->m_isScrolling = false;
    });
}

} // namespace pw

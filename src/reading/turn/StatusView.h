#pragma once

// The reader's one-line status strip: the book or chapter name, the read
// percentage, the clock and the battery; or, while messages are queued, the first
// of them alone. A queued message leaves the queue at a draw whose count is a
// multiple of 5, so it shows for one to five draws (the reader redraws once a
// second). Messages arrive by the "NSNotificationCenter_ReadPageStatusMessage"
// notification, every value of its payload one message, in key order.

#include "platform/core/DateFormatter.h"
#include "platform/core/Notification.h"
#include "platform/core/ObserverToken.h"
#include "platform/device/Device.h"
#include "platform/gfx/Font.h"
#include "platform/ui/View.h"

#include <deque>
#include <functional>
#include <mutex>
#include <string>

namespace pw {

class StatusView : public ui::View {
public:
    static constexpr const char* kMessageNotification = "NSNotificationCenter_ReadPageStatusMessage";

    struct Battery {
        device::BatteryState state = device::BatteryState::Unknown;
        float level = -1;
    };
    using BatterySource = std::function<Battery()>;

    const std::string& bookName() const { return m_bookName; }
    void setBookName(std::string name) { m_bookName = std::move(name); }
    const std::string& percent() const { return m_percent; }
    void setPercent(std::string percent) { m_percent = std::move(percent); }
    const gfx::Color& fontColor() const { return m_fontColor; }
    void setFontColor(const gfx::Color& c) { m_fontColor = c; }
    // The device's battery unless replaced.
    void setBatterySource(BatterySource source) { m_battery = std::move(source); }

    void handleNotify(const core::Notification& notification);
    std::vector<std::string> queuedMessages() const;
    int64_t drawCount() const { return m_counter; }
    // The empty share of the battery symbol at the last draw.
    float batLeft() const { return m_batLeft; }

    void draw(gfx::Context& ctx, const gfx::Rect& rect) override;

protected:
    explicit StatusView(const gfx::Rect& frame = {});
    friend class ui::View;
    void didCreate() override;

private:
    void drawBattery(gfx::Context& ctx, double x0);

    std::string m_bookName;
    std::string m_percent;
    gfx::Color m_fontColor = gfx::Color::black();
    gfx::Font m_font = gfx::Font::systemFont(10);
    core::DateFormatter m_formatter{"HH:mm"};
    float m_batLeft = 0;
    mutable std::mutex m_queueMutex;
    std::deque<std::string> m_msgQueue;
    int64_t m_counter = 0;
    BatterySource m_battery;
    core::ObserverToken m_observer;
};

} // namespace pw

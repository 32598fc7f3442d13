#include "reading/turn/StatusView.h"

#include "platform/core/Clock.h"
#include "platform/core/NotificationCenter.h"

namespace pw {

StatusView::StatusView(const gfx::Rect& frame) : ui::View(frame) {
    setBackgroundColor(gfx::Color::clear());
    setOpaque(false);
    m_battery = [] {
        auto& d = device::Device::current();
        return Battery{d.batteryState(), d.batteryLevel()};
    };
}

void StatusView::didCreate() {
    std::weak_ptr<ui::View> weak = sharedFromThis();
    m_observer = core::NotificationCenter::defaultCenter().addObserver(
        kMessageNotification, [weak](const core::Notification& n) {
            if (auto self = weak.lock())
                static_cast<StatusView&>(*self).handleNotify(n);
        });
}

void StatusView::handleNotify(const core::Notification& notification) {
    const auto* map = notification.payload.asMap();
    if (!map)
        return;
    std::lock_guard lock(m_queueMutex);
    for (const auto& [key, value] : *map) {
        (void)key;
        if (auto text = value.asString())
            m_msgQueue.push_back(*text);
    }
}

std::vector<std::string> StatusView::queuedMessages() const {
    std::lock_guard lock(m_queueMutex);
    return {m_msgQueue.begin(), m_msgQueue.end()};
}

void StatusView::draw(gfx::Context& ctx, const gfx::Rect& rect) {
    ++m_counter;
    ctx.setFillColor(m_fontColor);
    const double width = bounds().width();
    {
        std::unique_lock lock(m_queueMutex);
        if (!m_msgQueue.empty()) {
            const std::string message = m_msgQueue.front();
            if (m_counter % 5 == 0)
                m_msgQueue.pop_front();
            lock.unlock();
            ctx.drawText(message, gfx::Rect(0, 1, width, bounds().height()), m_font, gfx::LineBreakMode::TruncateTail,
                         gfx::TextAlignment::Center);
            return;
        }
    }
    const double u = rect.width() / 15;
    ctx.drawText(m_bookName, gfx::Rect(5, 0, 8 * u, bounds().height()), m_font, gfx::LineBreakMode::TruncateTail);
    ctx.drawText(m_percent, gfx::Point{9 * u, 0}, m_font);
    ctx.drawText(m_formatter.format(core::Clock::shared().now()), gfx::Point{11 * u, 0}, m_font);
    const Battery battery = m_battery ? m_battery() : Battery{};
    switch (battery.state) {
    case device::BatteryState::Unknown:
        ctx.drawText("电源未知", gfx::Point{width - 45, 0}, m_font);
        return;
    case device::BatteryState::Charging:
        ctx.drawText("正在充电", gfx::Point{width - 45, 0}, m_font);
        return;
    case device::BatteryState::Unplugged:
        m_batLeft = 1 - std::clamp(battery.level, 0.0f, 1.0f);
        break;
    case device::BatteryState::Full:
        m_batLeft = 0;
        break;
    }
    drawBattery(ctx, 14 * u);
}

void StatusView::drawBattery(gfx::Context& ctx, double x0) {
    ctx.setStrokeColor(m_fontColor);
    ctx.setLineWidth(1);
    ctx.beginPath();
    ctx.moveTo({x0, 5});
    ctx.lineTo({x0 + 2, 5});
    ctx.lineTo({x0 + 2, 3});
    ctx.lineTo({x0 + 16, 3});
    ctx.lineTo({x0 + 16, 11});
    ctx.lineTo({x0 + 2, 11});
    ctx.lineTo({x0 + 2, 9});
    ctx.lineTo({x0, 9});
    ctx.closePath();
    ctx.strokePath();
    // The charge fills the body from its right end.
    ctx.setFillColor(m_fontColor);
    ctx.fillRect({x0 + 4 + m_batLeft * 10, 5, 10 * (1 - m_batLeft), 4});
}

} // namespace pw

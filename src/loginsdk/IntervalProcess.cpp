#include "loginsdk/IntervalProcess.h"

#include "platform/core/RunLoop.h"
#include "platform/core/Timer.h"

namespace pw {

IntervalProcess::~IntervalProcess() {
    stopProcess();
}

bool IntervalProcess::startIntervalWith(int count, Block block) {
    if (m_timer)
        return false;
    m_counter = count;
    m_block = std::move(block);
    m_timer = core::RunLoop::current().scheduleTimer(1.0, true, [this](core::Timer&) { interval(); });
    m_counter -= 1;
    return true;
}

void IntervalProcess::interval() {
    m_counter -= 1;
    if (m_counter < 0)
        m_counter = 0; // a count below 2 would otherwise never reach 0
    if (m_block)
        m_block(m_counter);
    if (m_counter == 0 && m_timer) {
        m_timer->invalidate();
        m_timer.reset();
    }
}

bool IntervalProcess::stopProcess() {
    if (!m_timer)
        return false;
    m_timer->invalidate();
    m_timer.reset();
    return true;
}

} // namespace pw

#include "platform/core/MainPostBatch.h"

#include "platform/core/RunLoop.h"

namespace pw::core {

namespace {
thread_local MainPostBatch* t_open = nullptr;
} // namespace

MainPostBatch::MainPostBatch() {
    if (!t_open) {
        t_open = this;
        m_outermost = true;
    }
}

MainPostBatch::~MainPostBatch() {
    if (!m_outermost)
        return;
    flush();
    t_open = nullptr;
}

void MainPostBatch::flush() {
    if (m_held.empty())
        return;
    std::vector<std::function<void()>> calls;
    calls.swap(m_held);
    RunLoop::postOnMain(std::move(calls));
}

bool MainPostBatch::hold(std::function<void()>& fn) {
    if (!t_open)
        return false;
    t_open->m_held.push_back(std::move(fn));
    return true;
}

void MainPostBatch::flushCurrent() {
    if (t_open)
        t_open->flush();
}

} // namespace pw::core

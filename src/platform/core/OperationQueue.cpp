#include "platform/core/OperationQueue.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace pw::core {

namespace {

// Threads a queue without a width limit may use for plain operations.
constexpr std::size_t kMaxWorkers = 64;

} // namespace

struct OperationQueue::State : std::enable_shared_from_this<OperationQueue::State> {
    std::mutex mutex;
    std::condition_variable workCv;                  // workers wait here for something to start
    std::condition_variable idleCv;                  // waitUntilAllOperationsAreFinished waits here
    std::vector<std::shared_ptr<Operation>> pending; // in order of adding
    std::vector<std::shared_ptr<Operation>> active;  // started, not finished
    std::deque<std::shared_ptr<Operation>> toStart;  // chosen, waiting for a worker
    // Chosen asynchronous operations: their start() only hands work off, so
    // whoever chose them starts them once the lock is released, sparing a
    // worker thread the wake-up.
    std::vector<std::shared_ptr<Operation>> startHere;
    std::vector<std::thread> workers;
    std::size_t idleWorkers{0};
    int maxConcurrent{kDefaultMaxConcurrent};
    bool suspended{false};
    bool shuttingDown{false};

    std::size_t width() const { return maxConcurrent < 0 ? kMaxWorkers : static_cast<std::size_t>(maxConcurrent); }

    // Moves ready operations to the start list while there is room. Called
    // with the mutex held.
    void pumpLocked() {
        while (!suspended && !shuttingDown && active.size() < width()) {
            auto best = pending.end();
            for (auto it = pending.begin(); it != pending.end(); ++it) {
                if (!(*it)->isReady())
                    continue;
                if (best == pending.end() || (*it)->queuePriority() > (*best)->queuePriority())
                    best = it;
            }
            if (best == pending.end())
                return;
            auto op = std::move(*best);
            pending.erase(best);
            active.push_back(op);
            if (op->isAsynchronous()) {
                startHere.push_back(std::move(op));
                continue;
            }
            toStart.push_back(std::move(op));
            if (idleWorkers < toStart.size() && workers.size() < std::max<std::size_t>(width(), 1) &&
                workers.size() < kMaxWorkers) {
                auto self = shared_from_this();
                workers.emplace_back([self] { self->workerLoop(); });
            }
            workCv.notify_one();
        }
    }

    void workerLoop() {
        std::unique_lock lock(mutex);
        for (;;) {
            ++idleWorkers;
            workCv.wait(lock, [this] { return shuttingDown || !toStart.empty(); });
            --idleWorkers;
            if (toStart.empty() && shuttingDown)
                return;
            auto op = std::move(toStart.front());
            toStart.pop_front();
            lock.unlock();
            op->start();
            op.reset();
            lock.lock();
        }
    }

    void finished(Operation* op) {
        std::vector<std::shared_ptr<Operation>> chosen;
        {
            std::lock_guard lock(mutex);
            auto it = std::find_if(active.begin(), active.end(), [op](const auto& a) { return a.get() == op; });
            if (it != active.end())
                active.erase(it);
            pumpLocked();
            chosen.swap(startHere);
            if (pending.empty() && active.empty())
                idleCv.notify_all();
        }
        startAll(chosen);
    }

    void recheck() {
        std::vector<std::shared_ptr<Operation>> chosen;
        {
            std::lock_guard lock(mutex);
            pumpLocked();
            chosen.swap(startHere);
        }
        startAll(chosen);
    }

    // Called with the lock released. A start that ends its operation at once
    // (a cancelled one) lets the next one go from inside this loop: those are
    // appended to the loop, not started from deeper down, so a long queue of
    // cancelled operations never grows the stack.
    static void startAll(std::vector<std::shared_ptr<Operation>>& chosen) {
        thread_local std::vector<std::shared_ptr<Operation>>* t_starting = nullptr;
        if (chosen.empty())
            return;
        if (t_starting) {
            t_starting->insert(t_starting->end(), std::make_move_iterator(chosen.begin()),
                               std::make_move_iterator(chosen.end()));
            chosen.clear();
            return;
        }
        std::vector<std::shared_ptr<Operation>> list;
        list.swap(chosen);
        t_starting = &list;
        for (size_t i = 0; i < list.size(); ++i) {
            auto op = list[i];
            op->start();
        }
        t_starting = nullptr;
    }
};

OperationQueue::OperationQueue(int maxConcurrent, std::string name)
    : m_state(std::make_shared<State>()), m_name(std::move(name)) {
    m_state->maxConcurrent = maxConcurrent;
}

OperationQueue::~OperationQueue() {
    std::vector<std::shared_ptr<Operation>> unstarted;
    std::vector<std::thread> workers;
    {
        std::lock_guard lock(m_state->mutex);
        unstarted.swap(m_state->pending);
        for (auto& op : m_state->toStart)
            unstarted.push_back(op);
        m_state->toStart.clear();
        m_state->shuttingDown = true;
        workers.swap(m_state->workers);
    }
    m_state->workCv.notify_all();
    // Operations that never started finish cancelled, so nobody waits on
    // them forever; running plain operations are waited for by joining.
    for (auto& op : unstarted) {
        op->cancel();
        op->start();
    }
    for (auto& t : workers)
        t.join();
}

OperationQueue& OperationQueue::shared() {
    // Never destroyed: work may still be under way while the process exits.
    static OperationQueue* queue = new OperationQueue(1, "shared");
    return *queue;
}

void OperationQueue::addOperation(std::shared_ptr<Operation> op) {
    if (!op)
        return;
    {
        std::lock_guard opLock(op->m_mutex);
        if (op->m_queued || op->m_finished || op->m_executing)
            return;
        op->m_queued = true;
    }
    std::weak_ptr<State> weak = m_state;
    Operation* raw = op.get();
    op->whenFinished([weak, raw] {
        if (auto state = weak.lock())
            state->finished(raw);
    });
    // A dependency that finishes elsewhere (another queue, or started by
    // hand) must make this queue look again.
    for (const auto& dep : op->dependencies()) {
        dep->whenFinished([weak] {
            if (auto state = weak.lock())
                state->recheck();
        });
    }
    std::vector<std::shared_ptr<Operation>> chosen;
    {
        std::lock_guard lock(m_state->mutex);
        if (m_state->shuttingDown)
            return;
        m_state->pending.push_back(std::move(op));
        m_state->pumpLocked();
        chosen.swap(m_state->startHere);
    }
    State::startAll(chosen);
}

std::shared_ptr<Operation> OperationQueue::addOperation(std::function<void()> fn) {
    auto op = Operation::create(std::move(fn));
    addOperation(op);
    return op;
}

void OperationQueue::setMaxConcurrentOperationCount(int count) {
    {
        std::lock_guard lock(m_state->mutex);
        m_state->maxConcurrent = count == 0 ? 1 : count;
    }
    m_state->recheck();
}

int OperationQueue::maxConcurrentOperationCount() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->maxConcurrent;
}

void OperationQueue::cancelAllOperations() {
    std::vector<std::shared_ptr<Operation>> all;
    {
        std::lock_guard lock(m_state->mutex);
        all = m_state->pending;
        all.insert(all.end(), m_state->active.begin(), m_state->active.end());
    }
    for (auto& op : all)
        op->cancel();
    // Cancelled operations are ready at once, whatever they waited for.
    m_state->recheck();
}

void OperationQueue::setSuspended(bool suspended) {
    {
        std::lock_guard lock(m_state->mutex);
        m_state->suspended = suspended;
    }
    m_state->recheck();
}

bool OperationQueue::isSuspended() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->suspended;
}

void OperationQueue::waitUntilAllOperationsAreFinished() {
    std::unique_lock lock(m_state->mutex);
    m_state->idleCv.wait(lock, [this] { return m_state->pending.empty() && m_state->active.empty(); });
}

std::size_t OperationQueue::operationCount() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->pending.size() + m_state->active.size();
}

std::vector<std::shared_ptr<Operation>> OperationQueue::operations() const {
    std::lock_guard lock(m_state->mutex);
    std::vector<std::shared_ptr<Operation>> all = m_state->active;
    all.insert(all.end(), m_state->pending.begin(), m_state->pending.end());
    return all;
}

const std::string& OperationQueue::name() const {
    return m_name;
}

} // namespace pw::core

#include "platform/core/Operation.h"

#include <algorithm>

namespace pw::core {

namespace {

class FunctionOperation final : public Operation {
public:
    explicit FunctionOperation(std::function<void()> fn) : m_body(std::move(fn)) {}

protected:
    void main() override {
        if (m_body)
            m_body();
    }

private:
    std::function<void()> m_body{};
};

} // namespace

std::shared_ptr<Operation> Operation::create(std::function<void()> fn) {
    return std::make_shared<FunctionOperation>(std::move(fn));
}

Operation::~Operation() = default;

void Operation::cancel() {
    std::lock_guard lock(m_mutex);
    m_cancelled = true;
}

bool Operation::isCancelled() const {
    std::lock_guard lock(m_mutex);
    return m_cancelled;
}

bool Operation::isExecuting() const {
    std::lock_guard lock(m_mutex);
    return m_executing;
}

bool Operation::isFinished() const {
    std::lock_guard lock(m_mutex);
    return m_finished;
}

bool Operation::isReady() const {
    std::vector<std::shared_ptr<Operation>> deps;
    {
        std::lock_guard lock(m_mutex);
        if (m_cancelled)
            return true;
        deps = m_dependencies;
    }
    return std::all_of(deps.begin(), deps.end(), [](const auto& d) { return d->isFinished(); });
}

void Operation::addDependency(const std::shared_ptr<Operation>& dep) {
    if (!dep || dep.get() == this)
        return;
    std::lock_guard lock(m_mutex);
    if (std::find(m_dependencies.begin(), m_dependencies.end(), dep) == m_dependencies.end())
        m_dependencies.push_back(dep);
}

void Operation::removeDependency(const std::shared_ptr<Operation>& dep) {
    std::lock_guard lock(m_mutex);
    m_dependencies.erase(std::remove(m_dependencies.begin(), m_dependencies.end(), dep), m_dependencies.end());
}

std::vector<std::shared_ptr<Operation>> Operation::dependencies() const {
    std::lock_guard lock(m_mutex);
    return m_dependencies;
}

void Operation::setQueuePriority(Priority priority) {
    std::lock_guard lock(m_mutex);
    m_priority = priority;
}

Operation::Priority Operation::queuePriority() const {
    std::lock_guard lock(m_mutex);
    return m_priority;
}

void Operation::setCompletion(std::function<void()> completion) {
    std::lock_guard lock(m_mutex);
    m_completion = std::move(completion);
}

void Operation::waitUntilFinished() {
    std::unique_lock lock(m_mutex);
    m_finishedCv.wait(lock, [this] { return m_settled; });
}

void Operation::start() {
    {
        std::lock_guard lock(m_mutex);
        if (m_finished || m_executing)
            return;
        if (!m_cancelled)
            m_executing = true;
    }
    if (isExecuting())
        main();
    finish();
}

void Operation::main() {}

void Operation::setExecuting() {
    std::lock_guard lock(m_mutex);
    if (!m_finished)
        m_executing = true;
}

void Operation::finish() {
    // Keep the operation alive while its waiters and queue hear of the end;
    // the last owner may be the queue that forgets it below.
    std::shared_ptr<Operation> self = weak_from_this().lock();
    std::function<void()> completion;
    std::vector<std::function<void()>> onFinish;
    {
        std::lock_guard lock(m_mutex);
        if (m_finished)
            return;
        m_finished = true;
        m_executing = false;
        completion = std::move(m_completion);
        m_completion = nullptr;
        onFinish.swap(m_onFinish);
    }
    if (completion)
        completion();
    for (auto& fn : onFinish)
        fn();
    {
        std::lock_guard lock(m_mutex);
        m_settled = true;
    }
    m_finishedCv.notify_all();
}

void Operation::whenFinished(std::function<void()> fn) {
    {
        std::lock_guard lock(m_mutex);
        if (!m_finished) {
            m_onFinish.push_back(std::move(fn));
            return;
        }
    }
    fn();
}

} // namespace pw::core

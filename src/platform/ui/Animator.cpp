#include "platform/ui/Animator.h"

#include "platform/core/Clock.h"
#include "platform/ui/Layer.h"

#include <algorithm>

namespace pw::ui {

struct Animator::Block {
    BlockAnimationOptions options;
    std::function<void(bool)> completion;
    int pending = 0;
    bool allFinished = true;
    bool closed = false;
    bool done = false;

    void finishIfDone(const std::shared_ptr<Block>& self) {
        if (!closed || pending > 0 || done)
            return;
        done = true;
        if (completion) {
            auto fn = std::move(self->completion);
            fn(allFinished);
        }
    }
};

Animator& Animator::shared() {
    static Animator animator;
    return animator;
}

double Animator::now() const {
    return m_frameDepth > 0 ? m_frameTime : core::Clock::shared().monotonic();
}

void Animator::beginFrame(double time) {
    if (m_frameDepth++ == 0)
        m_frameTime = time;
}

void Animator::endFrame() {
    if (m_frameDepth > 0)
        --m_frameDepth;
}

void Animator::beginBlock(const BlockAnimationOptions& options, std::function<void(bool)> completion) {
    auto b = std::make_shared<Block>();
    b->options = options;
    b->completion = std::move(completion);
    m_blocks.push_back(std::move(b));
}

void Animator::endBlock() {
    if (m_blocks.empty())
        return;
    auto b = m_blocks.back();
    m_blocks.pop_back();
    b->closed = true;
    if (b->pending == 0) {
        // Nothing was animated: the completion still runs, a turn later, as finished.
        b->done = true;
        if (b->completion) {
            auto fn = std::move(b->completion);
            post([fn = std::move(fn)] { fn(true); });
        }
    }
}

Animator::Block* Animator::currentBlock() const {
    if (m_suppressed > 0 || m_blocks.empty())
        return nullptr;
    return m_blocks.back().get();
}

BlockAnimationOptions* Animator::openBlockOptions() {
    return m_blocks.empty() ? nullptr : &m_blocks.back()->options;
}

void Animator::setOpenBlockCompletion(std::function<void(bool)> completion) {
    if (!m_blocks.empty())
        m_blocks.back()->completion = std::move(completion);
}

const BlockAnimationOptions& Animator::blockOptions(const Block& b) const {
    return b.options;
}

std::function<void(bool)> Animator::blockMember(Block& b) {
    std::shared_ptr<Block> self;
    for (auto& s : m_blocks)
        if (s.get() == &b)
            self = s;
    if (!self)
        return {};
    ++self->pending;
    return [self](bool finished) {
        --self->pending;
        self->allFinished = self->allFinished && finished;
        self->finishIfDone(self);
    };
}

void Animator::beginSuppressed() {
    ++m_suppressed;
}
void Animator::endSuppressed() {
    m_suppressed = std::max(0, m_suppressed - 1);
}

void Animator::transactionBegin() {
    m_transactions.push_back(m_transactions.empty() ? Txn{} : m_transactions.back());
}

void Animator::transactionCommit() {
    if (!m_transactions.empty())
        m_transactions.pop_back();
}

bool Animator::disableActions() const {
    return !m_transactions.empty() && m_transactions.back().disableActions;
}

void Animator::setDisableActions(bool d) {
    if (m_transactions.empty())
        return; // outside a transaction the setting would leak into every later change
    m_transactions.back().disableActions = d;
}

double Animator::transactionDuration() const {
    return m_transactions.empty() ? 0.25 : m_transactions.back().duration;
}

void Animator::setTransactionDuration(double d) {
    if (!m_transactions.empty())
        m_transactions.back().duration = d;
}

void Animator::registerLayer(Layer* layer) {
    const bool wasActive = isActive();
    m_layers.insert(layer);
    if (!wasActive)
        wake();
}

void Animator::unregisterLayer(Layer* layer) {
    m_layers.erase(layer);
}

uint64_t Animator::addTicker(Ticker ticker) {
    const bool wasActive = isActive();
    const uint64_t id = m_nextTicker++;
    m_tickers.push_back({id, std::move(ticker)});
    if (!wasActive)
        wake();
    return id;
}

void Animator::removeTicker(uint64_t id) {
    for (auto& t : m_tickers)
        if (t.id == id)
            t.fn = nullptr;
}

void Animator::post(std::function<void()> fn) {
    const bool wasActive = isActive();
    m_posted.push_back(std::move(fn));
    if (!wasActive)
        wake();
}

void Animator::tick() {
    const double t = now();
    std::vector<Layer*> layers(m_layers.begin(), m_layers.end());
    for (Layer* l : layers) {
        if (m_layers.count(l))
            l->tickAnimations(t);
    }
    const size_t count = m_tickers.size();
    for (size_t i = 0; i < count && i < m_tickers.size(); ++i) {
        if (!m_tickers[i].fn)
            continue;
        auto fn = m_tickers[i].fn; // a ticker may add or remove tickers
        if (!fn(t) && i < m_tickers.size())
            m_tickers[i].fn = nullptr;
    }
    m_tickers.erase(std::remove_if(m_tickers.begin(), m_tickers.end(), [](const TickerEntry& e) { return !e.fn; }),
                    m_tickers.end());
    auto posted = std::move(m_posted);
    m_posted.clear();
    for (auto& fn : posted)
        fn();
}

bool Animator::isActive() const {
    if (!m_layers.empty() || !m_posted.empty())
        return true;
    return std::any_of(m_tickers.begin(), m_tickers.end(), [](const TickerEntry& e) { return bool(e.fn); });
}

void Animator::wake() {
    if (m_wake)
        m_wake();
}

} // namespace pw::ui

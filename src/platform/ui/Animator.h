#pragma once
// The one engine that advances every running animation on the main thread.
// Layers with animations and per-frame tickers (deceleration, spinners) register
// here; `tick` moves them to the shared clock's time. The application drives
// `tick` from a run-loop timer while anything runs, so a manual clock drives it
// in tests.
#include "platform/ui/AnimationValue.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <vector>

namespace pw::ui {

class Layer;

struct BlockAnimationOptions {
    double duration = 0.2;
    double delay = 0;
    TimingFunction curve = TimingFunction::EaseInOut;
    double repeatCount = 1;
    bool autoreverses = false;
    bool allowUserInteraction = false;
};

class Animator {
public:
    static Animator& shared();

    // The clock's time, or while a frame is drawn the frame's one time: every
    // animated value of a frame, and the area marked for it, are read at it.
    double now() const;
    void beginFrame(double time);
    void endFrame();
    bool inFrame() const { return m_frameDepth > 0; }

    // --- view animation blocks ---
    struct Block;
    void beginBlock(const BlockAnimationOptions& options, std::function<void(bool finished)> completion);
    void endBlock();
    // The innermost open block, or null.
    Block* currentBlock() const;
    const BlockAnimationOptions& blockOptions(const Block& b) const;
    // The options and completion of the innermost open block (begin/commit style).
    BlockAnimationOptions* openBlockOptions();
    void setOpenBlockCompletion(std::function<void(bool finished)> completion);
    // An animation made by a block reports its end here.
    std::function<void(bool)> blockMember(Block& b);
    // Inside `performWithoutAnimation` property changes jump.
    void beginSuppressed();
    void endSuppressed();

    // --- transactions ---
    void transactionBegin();
    void transactionCommit();
    bool disableActions() const;
    void setDisableActions(bool d);
    double transactionDuration() const;
    void setTransactionDuration(double d);

    // --- registry ---
    void registerLayer(Layer* layer);
    void unregisterLayer(Layer* layer);

    // A function called on every tick until it returns false.
    using Ticker = std::function<bool(double now)>;
    uint64_t addTicker(Ticker ticker);
    void removeTicker(uint64_t id);

    // Work to run at the next tick (completions of blocks that animated nothing).
    void post(std::function<void()> fn);

    void tick();
    bool isActive() const;
    // Layers whose animations run (their place changes with the time).
    const std::set<Layer*>& animatedLayers() const { return m_layers; }
    // Called when the engine goes from idle to active, so its driver can start.
    void setWakeHandler(std::function<void()> wake) { m_wake = std::move(wake); }
    // Layers with running animations, or a ticker, that count as interaction-blocking.
    bool blocksInteraction() const { return m_blockingInteraction > 0; }

private:
    Animator() = default;
    void wake();

    std::vector<std::shared_ptr<Block>> m_blocks;
    int m_suppressed = 0;
    struct Txn {
        bool disableActions = false;
        double duration = 0.25;
    };
    std::vector<Txn> m_transactions;
    std::set<Layer*> m_layers;
    struct TickerEntry {
        uint64_t id;
        Ticker fn;
    };
    std::vector<TickerEntry> m_tickers;
    uint64_t m_nextTicker = 1;
    std::vector<std::function<void()>> m_posted;
    std::function<void()> m_wake;
    int m_blockingInteraction = 0;
    double m_frameTime = 0;
    int m_frameDepth = 0;
    friend struct Block;
};

} // namespace pw::ui

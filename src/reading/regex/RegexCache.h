#pragma once

#include "platform/core/ObserverToken.h"
#include "reading/regex/RegexError.h"
#include "reading/regex/RegexException.h"
#include "reading/regex/TextRange.h"

#include <array>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

struct URegularExpression;

namespace pw {

// The process-wide store behind the regular-expression operations: compiled
// patterns in 13 sets of 4 slots (least recently used slot of a set is
// reused), each slot able to stay pointed at the text it searched last, so a
// search repeated over the same text neither recompiles nor resets ICU.
// Everything in it is touched only with `lock()` held.
class RegexCache {
public:
    static constexpr int kSets = 13;
    static constexpr int kSlotsPerSet = 4;
    static constexpr int kSlots = kSets * kSlotsPerSet;
    static constexpr int kLookaside = 64;

    struct Slot {
        std::u16string pattern;
        uint32_t patternHash = 0;
        uint32_t options = 0;
        URegularExpression* regex = nullptr;
        int32_t captureCount = -1;
        // The text the pattern is pointed at (not owned: callers keep it alive
        // for the duration of one operation; it is re-validated every time).
        const char16_t* subject = nullptr;
        size_t subjectHash = 0;
        uint64_t subjectLength = 0;
        TextRange subjectRange = TextRange::notFound();
        TextRange lastSearchRange = TextRange::notFound();
        TextRange lastMatch = TextRange::notFound();
    };

    // Posted by the application when memory runs low; the store then empties.
    static constexpr const char* kMemoryWarningNotification = "UIApplicationDidReceiveMemoryWarningNotification";

    static RegexCache& shared();

    RegexCache() = default;
    ~RegexCache();
    RegexCache(const RegexCache&) = delete;
    RegexCache& operator=(const RegexCache&) = delete;

    std::mutex& lock() { return m_lock; }

    // Under the lock. The compiled slot for (pattern, options), or null when
    // the pattern does not compile (then `error` gets the parse error).
    Slot* getCachedRegex(std::u16string_view pattern, uint32_t options, RegexError* error,
                         std::optional<RegexException>& held);
    // Under the lock. The slot pointed at `range` of `subject` (range already
    // checked against the subject's length).
    Slot* getCachedRegexSetToString(std::u16string_view pattern, uint32_t options, std::u16string_view subject,
                                    TextRange range, RegexError* error, std::optional<RegexException>& held);
    // Under the lock. The next match inside `searchRange` (string positions);
    // with `advance` the range moves past it (one further after an empty match).
    TextRange search(Slot& slot, TextRange& searchRange, bool advance, int32_t& icuStatus);
    static void detach(Slot& slot);

    // Each takes the lock itself.
    void clearStringCache();
    void flushCachedRegexData(std::u16string_view text);
    // Empties the store when the lock is free right now; false when it is busy
    // (the caller tries again a little later).
    bool lowMemoryWarning();
    // The memory-warning observer: empties the store now, or tries again
    // 0.1 s later on the calling thread's run loop while the lock is busy.
    void handleMemoryWarning();

    // For inspection: the slot number holding (pattern, options), or -1.
    int slotIndexOf(std::u16string_view pattern, uint32_t options);
    static int setIndexFor(std::u16string_view pattern, uint32_t options);
    static uint32_t patternHash(std::u16string_view pattern);
    // Cheap by design: a text changed in place with the same length must be
    // flushed by its owner (flushCachedRegexData).
    static size_t subjectHash(std::u16string_view text);

private:
    void clearSlot(Slot& slot);
    void clearAllLocked();
    void touch(int slotIndex);
    int leastRecentlyUsed(int set) const;
    static int lookasideIndex(const void* identity, uint32_t options);

    std::mutex m_lock;
    std::array<Slot, kSlots> m_slots{};
    std::array<uint16_t, kSets> m_setOrder{};
    std::array<uint8_t, kLookaside> m_lookaside{};
    Slot* m_lastUsed = nullptr;
    const void* m_lastUsedIdentity = nullptr;
    core::ObserverToken m_memoryWarningObserver;
};

} // namespace pw

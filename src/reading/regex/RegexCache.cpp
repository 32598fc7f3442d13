#include "reading/regex/RegexCache.h"

#include "platform/core/NotificationCenter.h"
#include "platform/core/RunLoop.h"

#include <unicode/uregex.h>

#include <climits>
#include <functional>

namespace pw {

namespace {
const UChar kEmptyText[1] = {0};
}

RegexCache& RegexCache::shared() {
    static RegexCache& cache = []() -> RegexCache& {
        // The center is made first so that it outlives the cache's observer.
        core::NotificationCenter& center = core::NotificationCenter::defaultCenter();
        static RegexCache store;
        store.m_memoryWarningObserver = center.addObserver(
            kMemoryWarningNotification, [](const core::Notification&) { RegexCache::shared().handleMemoryWarning(); });
        return store;
    }();
    return cache;
}

void RegexCache::handleMemoryWarning() {
    if (lowMemoryWarning())
        return;
    core::RunLoop::current().postAfter(0.1, [] { RegexCache::shared().handleMemoryWarning(); });
}

RegexCache::~RegexCache() {
    for (auto& slot : m_slots)
        clearSlot(slot);
}

uint32_t RegexCache::patternHash(std::u16string_view pattern) {
    uint32_t h = 2166136261u;
    for (char16_t c : pattern) {
        h ^= static_cast<uint32_t>(c);
        h *= 16777619u;
    }
    return h;
}

// Like the platform's string hash: the length and at most 96 units (the
// first, middle and last 32), so checking a long text again stays cheap.
size_t RegexCache::subjectHash(std::u16string_view text) {
    constexpr size_t kPart = 32;
    if (text.size() <= 3 * kPart)
        return std::hash<std::u16string_view>{}(text) ^ text.size();
    const size_t middle = text.size() / 2 - kPart / 2;
    size_t h = text.size();
    for (std::u16string_view part :
         {text.substr(0, kPart), text.substr(middle, kPart), text.substr(text.size() - kPart)})
        h = h * 1000003u ^ std::hash<std::u16string_view>{}(part);
    return h;
}

int RegexCache::setIndexFor(std::u16string_view pattern, uint32_t options) {
    return static_cast<int>((patternHash(pattern) ^ options) % kSets);
}

int RegexCache::lookasideIndex(const void* identity, uint32_t options) {
    const auto address = reinterpret_cast<uintptr_t>(identity);
    return static_cast<int>((options + (options >> 4) + (address >> 4)) % kLookaside);
}

void RegexCache::detach(Slot& slot) {
    if (slot.regex && slot.subject) {
        UErrorCode status = U_ZERO_ERROR;
        uregex_setText(slot.regex, kEmptyText, 0, &status);
    }
    slot.subject = nullptr;
    slot.subjectHash = 0;
    slot.subjectLength = 0;
    slot.subjectRange = TextRange::notFound();
    slot.lastSearchRange = TextRange::notFound();
    slot.lastMatch = TextRange::notFound();
}

void RegexCache::clearSlot(Slot& slot) {
    detach(slot);
    if (m_lastUsed == &slot)
        m_lastUsed = nullptr;
    if (slot.regex)
        uregex_close(slot.regex);
    slot.regex = nullptr;
    slot.captureCount = -1;
    slot.pattern.clear();
    slot.patternHash = 0;
    slot.options = 0;
}

// One nibble per slot: using slot k fills nibble k and clears bit (3 - k) of
// every nibble, so the slot with an all-zero nibble is the oldest.
void RegexCache::touch(int slotIndex) {
    const int set = slotIndex / kSlotsPerSet;
    const int k = slotIndex % kSlotsPerSet;
    uint16_t order = m_setOrder[set];
    order |= static_cast<uint16_t>(0xF << (4 * k));
    const uint16_t clear = static_cast<uint16_t>(0x1111u << (3 - k));
    order &= static_cast<uint16_t>(~clear);
    m_setOrder[set] = order;
}

int RegexCache::leastRecentlyUsed(int set) const {
    const uint16_t order = m_setOrder[set];
    for (int k = kSlotsPerSet - 1; k >= 0; --k)
        if (((order >> (4 * k)) & 0xF) == 0)
            return set * kSlotsPerSet + k;
    return set * kSlotsPerSet + kSlotsPerSet - 1;
}

RegexCache::Slot* RegexCache::getCachedRegex(std::u16string_view pattern, uint32_t options, RegexError* error,
                                             std::optional<RegexException>& held) {
    const void* identity = pattern.data();
    if (m_lastUsed && m_lastUsed->regex && m_lastUsedIdentity == identity && m_lastUsed->options == options &&
        m_lastUsed->pattern == pattern)
        return m_lastUsed;
    m_lastUsed = nullptr;

    const int look = lookasideIndex(identity, options);
    int hit = -1;
    {
        Slot& s = m_slots[m_lookaside[look]];
        if (s.regex && s.options == options && s.pattern == pattern)
            hit = m_lookaside[look];
    }
    uint32_t hash = 0;
    int set = 0;
    if (hit < 0) {
        hash = patternHash(pattern);
        set = static_cast<int>((hash ^ options) % kSets);
        for (int k = 0; k < kSlotsPerSet; ++k) {
            Slot& s = m_slots[set * kSlotsPerSet + k];
            if (s.regex && s.patternHash == hash && s.options == options && s.pattern == pattern) {
                hit = set * kSlotsPerSet + k;
                break;
            }
        }
    }
    if (hit >= 0) {
        m_lastUsed = &m_slots[hit];
        m_lastUsedIdentity = identity;
        m_lookaside[look] = static_cast<uint8_t>(hit);
        touch(hit);
        return m_lastUsed;
    }

    if (pattern.size() >= static_cast<size_t>(INT_MAX)) {
        held.emplace(RegexException::kRange, "Regex string length exceeds INT_MAX");
        return nullptr;
    }

    const int index = leastRecentlyUsed(set);
    Slot& slot = m_slots[index];
    clearSlot(slot);
    slot.pattern.assign(pattern);
    slot.patternHash = hash;
    slot.options = options;

    UParseError parseError{};
    parseError.line = -1;
    parseError.offset = -1;
    UErrorCode status = U_ZERO_ERROR;
    slot.regex = uregex_open(reinterpret_cast<const UChar*>(slot.pattern.data()),
                             static_cast<int32_t>(slot.pattern.size()), options, &parseError, &status);
    if (U_SUCCESS(status) && slot.regex)
        slot.captureCount = uregex_groupCount(slot.regex, &status);
    if (U_FAILURE(status) || !slot.regex) {
        if (error) {
            RegexError::ParsePosition position;
            position.line = parseError.line;
            position.offset = parseError.offset;
            position.preContext = reinterpret_cast<const char16_t*>(parseError.preContext);
            position.postContext = reinterpret_cast<const char16_t*>(parseError.postContext);
            const std::u16string patternCopy(pattern);
            *error = RegexError::make(status, "There was an error compiling the regular expression.",
                                      RegexError::makeUserInfo(&patternCopy, options, status, &position));
        }
        clearSlot(slot);
        m_lastUsed = nullptr;
        return nullptr;
    }
    m_lastUsed = &slot;
    m_lastUsedIdentity = identity;
    m_lookaside[look] = static_cast<uint8_t>(index);
    touch(index);
    return &slot;
}

RegexCache::Slot* RegexCache::getCachedRegexSetToString(std::u16string_view pattern, uint32_t options,
                                                        std::u16string_view subject, TextRange range, RegexError* error,
                                                        std::optional<RegexException>& held) {
    Slot* slot = getCachedRegex(pattern, options, error, held);
    if (!slot)
        return nullptr;
    // The hash is taken anew every time: a text changed in place since the
    // last search must not be matched through stale state.
    const size_t hash = subjectHash(subject);
    if (slot->subject != subject.data() || slot->subjectLength != subject.size() || slot->subjectHash != hash) {
        detach(*slot);
        slot->subject = subject.data();
        slot->subjectLength = subject.size();
        slot->subjectHash = hash;
    }
    // The text is not owned: another text may live at the same address now,
    // so a match remembered by an earlier call is never trusted again. ICU
    // reads the characters where they are, so pointing it at the same
    // address and range again is not needed.
    slot->lastSearchRange = TextRange::notFound();
    slot->lastMatch = TextRange::notFound();
    if (range.location > subject.size() || range.length > subject.size() - range.location)
        return slot; // the caller reports the range
    if (slot->subjectRange == range) {
        UErrorCode status = U_ZERO_ERROR;
        uregex_reset(slot->regex, 0, &status);
        return slot;
    }
    slot->subjectRange = range;
    UErrorCode status = U_ZERO_ERROR;
    const UChar* text = subject.empty() ? kEmptyText : reinterpret_cast<const UChar*>(subject.data()) + range.location;
    uregex_setText(slot->regex, text, static_cast<int32_t>(range.length), &status);
    if (U_FAILURE(status)) {
        detach(*slot);
        held.emplace(RegexException::kInternalInconsistency, "Failed to set up UTF16 buffer.");
        return nullptr;
    }
    return slot;
}

TextRange RegexCache::search(Slot& slot, TextRange& searchRange, bool advance, int32_t& icuStatus) {
    TextRange match = TextRange::notFound();
    const TextRange& subjectRange = slot.subjectRange;
    if (searchRange == slot.lastSearchRange && slot.lastMatch.found() && slot.lastMatch.length > 0) {
        match = slot.lastMatch;
    } else {
        slot.lastSearchRange = searchRange;
        UErrorCode status = U_ZERO_ERROR;
        bool found = false;
        const TextRange last = slot.lastMatch;
        const bool continues =
            last.found() &&
            ((last.length > 0 && searchRange.location == last.end()) ||
             (last.length == 0 && searchRange.location == last.end() + 1 && last.end() < subjectRange.end()));
        if (searchRange.location > subjectRange.end() || searchRange.location < subjectRange.location) {
            found = false;
        } else if (continues) {
            found = uregex_findNext(slot.regex, &status);
        } else {
            found =
                uregex_find(slot.regex, static_cast<int32_t>(searchRange.location - subjectRange.location), &status);
        }
        if (found && U_SUCCESS(status)) {
            const int32_t start = uregex_start(slot.regex, 0, &status);
            const int32_t end = uregex_end(slot.regex, 0, &status);
            if (U_SUCCESS(status)) {
                match = {subjectRange.location + static_cast<uint64_t>(start), static_cast<uint64_t>(end - start)};
                // A match past the search range (ICU sees the whole subject
                // range) does not count.
                if (match.end() > searchRange.end())
                    match = TextRange::notFound();
            }
        }
        if (U_FAILURE(status))
            icuStatus = status;
        slot.lastMatch = match;
        if (!match.found())
            slot.lastSearchRange = TextRange::notFound();
    }
    if (advance) {
        const uint64_t rangeEnd = searchRange.end();
        if (match.found()) {
            uint64_t next = match.end() + (match.length == 0 ? 1 : 0);
            if (next > rangeEnd)
                next = rangeEnd;
            searchRange = {next, rangeEnd - next};
        } else {
            searchRange = {rangeEnd, 0};
        }
    }
    return match;
}

void RegexCache::clearAllLocked() {
    m_lastUsed = nullptr;
    m_lastUsedIdentity = nullptr;
    for (auto& slot : m_slots)
        clearSlot(slot);
    m_setOrder.fill(0);
}

void RegexCache::clearStringCache() {
    std::lock_guard guard(m_lock);
    clearAllLocked();
}

void RegexCache::flushCachedRegexData(std::u16string_view text) {
    const size_t hash = subjectHash(text);
    std::lock_guard guard(m_lock);
    for (auto& slot : m_slots) {
        if (!slot.subject)
            continue;
        if (slot.subject == text.data() || (slot.subjectLength == text.size() && slot.subjectHash == hash))
            detach(slot);
    }
}

bool RegexCache::lowMemoryWarning() {
    std::unique_lock guard(m_lock, std::try_to_lock);
    if (!guard.owns_lock())
        return false;
    clearAllLocked();
    return true;
}

int RegexCache::slotIndexOf(std::u16string_view pattern, uint32_t options) {
    std::lock_guard guard(m_lock);
    for (int i = 0; i < kSlots; ++i) {
        const Slot& s = m_slots[i];
        if (s.regex && s.options == options && s.pattern == pattern)
            return i;
    }
    return -1;
}

} // namespace pw

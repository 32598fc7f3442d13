#include "reading/regex/RegexAdditions.h"

#include "reading/regex/RegexCache.h"

#include <unicode/uregex.h>

#include <climits>
#include <memory>

namespace pw {

namespace {

enum Kind {
    KindSplit = 1,
    KindReplace = 2,
    KindRange = 3,
    KindStrings = 4,
    KindCapturesAll = 5,
    KindCapturesFirst = 6,
    KindDictionaryFirst = 7,
    KindDictionaries = 8,
};

std::string prefixed(const char* method, const std::string& message) {
    return std::string("*** -[RegexAdditions ") + method + "]: " + message;
}

[[noreturn]] void raise(const char* name, const char* method, const std::string& message) {
    throw RegexException(name, prefixed(method, message));
}

// Re-raises an exception found while the lock was held, with the method
// named once in its reason.
[[noreturn]] void raiseHeld(const char* method, const RegexException& held) {
    throw RegexException(held.name(), prefixed(method, held.reason()), held.userInfo());
}

// "To the end" stands for the whole length of the text, so with a location
// other than 0 it fails the range check like any other range too long.
TextRange resolve(TextRange range, size_t length) {
    if (range.length == TextRange::kToEnd)
        range.length = length;
    return range;
}

bool rangeFits(TextRange range, size_t length) {
    return range.location <= length && range.length <= length - range.location;
}

// One locked operation: takes the lock, finds the compiled pattern pointed at
// the range, checks the range, and keeps any exception until the lock is gone.
class Operation {
public:
    Operation(const char* method, std::u16string_view text, std::u16string_view regex, RegexOptions options,
              TextRange range, RegexError* error)
        : m_method(method), m_text(text), m_range(resolve(range, text.size())), m_error(error),
          m_lock(RegexCache::shared().lock()) {
        if (error)
            *error = RegexError();
        m_slot = RegexCache::shared().getCachedRegexSetToString(regex, options, text, m_range, error, m_held);
        if (!m_slot)
            return;
        if (!rangeFits(m_range, text.size())) {
            hold(RegexException::kRange, "Range or index out of bounds.");
        } else if (text.size() >= static_cast<size_t>(INT_MAX)) {
            hold(RegexException::kRange, "String length exceeds INT_MAX.");
        }
    }

    // Releases the lock and raises what was held. An operation that ended
    // without a result on an ICU warning reports it in the error object.
    void finish(bool gotResult = true) {
        if (!gotResult && !m_held && m_warning < 0 && m_error)
            if (auto e = RegexError::unexpected(m_warning, userInfo(m_warning)))
                *m_error = std::move(*e);
        if (m_lock.owns_lock())
            m_lock.unlock();
        if (m_held)
            raiseHeld(m_method, *m_held);
    }

    // A replacement names its template, and its count once known, in what it reports.
    void setReplacement(std::u16string_view replacement) { m_replacement = replacement; }
    void setReplacedCount(uint64_t count) { m_replacedCount = count; }

    bool ok() const { return m_slot && !m_held; }
    RegexCache::Slot& slot() { return *m_slot; }
    TextRange range() const { return m_range; }
    std::u16string_view text() const { return m_text; }
    void hold(const char* name, std::string reason) {
        if (!m_held)
            m_held.emplace(name, std::move(reason));
    }
    void holdIcu(int32_t status) {
        if (m_held)
            return;
        m_held.emplace(RegexException::kICURegex,
                       "ICU regular expression error #" + std::to_string(status) + ", " +
                           u_errorName(static_cast<UErrorCode>(status)) + ".",
                       userInfo(status));
    }
    // An ICU status after a step: an error is held (true), a warning is kept
    // for the report of an operation that ends without a result.
    bool failed(int32_t status) {
        if (status > U_ZERO_ERROR) {
            holdIcu(status);
            return true;
        }
        if (status < U_ZERO_ERROR)
            m_warning = status;
        return false;
    }

    // Group ranges (0 = whole match) of the match ICU holds now.
    void appendGroups(std::vector<TextRange>& out, int from, int32_t& status) {
        RegexCache::Slot& s = *m_slot;
        for (int g = from; g <= s.captureCount; ++g) {
            UErrorCode st = U_ZERO_ERROR;
            const int32_t a = uregex_start(s.regex, g, &st);
            const int32_t b = uregex_end(s.regex, g, &st);
            if (U_FAILURE(st)) {
                status = st;
                out.push_back(TextRange::notFound());
            } else if (a < 0) {
                out.push_back(TextRange::notFound());
            } else {
                out.push_back({s.subjectRange.location + static_cast<uint64_t>(a), static_cast<uint64_t>(b - a)});
            }
        }
    }

private:
    // Made only when something is reported: the subject may be a whole book.
    RegexError::UserInfo userInfo(int32_t status) const {
        const std::u16string pattern = m_slot ? m_slot->pattern : std::u16string();
        RegexError::Subject subject;
        subject.string = std::u16string(m_text);
        if (m_replacement) {
            subject.replacement = std::u16string(*m_replacement);
            subject.replacedCount = m_replacedCount;
        }
        return RegexError::makeUserInfo(&pattern, m_slot ? m_slot->options : 0, status, nullptr, {}, &subject);
    }

    const char* m_method;
    std::u16string_view m_text;
    TextRange m_range;
    RegexError* m_error;
    std::optional<std::u16string_view> m_replacement;
    uint64_t m_replacedCount = 0;
    int32_t m_warning = U_ZERO_ERROR;
    std::unique_lock<std::mutex> m_lock;
    RegexCache::Slot* m_slot = nullptr;
    std::optional<RegexException> m_held;
};

std::u16string textOf(std::u16string_view text, TextRange r) {
    if (!r.found() || r.length == 0)
        return {};
    return std::u16string(text.substr(r.location, r.length));
}

// Every match in the range (or the first only), each as the whole match
// followed by its groups; for a split, the pieces between matches instead.
// Returns false on an ICU error (held in the operation).
bool collect(Operation& op, Kind kind, bool firstOnly, std::vector<TextRange>& out, size_t& perMatch) {
    RegexCache::Slot& slot = op.slot();
    const TextRange range = op.range();
    const size_t groups = static_cast<size_t>(slot.captureCount);
    perMatch = groups + 1;
    int32_t status = U_ZERO_ERROR;
    TextRange searchRange = range;
    uint64_t pieceStart = range.location;
    bool lastMatchAtEnd = false;
    bool any = false;
    for (;;) {
        const TextRange match = RegexCache::shared().search(slot, searchRange, true, status);
        if (op.failed(status))
            return false;
        if (!match.found())
            break;
        if (kind == KindSplit) {
            if (match.length == 0 && match.location == pieceStart) {
                if (match.location >= range.end())
                    break;
                continue;
            }
            out.push_back({pieceStart, match.location - pieceStart});
            op.appendGroups(out, 1, status);
            pieceStart = match.end();
            lastMatchAtEnd = match.end() == range.end();
        } else {
            op.appendGroups(out, 0, status);
        }
        if (op.failed(status))
            return false;
        any = true;
        if (firstOnly)
            break;
        // An empty match at the very end is the last one there can be.
        if (match.length == 0 && match.location >= range.end())
            break;
    }
    if (kind == KindSplit) {
        if (!lastMatchAtEnd) {
            if (any || range.length > 0) {
                out.push_back({pieceStart, range.end() - pieceStart});
            }
        } else {
            while (out.size() >= perMatch && out[out.size() - perMatch].length == 0)
                out.resize(out.size() - perMatch);
        }
    }
    return true;
}

void checkKeys(Operation& op, const RegexAdditions::KeysAndCaptures& keys) {
    const size_t count = std::min(keys.size(), RegexAdditions::kMaxKeys);
    for (size_t i = 0; i < count; ++i) {
        const int capture = keys[i].second;
        if (capture < 0 || capture > op.slot().captureCount) {
            op.hold(RegexException::kInvalidArgument,
                    "The capture argument " + std::to_string(capture) + " (capture " + std::to_string(i + 1) + " of " +
                        std::to_string(count) + ") for key '" + RegexError::utf8(keys[i].first) + "' is not valid.");
            return;
        }
    }
}

std::vector<RegexAdditions::Dictionary> dictionaries(std::u16string_view text, const std::vector<TextRange>& ranges,
                                                     size_t perMatch, const RegexAdditions::KeysAndCaptures& keys) {
    const size_t count = std::min(keys.size(), RegexAdditions::kMaxKeys);
    std::vector<RegexAdditions::Dictionary> out;
    for (size_t m = 0; m + perMatch <= ranges.size(); m += perMatch) {
        RegexAdditions::Dictionary d;
        for (size_t k = 0; k < count; ++k) {
            const TextRange r = ranges[m + static_cast<size_t>(keys[k].second)];
            if (r.found())
                d[keys[k].first] = textOf(text, r);
        }
        out.push_back(std::move(d));
    }
    return out;
}

// Runs every non-block collecting kind; nullopt when the pattern failed.
std::optional<std::vector<TextRange>> collectChecked(Operation& op, Kind kind, bool firstOnly, size_t& perMatch) {
    if (!op.ok())
        return std::nullopt;
    std::vector<TextRange> ranges;
    if (!collect(op, kind, firstOnly, ranges, perMatch))
        return std::nullopt;
    return ranges;
}

// One collecting operation from start to end: `check` may hold a fault in
// the arguments once the pattern has compiled; whatever was held is raised
// after the cache lock is released.
template <typename Check>
std::optional<std::vector<TextRange>>
collectFor(const char* method, std::u16string_view text, std::u16string_view regex, RegexOptions options,
           TextRange range, RegexError* error, Kind kind, bool firstOnly, size_t& perMatch, Check check) {
    Operation op(method, text, regex, options, range, error);
    if (op.ok())
        check(op);
    auto ranges = collectChecked(op, kind, firstOnly, perMatch);
    op.finish(ranges.has_value());
    return ranges;
}

std::optional<std::vector<TextRange>> collectFor(const char* method, std::u16string_view text,
                                                 std::u16string_view regex, RegexOptions options, TextRange range,
                                                 RegexError* error, Kind kind, bool firstOnly, size_t& perMatch) {
    return collectFor(method, text, regex, options, range, error, kind, firstOnly, perMatch, [](Operation&) {});
}

RegexAdditions::Strings stringsOf(std::u16string_view text, const std::vector<TextRange>& ranges) {
    RegexAdditions::Strings out;
    for (const auto& r : ranges)
        out.push_back(textOf(text, r));
    return out;
}

struct ReplaceResult {
    bool ok = false;
    std::u16string text;
    uint64_t count = 0;
};

// Overflow is the status that said the buffer was too small (an error of the
// replacement step or a warning of the tail), 0 when it was large enough.
int32_t replaceInto(RegexCache::Slot& slot, std::u16string_view tmpl, UChar* buffer, int32_t capacity, uint64_t& count,
                    int32_t& overflow, int32_t& status) {
    UErrorCode st = U_ZERO_ERROR;
    uregex_reset(slot.regex, 0, &st);
    if (st == U_INDEX_OUTOFBOUNDS_ERROR && slot.subjectRange.length == 0)
        st = U_ZERO_ERROR;
    if (U_FAILURE(st)) {
        status = st;
        return 0;
    }
    UChar* dest = buffer;
    int32_t destCapacity = capacity;
    int64_t total = 0;
    count = 0;
    overflow = U_ZERO_ERROR;
    for (;;) {
        st = U_ZERO_ERROR;
        const bool found = uregex_findNext(slot.regex, &st);
        if (U_FAILURE(st)) {
            status = st;
            return 0;
        }
        if (!found)
            break;
        ++count;
        st = U_ZERO_ERROR;
        total += uregex_appendReplacement(slot.regex, reinterpret_cast<const UChar*>(tmpl.data()),
                                          static_cast<int32_t>(tmpl.size()), &dest, &destCapacity, &st);
        if (st == U_BUFFER_OVERFLOW_ERROR) {
            overflow = st;
        } else if (U_FAILURE(st)) {
            status = st;
            return 0;
        }
        if (total >= INT_MAX - 4)
            break;
    }
    st = U_ZERO_ERROR;
    total += uregex_appendTail(slot.regex, &dest, &destCapacity, &st);
    if (st == U_BUFFER_OVERFLOW_ERROR || st == U_STRING_NOT_TERMINATED_WARNING)
        overflow = overflow != U_ZERO_ERROR ? overflow : st;
    else if (U_FAILURE(st)) {
        status = st;
        return 0;
    }
    // ICU's state is no longer the cache's last match.
    slot.lastMatch = TextRange::notFound();
    slot.lastSearchRange = TextRange::notFound();
    return total >= INT_MAX - 4 ? INT_MAX : static_cast<int32_t>(total);
}

ReplaceResult replaceAll(Operation& op, std::u16string_view tmpl) {
    ReplaceResult result;
    const size_t length = op.text().size();
    if (tmpl.size() >= static_cast<size_t>(INT_MAX - 1) ||
        tmpl.size() * 2 + length / 2 >= static_cast<size_t>(INT_MAX)) {
        op.hold(RegexException::kRange, "Replacement string length exceeds INT_MAX.");
        return result;
    }
    RegexCache::Slot& slot = op.slot();
    int32_t status = U_ZERO_ERROR;
    int32_t overflow = U_ZERO_ERROR;
    size_t capacity = length + length / 2 + 2 * tmpl.size() + 16;
    if (capacity >= static_cast<size_t>(INT_MAX))
        capacity = INT_MAX - 1;
    std::u16string out(capacity, u'\0');
    int32_t needed = replaceInto(slot, tmpl, reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(capacity),
                                 result.count, overflow, status);
    op.setReplacedCount(result.count);
    if (op.failed(status))
        return result;
    if (overflow != U_ZERO_ERROR) {
        if (needed >= INT_MAX - 4) {
            op.hold(RegexException::kInternalInconsistency, "Replaced string length exceeds INT_MAX.");
            return result;
        }
        out.assign(static_cast<size_t>(needed) + 8, u'\0');
        needed =
            replaceInto(slot, tmpl, reinterpret_cast<UChar*>(out.data()), needed + 8, result.count, overflow, status);
        op.setReplacedCount(result.count);
        // The exact size cannot be too small; if ICU says so all the same, it is
        // reported as what it is, an error or a warning.
        if (op.failed(status != U_ZERO_ERROR ? status : overflow))
            return result;
        if (overflow != U_ZERO_ERROR)
            return result;
    }
    out.resize(static_cast<size_t>(needed));
    result.text = std::move(out);
    result.ok = true;
    return result;
}

// The block forms walk a private clone of the compiled pattern over a private
// copy of the text, so the block may call anything, including this class.
class BlockWalker {
public:
    BlockWalker(const char* method, std::u16string_view text, std::u16string_view regex, RegexOptions options,
                TextRange range, RegexError* error, RegexEnumerationOptions enumerationOptions, bool replacing) {
        if (error)
            *error = RegexError();
        const RegexEnumerationOptions known = RegexEnumerationCapturedStringsNotRequired |
                                              RegexEnumerationReleaseStringReturnedByReplacementBlock |
                                              RegexEnumerationFastCapturedStringsXXX;
        const bool bad = (enumerationOptions & ~known) != 0 ||
                         ((enumerationOptions & RegexEnumerationCapturedStringsNotRequired) &&
                          (enumerationOptions & RegexEnumerationFastCapturedStringsXXX)) ||
                         (!replacing && (enumerationOptions & RegexEnumerationReleaseStringReturnedByReplacementBlock));
        if (bad)
            raise(RegexException::kInvalidArgument, method, "The RXSRegexEnumerationOptions argument is not valid.");
        m_range = resolve(range, text.size());
        if (!rangeFits(m_range, text.size()))
            raise(RegexException::kRange, method, "Range or index out of bounds.");
        if (text.size() >= static_cast<size_t>(INT_MAX))
            raise(RegexException::kRange, method, "String length exceeds INT_MAX.");
        m_wantStrings = !(enumerationOptions & RegexEnumerationCapturedStringsNotRequired);
        m_pattern.assign(regex);
        m_options = options;
        m_enumerationOptions = enumerationOptions;
        m_text.assign(text);
        std::optional<RegexException> held;
        {
            std::lock_guard guard(RegexCache::shared().lock());
            RegexCache::Slot* slot = RegexCache::shared().getCachedRegex(regex, options, error, held);
            if (slot) {
                UErrorCode st = U_ZERO_ERROR;
                m_regex = uregex_clone(slot->regex, &st);
                if (U_FAILURE(st)) {
                    if (m_regex)
                        uregex_close(m_regex);
                    m_regex = nullptr;
                    if (error)
                        *error = RegexError::make(st, "The ICU library returned an unexpected error.",
                                                  userInfo(st));
                }
                m_captureCount = slot->captureCount;
            }
        }
        if (held)
            raiseHeld(method, *held);
        if (!m_regex)
            return;
        UErrorCode st = U_ZERO_ERROR;
        static const UChar empty[1] = {0};
        const UChar* start = m_text.empty() ? empty : reinterpret_cast<const UChar*>(m_text.data()) + m_range.location;
        uregex_setText(m_regex, start, static_cast<int32_t>(m_range.length), &st);
        if (U_FAILURE(st)) {
            uregex_close(m_regex);
            m_regex = nullptr;
        }
        m_error = error;
    }
    ~BlockWalker() {
        if (m_regex)
            uregex_close(m_regex);
    }
    BlockWalker(const BlockWalker&) = delete;
    BlockWalker& operator=(const BlockWalker&) = delete;

    bool ok() const { return m_regex != nullptr; }
    const std::u16string& text() const { return m_text; }
    TextRange range() const { return m_range; }

    // The next match: its whole range and groups. False at the end or on error.
    bool next(std::vector<TextRange>& ranges) {
        UErrorCode st = U_ZERO_ERROR;
        if (!uregex_findNext(m_regex, &st) || U_FAILURE(st)) {
            if (U_FAILURE(st))
                fail(st);
            return false;
        }
        ranges.clear();
        for (int g = 0; g <= m_captureCount; ++g) {
            const int32_t a = uregex_start(m_regex, g, &st);
            const int32_t b = uregex_end(m_regex, g, &st);
            if (U_FAILURE(st)) {
                fail(st);
                return false;
            }
            ranges.push_back(
                a < 0 ? TextRange::notFound()
                      : TextRange{m_range.location + static_cast<uint64_t>(a), static_cast<uint64_t>(b - a)});
        }
        return true;
    }

    bool call(const RegexAdditions::MatchBlock& block, const std::vector<TextRange>& ranges) {
        bool stop = false;
        if (m_wantStrings) {
            RegexAdditions::Strings strings;
            for (const auto& r : ranges)
                strings.push_back(textOf(m_text, r));
            block(ranges.size(), &strings, ranges, stop);
        } else {
            block(ranges.size(), nullptr, ranges, stop);
        }
        return !stop;
    }

    std::optional<std::u16string> call(const RegexAdditions::ReplaceBlock& block, const std::vector<TextRange>& ranges,
                                       bool& stop) {
        if (m_wantStrings) {
            RegexAdditions::Strings strings;
            for (const auto& r : ranges)
                strings.push_back(textOf(m_text, r));
            return block(ranges.size(), &strings, ranges, stop);
        }
        return block(ranges.size(), nullptr, ranges, stop);
    }

    bool failed() const { return m_failed; }
    int captureCount() const { return m_captureCount; }

private:
    void fail(UErrorCode st) {
        m_failed = true;
        if (m_error)
            *m_error = RegexError::make(st, "An unexpected error occurred.", userInfo(st));
    }
    RegexError::UserInfo userInfo(int32_t status) const {
        RegexError::Subject subject;
        subject.string = m_text;
        subject.enumerationOptions = m_enumerationOptions;
        return RegexError::makeUserInfo(&m_pattern, m_options, status, nullptr, {}, &subject);
    }

    std::u16string m_pattern;
    RegexOptions m_options = 0;
    RegexEnumerationOptions m_enumerationOptions = 0;

    URegularExpression* m_regex = nullptr;
    int m_captureCount = -1;
    std::u16string m_text;
    TextRange m_range;
    bool m_wantStrings = true;
    bool m_failed = false;
    RegexError* m_error = nullptr;
};

std::optional<std::pair<std::u16string, uint64_t>> replaceWithBlock(BlockWalker& walker,
                                                                    const RegexAdditions::ReplaceBlock& block) {
    std::u16string out;
    uint64_t count = 0;
    uint64_t pos = walker.range().location;
    std::vector<TextRange> ranges;
    bool stop = false;
    while (!stop && walker.next(ranges)) {
        out.append(walker.text(), pos, ranges[0].location - pos);
        ++count;
        if (auto piece = walker.call(block, ranges, stop))
            out += *piece;
        pos = ranges[0].end();
    }
    if (walker.failed())
        return std::nullopt;
    out.append(walker.text(), pos, walker.range().end() - pos);
    return std::make_pair(std::move(out), count);
}

} // namespace

int RegexAdditions::captureCountForRegex(std::u16string_view regex, RegexOptions options, RegexError* error) {
    if (error)
        *error = RegexError();
    std::optional<RegexException> held;
    int count = -1;
    {
        std::lock_guard guard(RegexCache::shared().lock());
        if (RegexCache::Slot* slot = RegexCache::shared().getCachedRegex(regex, options, error, held))
            count = slot->captureCount;
    }
    if (held)
        raiseHeld("captureCountForRegex", *held);
    return count;
}

bool RegexAdditions::isRegexValid(std::u16string_view regex, RegexOptions options, RegexError* error) {
    return captureCountForRegex(regex, options, error) >= 0;
}

std::optional<RegexAdditions::Strings> RegexAdditions::componentsSeparatedByRegex(std::u16string_view text,
                                                                                  std::u16string_view regex,
                                                                                  RegexOptions options, TextRange range,
                                                                                  RegexError* error) {
    size_t perMatch = 1;
    auto ranges =
        collectFor("componentsSeparatedByRegex", text, regex, options, range, error, KindSplit, false, perMatch);
    if (!ranges)
        return std::nullopt;
    return stringsOf(text, *ranges);
}

bool RegexAdditions::isMatchedByRegex(std::u16string_view text, std::u16string_view regex, RegexOptions options,
                                      TextRange range, RegexError* error) {
    return rangeOfRegex(text, regex, options, range, 0, error).found();
}

TextRange RegexAdditions::rangeOfRegex(std::u16string_view text, std::u16string_view regex, RegexOptions options,
                                       TextRange range, int capture, RegexError* error) {
    Operation op("rangeOfRegex", text, regex, options, range, error);
    TextRange result = TextRange::notFound();
    if (op.ok() && (capture < 0 || capture > op.slot().captureCount))
        op.hold(RegexException::kInvalidArgument, "The capture argument is not valid.");
    if (op.ok()) {
        int32_t status = U_ZERO_ERROR;
        TextRange searchRange = op.range();
        const TextRange match = RegexCache::shared().search(op.slot(), searchRange, false, status);
        if (op.failed(status)) {
        } else if (match.found()) {
            if (capture == 0) {
                result = match;
            } else {
                std::vector<TextRange> groups;
                op.appendGroups(groups, capture, status);
                result = groups.empty() || (status > U_ZERO_ERROR) ? TextRange::notFound() : groups.front();
                if (!result.found())
                    result = TextRange::notFound();
            }
        }
    }
    op.finish(result.found());
    return result;
}

std::optional<std::u16string> RegexAdditions::stringByMatching(std::u16string_view text, std::u16string_view regex,
                                                               RegexOptions options, TextRange range, int capture,
                                                               RegexError* error) {
    const TextRange r = rangeOfRegex(text, regex, options, range, capture, error);
    if (!r.found())
        return std::nullopt;
    return textOf(text, r);
}

std::optional<std::u16string> RegexAdditions::stringByReplacingOccurrencesOfRegex(std::u16string_view text,
                                                                                  std::u16string_view regex,
                                                                                  std::u16string_view replacement,
                                                                                  RegexOptions options, TextRange range,
                                                                                  RegexError* error) {
    Operation op("stringByReplacingOccurrencesOfRegex", text, regex, options, range, error);
    op.setReplacement(replacement);
    ReplaceResult result;
    if (op.ok())
        result = replaceAll(op, replacement);
    op.finish(result.ok);
    if (!result.ok)
        return std::nullopt;
    return std::move(result.text);
}

uint64_t RegexAdditions::replaceOccurrencesOfRegex(std::u16string& text, std::u16string_view regex,
                                                   std::u16string_view replacement, RegexOptions options,
                                                   TextRange range, RegexError* error) {
    ReplaceResult result;
    TextRange resolved;
    {
        Operation op("replaceOccurrencesOfRegex", text, regex, options, range, error);
        op.setReplacement(replacement);
        resolved = op.range();
        if (op.ok()) {
            result = replaceAll(op, replacement);
            if (result.ok && result.count > 0)
                RegexCache::detach(op.slot());
        }
        op.finish(result.ok);
    }
    if (!result.ok)
        return kReplaceFailed;
    if (result.count > 0) {
        flushCachedRegexData(text);
        text.replace(resolved.location, resolved.length, result.text);
    }
    return result.count;
}

std::optional<RegexAdditions::Strings> RegexAdditions::componentsMatchedByRegex(std::u16string_view text,
                                                                                std::u16string_view regex,
                                                                                RegexOptions options, TextRange range,
                                                                                int capture, RegexError* error) {
    size_t perMatch = 1;
    auto ranges = collectFor("componentsMatchedByRegex", text, regex, options, range, error, KindStrings, false,
                             perMatch, [capture](Operation& op) {
                                 if (capture < 0 || capture > op.slot().captureCount)
                                     op.hold(RegexException::kInvalidArgument, "The capture argument is not valid.");
                             });
    if (!ranges)
        return std::nullopt;
    Strings out;
    for (size_t m = 0; m + perMatch <= ranges->size(); m += perMatch)
        out.push_back(textOf(text, (*ranges)[m + static_cast<size_t>(capture)]));
    return out;
}

std::optional<RegexAdditions::Strings>
RegexAdditions::captureComponentsMatchedByRegex(std::u16string_view text, std::u16string_view regex,
                                                RegexOptions options, TextRange range, RegexError* error) {
    size_t perMatch = 1;
    auto ranges = collectFor("captureComponentsMatchedByRegex", text, regex, options, range, error, KindCapturesFirst,
                             true, perMatch);
    if (!ranges)
        return std::nullopt;
    return stringsOf(text, *ranges);
}

std::optional<std::vector<RegexAdditions::Strings>>
RegexAdditions::arrayOfCaptureComponentsMatchedByRegex(std::u16string_view text, std::u16string_view regex,
                                                       RegexOptions options, TextRange range, RegexError* error) {
    size_t perMatch = 1;
    auto ranges = collectFor("arrayOfCaptureComponentsMatchedByRegex", text, regex, options, range, error,
                             KindCapturesAll, false, perMatch);
    if (!ranges)
        return std::nullopt;
    std::vector<Strings> out;
    for (size_t m = 0; m + perMatch <= ranges->size(); m += perMatch) {
        Strings one;
        for (size_t g = 0; g < perMatch; ++g)
            one.push_back(textOf(text, (*ranges)[m + g]));
        out.push_back(std::move(one));
    }
    return out;
}

std::optional<RegexAdditions::Dictionary>
RegexAdditions::dictionaryByMatchingRegex(std::u16string_view text, std::u16string_view regex,
                                          const KeysAndCaptures& keysAndCaptures, RegexOptions options, TextRange range,
                                          RegexError* error) {
    if (keysAndCaptures.empty())
        raise(RegexException::kInvalidArgument, "dictionaryByMatchingRegex", "The keys argument is NULL.");
    size_t perMatch = 1;
    auto ranges = collectFor("dictionaryByMatchingRegex", text, regex, options, range, error, KindDictionaryFirst, true,
                             perMatch, [&keysAndCaptures](Operation& op) { checkKeys(op, keysAndCaptures); });
    if (!ranges)
        return std::nullopt;
    auto all = dictionaries(text, *ranges, perMatch, keysAndCaptures);
    return all.empty() ? Dictionary{} : std::move(all.front());
}

std::optional<std::vector<RegexAdditions::Dictionary>>
RegexAdditions::arrayOfDictionariesByMatchingRegex(std::u16string_view text, std::u16string_view regex,
                                                   const KeysAndCaptures& keysAndCaptures, RegexOptions options,
                                                   TextRange range, RegexError* error) {
    if (keysAndCaptures.empty())
        raise(RegexException::kInvalidArgument, "arrayOfDictionariesByMatchingRegex", "The keys argument is NULL.");
    size_t perMatch = 1;
    auto ranges = collectFor("arrayOfDictionariesByMatchingRegex", text, regex, options, range, error, KindDictionaries,
                             false, perMatch, [&keysAndCaptures](Operation& op) { checkKeys(op, keysAndCaptures); });
    if (!ranges)
        return std::nullopt;
    return dictionaries(text, *ranges, perMatch, keysAndCaptures);
}

bool RegexAdditions::enumerateStringsMatchedByRegex(std::u16string_view text, std::u16string_view regex,
                                                    const MatchBlock& block, RegexOptions options, TextRange range,
                                                    RegexError* error, RegexEnumerationOptions enumerationOptions) {
    BlockWalker walker("enumerateStringsMatchedByRegex", text, regex, options, range, error, enumerationOptions, false);
    if (!walker.ok())
        return false;
    std::vector<TextRange> ranges;
    while (walker.next(ranges))
        if (!walker.call(block, ranges))
            break;
    return !walker.failed();
}

bool RegexAdditions::enumerateStringsSeparatedByRegex(std::u16string_view text, std::u16string_view regex,
                                                      const MatchBlock& block, RegexOptions options, TextRange range,
                                                      RegexError* error, RegexEnumerationOptions enumerationOptions) {
    BlockWalker walker("enumerateStringsSeparatedByRegex", text, regex, options, range, error, enumerationOptions,
                       false);
    if (!walker.ok())
        return false;
    const TextRange whole = walker.range();
    uint64_t pieceStart = whole.location;
    bool lastAtEnd = false;
    std::vector<TextRange> ranges;
    std::vector<std::vector<TextRange>> pieces;
    while (walker.next(ranges)) {
        if (ranges[0].length == 0 && ranges[0].location == pieceStart)
            continue;
        std::vector<TextRange> piece{{pieceStart, ranges[0].location - pieceStart}};
        piece.insert(piece.end(), ranges.begin() + 1, ranges.end());
        pieces.push_back(std::move(piece));
        pieceStart = ranges[0].end();
        lastAtEnd = pieceStart == whole.end();
    }
    if (walker.failed())
        return false;
    if (!lastAtEnd) {
        if (!pieces.empty() || whole.length > 0) {
            std::vector<TextRange> piece{{pieceStart, whole.end() - pieceStart}};
            piece.resize(static_cast<size_t>(walker.captureCount()) + 1, TextRange::notFound());
            pieces.push_back(std::move(piece));
        }
    } else {
        while (!pieces.empty() && pieces.back()[0].length == 0)
            pieces.pop_back();
    }
    for (const auto& piece : pieces)
        if (!walker.call(block, piece))
            break;
    return true;
}

std::optional<std::u16string>
RegexAdditions::stringByReplacingOccurrencesOfRegex(std::u16string_view text, std::u16string_view regex,
                                                    const ReplaceBlock& block, RegexOptions options, TextRange range,
                                                    RegexError* error, RegexEnumerationOptions enumerationOptions) {
    BlockWalker walker("stringByReplacingOccurrencesOfRegex", text, regex, options, range, error, enumerationOptions,
                       true);
    if (!walker.ok())
        return std::nullopt;
    auto result = replaceWithBlock(walker, block);
    if (!result)
        return std::nullopt;
    return std::move(result->first);
}

uint64_t RegexAdditions::replaceOccurrencesOfRegex(std::u16string& text, std::u16string_view regex,
                                                   const ReplaceBlock& block, RegexOptions options, TextRange range,
                                                   RegexError* error, RegexEnumerationOptions enumerationOptions) {
    BlockWalker walker("replaceOccurrencesOfRegex", text, regex, options, range, error, enumerationOptions, true);
    if (!walker.ok())
        return kReplaceFailed;
    auto result = replaceWithBlock(walker, block);
    if (!result)
        return kReplaceFailed;
    if (result->second > 0) {
        flushCachedRegexData(text);
        const TextRange r = walker.range();
        text.replace(r.location, r.length, result->first);
    }
    return result->second;
}

void RegexAdditions::clearStringCache() {
    RegexCache::shared().clearStringCache();
}

void RegexAdditions::flushCachedRegexData(std::u16string_view text) {
    RegexCache::shared().flushCachedRegexData(text);
}

} // namespace pw

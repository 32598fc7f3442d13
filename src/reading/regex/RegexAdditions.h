#pragma once

#include "reading/regex/RegexError.h"
#include "reading/regex/RegexException.h"
#include "reading/regex/TextRange.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pw {

// ICU pattern flags, passed to ICU unchanged.
using RegexOptions = uint32_t;
enum : RegexOptions {
    RegexNoOptions = 0,
    RegexCaseless = 2,
    RegexComments = 4,
    RegexMultiline = 8,
    RegexDotAll = 32,
    RegexUnicodeWordBoundaries = 256,
};

// Options of the block forms.
using RegexEnumerationOptions = uint32_t;
enum : RegexEnumerationOptions {
    RegexEnumerationNoOptions = 0,
    RegexEnumerationCapturedStringsNotRequired = 0x200,
    RegexEnumerationReleaseStringReturnedByReplacementBlock = 0x400,
    RegexEnumerationFastCapturedStringsXXX = 0x800,
};

// Regular-expression searching, matching, splitting, extracting and replacing
// on UTF-16 text with ICU patterns. Positions and lengths are UTF-16 units and
// are positions in the whole text even when a sub-range is searched.
//
// A pattern that does not compile gives the "no result" value of the call
// (nullopt, false, not-found range, -1) and fills `error` when given; bad
// arguments, ranges and captures throw RegexException. Compiled patterns are
// kept in one process-wide cache; every non-block call holds its lock, so
// these calls never run in parallel.
class RegexAdditions {
public:
    using Strings = std::vector<std::u16string>;
    using Dictionary = std::map<std::u16string, std::u16string>;
    using KeysAndCaptures = std::vector<std::pair<std::u16string, int>>;
    // Block arguments: the number of captures (whole match + groups), their
    // texts (null when not asked for), their ranges, and a flag to stop.
    using MatchBlock = std::function<void(size_t captureCount, const Strings* strings,
                                          const std::vector<TextRange>& ranges, bool& stop)>;
    using ReplaceBlock = std::function<std::optional<std::u16string>(size_t captureCount, const Strings* strings,
                                                                     const std::vector<TextRange>& ranges, bool& stop)>;

    // What the in-place replacements answer when the pattern or ICU fails.
    static constexpr uint64_t kReplaceFailed = UINT64_MAX;
    static constexpr size_t kMaxKeys = 62;

    static int captureCountForRegex(std::u16string_view regex, RegexOptions options = 0, RegexError* error = nullptr);
    static bool isRegexValid(std::u16string_view regex, RegexOptions options = 0, RegexError* error = nullptr);

    static std::optional<Strings> componentsSeparatedByRegex(std::u16string_view text, std::u16string_view regex,
                                                             RegexOptions options = 0,
                                                             TextRange range = TextRange::whole(),
                                                             RegexError* error = nullptr);
    static bool isMatchedByRegex(std::u16string_view text, std::u16string_view regex, RegexOptions options = 0,
                                 TextRange range = TextRange::whole(), RegexError* error = nullptr);
    static TextRange rangeOfRegex(std::u16string_view text, std::u16string_view regex, RegexOptions options = 0,
                                  TextRange range = TextRange::whole(), int capture = 0, RegexError* error = nullptr);
    static std::optional<std::u16string> stringByMatching(std::u16string_view text, std::u16string_view regex,
                                                          RegexOptions options = 0,
                                                          TextRange range = TextRange::whole(), int capture = 0,
                                                          RegexError* error = nullptr);
    // The text of `range` with every match replaced by `replacement` ("$n"
    // inserts a group, a backslash makes the next character literal).
    static std::optional<std::u16string>
    stringByReplacingOccurrencesOfRegex(std::u16string_view text, std::u16string_view regex,
                                        std::u16string_view replacement, RegexOptions options = 0,
                                        TextRange range = TextRange::whole(), RegexError* error = nullptr);
    static std::optional<Strings> componentsMatchedByRegex(std::u16string_view text, std::u16string_view regex,
                                                           RegexOptions options = 0,
                                                           TextRange range = TextRange::whole(), int capture = 0,
                                                           RegexError* error = nullptr);
    static std::optional<Strings> captureComponentsMatchedByRegex(std::u16string_view text, std::u16string_view regex,
                                                                  RegexOptions options = 0,
                                                                  TextRange range = TextRange::whole(),
                                                                  RegexError* error = nullptr);
    static std::optional<std::vector<Strings>>
    arrayOfCaptureComponentsMatchedByRegex(std::u16string_view text, std::u16string_view regex,
                                           RegexOptions options = 0, TextRange range = TextRange::whole(),
                                           RegexError* error = nullptr);
    // At most kMaxKeys pairs are read; a group that did not take part leaves
    // its key out.
    static std::optional<Dictionary> dictionaryByMatchingRegex(std::u16string_view text, std::u16string_view regex,
                                                               const KeysAndCaptures& keysAndCaptures,
                                                               RegexOptions options = 0,
                                                               TextRange range = TextRange::whole(),
                                                               RegexError* error = nullptr);
    static std::optional<std::vector<Dictionary>>
    arrayOfDictionariesByMatchingRegex(std::u16string_view text, std::u16string_view regex,
                                       const KeysAndCaptures& keysAndCaptures, RegexOptions options = 0,
                                       TextRange range = TextRange::whole(), RegexError* error = nullptr);

    // In place: the number of replacements, kReplaceFailed on failure; `text`
    // changes only when at least one match was replaced.
    static uint64_t replaceOccurrencesOfRegex(std::u16string& text, std::u16string_view regex,
                                              std::u16string_view replacement, RegexOptions options = 0,
                                              TextRange range = TextRange::whole(), RegexError* error = nullptr);

    // Block forms: the block runs without the cache lock and may call any of
    // the operations above.
    static bool enumerateStringsMatchedByRegex(std::u16string_view text, std::u16string_view regex,
                                               const MatchBlock& block, RegexOptions options = 0,
                                               TextRange range = TextRange::whole(), RegexError* error = nullptr,
                                               RegexEnumerationOptions enumerationOptions = 0);
    static bool enumerateStringsSeparatedByRegex(std::u16string_view text, std::u16string_view regex,
                                                 const MatchBlock& block, RegexOptions options = 0,
                                                 TextRange range = TextRange::whole(), RegexError* error = nullptr,
                                                 RegexEnumerationOptions enumerationOptions = 0);
    static std::optional<std::u16string>
    stringByReplacingOccurrencesOfRegex(std::u16string_view text, std::u16string_view regex, const ReplaceBlock& block,
                                        RegexOptions options = 0, TextRange range = TextRange::whole(),
                                        RegexError* error = nullptr, RegexEnumerationOptions enumerationOptions = 0);
    static uint64_t replaceOccurrencesOfRegex(std::u16string& text, std::u16string_view regex,
                                              const ReplaceBlock& block, RegexOptions options = 0,
                                              TextRange range = TextRange::whole(), RegexError* error = nullptr,
                                              RegexEnumerationOptions enumerationOptions = 0);

    static void clearStringCache();
    // Call before changing a text in place that was searched before.
    static void flushCachedRegexData(std::u16string_view text);
};

} // namespace pw

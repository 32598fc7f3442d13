#include "reading/regex/RegexAdditions.h"

#include <gtest/gtest.h>
#include <unicode/utypes.h>

#include <thread>

namespace pw {
namespace {

using Strings = RegexAdditions::Strings;

TEST(RegexAdditions, AnswerCleaningEscapesEveryControlCharacter) {
    const std::u16string pattern = u"[\\u0000-\\u001f]";
    ASSERT_EQ(pattern.size(), 15u);
    const std::u16string tmpl = u"\\\\uFFFD";
    ASSERT_EQ(tmpl.size(), 7u);

    const std::u16string dirty{u'a', u'\x01', u'b'};
    auto cleaned = RegexAdditions::stringByReplacingOccurrencesOfRegex(dirty, pattern, tmpl);
    ASSERT_TRUE(cleaned);
    EXPECT_EQ(*cleaned, u"a\\uFFFDb");
    EXPECT_EQ(cleaned->size(), 8u);

    const std::u16string clean = u"{\"a\":1}";
    EXPECT_EQ(RegexAdditions::stringByReplacingOccurrencesOfRegex(clean, pattern, tmpl), clean);

    // NUL characters inside the text are matched too, and a long reply grows
    // past the first output estimate.
    std::u16string many(5000, u'\n');
    many[0] = u'\0';
    auto grown = RegexAdditions::stringByReplacingOccurrencesOfRegex(many, pattern, tmpl);
    ASSERT_TRUE(grown);
    EXPECT_EQ(grown->size(), 5000u * 6);
}

TEST(RegexAdditions, MatchingFindsFirstMatchOrNothing) {
    EXPECT_EQ(RegexAdditions::stringByMatching(u"x userId:'12345' y", u"userId:'[0-9]*'"), u"userId:'12345'");
    EXPECT_EQ(RegexAdditions::stringByMatching(u"nothing here", u"userId:'[0-9]*'"), std::nullopt);
    EXPECT_TRUE(RegexAdditions::stringByMatching(u"{value:\"0|12|34\"}", u"\\{value:\"0\\|[0-9]*\\|[0-9]*\"\\}"));
    EXPECT_FALSE(RegexAdditions::stringByMatching(u"{value:\"1|12\"}", u"\\{value:\"0\\|[0-9]*\"\\}"));
    EXPECT_TRUE(RegexAdditions::isMatchedByRegex(u"Mozilla/4.0 (MSIE 6.0 Windows NT)", u"MSIE .* Windows "));
    EXPECT_TRUE(RegexAdditions::isMatchedByRegex(u"C:\\books\\a.txt", u"\\A([a-zA-Z]:\\\\|\\\\\\\\)"));
    EXPECT_FALSE(RegexAdditions::isMatchedByRegex(u"a.txt", u"\\A([a-zA-Z]:\\\\|\\\\\\\\)"));
}

TEST(RegexAdditions, CaptureOfUploadHeaders) {
    const std::u16string boundary = u"\\Amultipart/form-data.*boundary=\"?([^\";,]+)\"?";
    ASSERT_EQ(boundary.size(), 45u);
    const std::u16string header = u"Multipart/Form-Data; boundary=----abc123";
    const TextRange r = RegexAdditions::rangeOfRegex(header, boundary, RegexCaseless, TextRange::whole(), 1);
    ASSERT_TRUE(r.found());
    EXPECT_EQ(header.substr(r.location, r.length), u"----abc123");

    const std::u16string disposition = u"Content-Disposition:.* filename=(?:\"((?:\\\\.|[^\\\"])*)\"|([^;]*))";
    ASSERT_EQ(disposition.size(), 62u);
    // Unquoted file name: group 2 matched, group 1 did not take part.
    const std::u16string part = u"Content-Disposition: form-data; name=\"sfile\"; filename=book.txt";
    EXPECT_EQ(RegexAdditions::rangeOfRegex(part, disposition, RegexCaseless, TextRange::whole(), 1),
              TextRange::notFound());
    const std::u16string quoted = u"Content-Disposition: form-data; name=\"sfile\"; filename=\"a b.txt\"";
    const TextRange q = RegexAdditions::rangeOfRegex(quoted, disposition, RegexCaseless, TextRange::whole(), 1);
    ASSERT_TRUE(q.found());
    EXPECT_EQ(quoted.substr(q.location, q.length), u"a b.txt");
}

TEST(RegexAdditions, SplitKeepsInnerEmptiesAndDropsTrailingOnes) {
    struct Case {
        std::u16string text;
        std::u16string pattern;
        Strings pieces;
    };
    const Case cases[] = {
        {u"a,,b", u",", {u"a", u"", u"b"}},
        {u"a,b,,", u",", {u"a", u"b"}},
        {u",a", u",", {u"", u"a"}},
        {u"abc", u",", {u"abc"}},
        {u"", u",", {}},
        {u"a1b22c", u"(\\d+)", {u"a", u"1", u"b", u"22", u"c"}},
    };
    for (const auto& c : cases) {
        auto pieces = RegexAdditions::componentsSeparatedByRegex(c.text, c.pattern);
        ASSERT_TRUE(pieces);
        EXPECT_EQ(*pieces, c.pieces) << std::string(c.text.begin(), c.text.end());
    }
}

TEST(RegexAdditions, CollectingMatchesAndCaptures) {
    EXPECT_EQ(RegexAdditions::componentsMatchedByRegex(u"a1b22c333", u"\\d+"), (Strings{u"1", u"22", u"333"}));
    EXPECT_EQ(RegexAdditions::componentsMatchedByRegex(u"k1=v1;k2=v2", u"(\\w+)=(\\w+)", 0, TextRange::whole(), 2),
              (Strings{u"v1", u"v2"}));
    // Empty matches are returned too, the walk stepping one unit after each.
    EXPECT_EQ(RegexAdditions::componentsMatchedByRegex(u"ab", u"x*"), (Strings{u"", u"", u""}));
    EXPECT_EQ(RegexAdditions::componentsMatchedByRegex(u"abc", u"z"), Strings{});
    EXPECT_EQ(RegexAdditions::captureComponentsMatchedByRegex(u"k1=v1;k2=v2", u"(\\w+)=(\\w+)"),
              (Strings{u"k1=v1", u"k1", u"v1"}));
    auto all = RegexAdditions::arrayOfCaptureComponentsMatchedByRegex(u"k1=v1;k2=", u"(\\w+)=(\\w*)");
    ASSERT_TRUE(all);
    EXPECT_EQ(*all, (std::vector<Strings>{{u"k1=v1", u"k1", u"v1"}, {u"k2=", u"k2", u""}}));

    // Positions found in a sub-range are positions in the whole text.
    const TextRange r = RegexAdditions::rangeOfRegex(u"ab12cd34", u"\\d+", 0, {4, 4});
    EXPECT_EQ(r, (TextRange{6, 2}));
}

TEST(RegexAdditions, DictionariesLeaveOutGroupsThatDidNotTakePart) {
    const RegexAdditions::KeysAndCaptures keys{{u"name", 1}, {u"value", 2}, {u"opt", 3}};
    auto d = RegexAdditions::dictionaryByMatchingRegex(u"a=;b=2!", u"(\\w)=(\\w*)(!)?", keys);
    ASSERT_TRUE(d);
    EXPECT_EQ(*d, (RegexAdditions::Dictionary{{u"name", u"a"}, {u"value", u""}}));
    auto all = RegexAdditions::arrayOfDictionariesByMatchingRegex(u"a=;b=2!", u"(\\w)=(\\w*)(!)?", keys);
    ASSERT_TRUE(all);
    ASSERT_EQ(all->size(), 2u);
    EXPECT_EQ((*all)[1], (RegexAdditions::Dictionary{{u"name", u"b"}, {u"value", u"2"}, {u"opt", u"!"}}));
    EXPECT_EQ(RegexAdditions::dictionaryByMatchingRegex(u"zzz", u"(\\w)=", {{u"k", 1}}), RegexAdditions::Dictionary{});
}

TEST(RegexAdditions, InPlaceReplacement) {
    std::u16string text = u"one two three";
    EXPECT_EQ(RegexAdditions::replaceOccurrencesOfRegex(text, u"(\\w+)", u"<$1>"), 3u);
    EXPECT_EQ(text, u"<one> <two> <three>");

    std::u16string same = u"unchanged";
    EXPECT_EQ(RegexAdditions::replaceOccurrencesOfRegex(same, u"\\d", u"x"), 0u);
    EXPECT_EQ(same, u"unchanged");

    // Only the range is rewritten; the text around it stays.
    std::u16string ranged = u"aaaa";
    EXPECT_EQ(RegexAdditions::replaceOccurrencesOfRegex(ranged, u"a", u"b", 0, {1, 2}), 2u);
    EXPECT_EQ(ranged, u"abba");

    // A text changed in place is searched afresh, not through stale state.
    std::u16string changing = u"x1";
    EXPECT_EQ(RegexAdditions::stringByMatching(changing, u"\\d"), u"1");
    changing[1] = u'7';
    EXPECT_EQ(RegexAdditions::stringByMatching(changing, u"\\d"), u"7");

    std::u16string bad = u"abc";
    EXPECT_EQ(RegexAdditions::replaceOccurrencesOfRegex(bad, u"(", u"x"), RegexAdditions::kReplaceFailed);
    EXPECT_EQ(bad, u"abc");
}

TEST(RegexAdditions, ArgumentFaultsThrowWithTheirTexts) {
    struct Case {
        std::function<void()> call;
        std::string name;
        std::string reason;
    };
    const std::u16string four = u"abcd";
    const Case cases[] = {
        {[&] {
             RegexAdditions::rangeOfRegex(four, u"a", 0, {1, 5});
         },
         RegexException::kRange, "Range or index out of bounds."},
        // "To the end" is the whole length, so from any other location it is too long.
        {[&] {
             RegexAdditions::rangeOfRegex(four, u"a", 0, {1, TextRange::kToEnd});
         },
         RegexException::kRange, "Range or index out of bounds."},
        {[&] {
             RegexAdditions::enumerateStringsMatchedByRegex(four, u"a", [](auto, auto, auto&, bool&) {}, 0,
                                                            {2, TextRange::kToEnd});
         },
         RegexException::kRange, "Range or index out of bounds."},
        {[&] { RegexAdditions::rangeOfRegex(four, u"(a)", 0, TextRange::whole(), 2); },
         RegexException::kInvalidArgument, "The capture argument is not valid."},
        {[&] { RegexAdditions::componentsMatchedByRegex(four, u"a", 0, TextRange::whole(), -1); },
         RegexException::kInvalidArgument, "The capture argument is not valid."},
        {[&] {
             RegexAdditions::dictionaryByMatchingRegex(four, u"(a)", {{u"k", 3}});
         },
         RegexException::kInvalidArgument, "The capture argument 3 (capture 1 of 1) for key 'k' is not valid."},
        {[&] { RegexAdditions::dictionaryByMatchingRegex(four, u"(a)", {}); }, RegexException::kInvalidArgument,
         "The keys argument is NULL."},
        {[&] {
             RegexAdditions::enumerateStringsMatchedByRegex(
                 four, u"a", [](auto, auto, auto&, bool&) {}, 0, TextRange::whole(), nullptr, 0x200 | 0x800);
         },
         RegexException::kInvalidArgument, "The RXSRegexEnumerationOptions argument is not valid."},
    };
    for (const auto& c : cases) {
        try {
            c.call();
            ADD_FAILURE() << "no exception for " << c.reason;
        } catch (const RegexException& e) {
            EXPECT_EQ(e.name(), c.name);
            EXPECT_NE(e.reason().find(c.reason), std::string::npos) << e.reason();
            EXPECT_EQ(e.reason().rfind("*** -[RegexAdditions ", 0), 0u) << e.reason();
        }
    }
    // The lock is free again after every fault.
    EXPECT_TRUE(RegexAdditions::isMatchedByRegex(four, u"c"));
}

TEST(RegexAdditions, IcuFailureReportsTheSubjectAndTheReplacement) {
    // A match of "xz", then ICU runs out of backtracking stack on the rest.
    const std::u16string subject = u"xz" + std::u16string(3000000, u'x');
    const std::u16string pattern = u"(?:x|y)*z";
    using Keys = std::vector<std::string>;
    struct Case {
        std::function<void()> call;
        Keys keys;
        std::optional<std::string> replacedCount;
    };
    std::u16string inPlace = subject;
    const Keys replacing = {"RXSICURegexRegex",
                            "RXSICURegexRegexOptions",
                            "RXSICURegexErrorCode",
                            "RXSICURegexErrorName",
                            "RXSICURegexSubjectString",
                            "RXSICURegexReplacementString",
                            "RXSICURegexReplacedCount",
                            "NSLocalizedFailureReason"};
    const Case cases[] = {
        {[&] { RegexAdditions::stringByReplacingOccurrencesOfRegex(subject, pattern, u"<$0>"); }, replacing, "1"},
        {[&] { RegexAdditions::replaceOccurrencesOfRegex(inPlace, pattern, u"<$0>"); }, replacing, "1"},
        {[&] { RegexAdditions::componentsMatchedByRegex(subject, pattern); },
         {"RXSICURegexRegex", "RXSICURegexRegexOptions", "RXSICURegexErrorCode", "RXSICURegexErrorName",
          "RXSICURegexSubjectString", "NSLocalizedFailureReason"},
         std::nullopt},
    };
    for (const auto& c : cases) {
        try {
            c.call();
            ADD_FAILURE() << "no exception";
        } catch (const RegexException& e) {
            EXPECT_EQ(e.name(), RegexException::kICURegex);
            Keys keys;
            for (const auto& [k, v] : e.userInfo())
                keys.push_back(k);
            EXPECT_EQ(keys, c.keys);
            const auto value = [&](const std::string& key) -> std::optional<std::string> {
                for (const auto& [k, v] : e.userInfo())
                    if (k == key)
                        return v;
                return std::nullopt;
            };
            EXPECT_EQ(value("RXSICURegexSubjectString").value_or("").size(), subject.size());
            if (c.replacedCount) {
                EXPECT_EQ(value("RXSICURegexReplacementString"), "<$0>");
                EXPECT_EQ(value("RXSICURegexReplacedCount"), c.replacedCount);
            }
        }
    }
    EXPECT_EQ(inPlace, subject) << "a failed replacement leaves the text as it was";
}

TEST(RegexAdditions, AWarningWithNoResultIsAnUnexpectedError) {
    struct Case {
        int32_t status;
        bool reported;
    };
    for (const Case c : {Case{U_STRING_NOT_TERMINATED_WARNING, true}, Case{U_USING_DEFAULT_WARNING, true},
                         Case{U_ZERO_ERROR, false}, Case{U_REGEX_STACK_OVERFLOW, false}}) {
        const auto e = RegexError::unexpected(c.status, {});
        ASSERT_EQ(e.has_value(), c.reported) << c.status;
        if (e) {
            EXPECT_EQ(e->code(), c.status);
            EXPECT_EQ(e->localizedDescription(), "The ICU library returned an unexpected error.");
        }
    }
}

TEST(RegexAdditions, BadPatternGivesErrorObjectNotException) {
    RegexError error;
    EXPECT_EQ(RegexAdditions::stringByMatching(u"abc", u"(ab", 0, TextRange::whole(), 0, &error), std::nullopt);
    EXPECT_EQ(error.domain(), "RXSICURegexErrorDomain");
    EXPECT_GT(error.code(), 0);
    EXPECT_EQ(error.localizedDescription(), "There was an error compiling the regular expression.");
    EXPECT_EQ(error.value("RXSICURegexRegex"), "(ab");
    EXPECT_TRUE(error.value("RXSICURegexErrorName"));
    EXPECT_TRUE(error.value("NSLocalizedFailureReason"));

    EXPECT_EQ(RegexAdditions::captureCountForRegex(u"(a)(b)"), 2);
    EXPECT_EQ(RegexAdditions::captureCountForRegex(u"(a"), -1);
    EXPECT_FALSE(RegexAdditions::isRegexValid(u"[a"));
    EXPECT_EQ(RegexAdditions::rangeOfRegex(u"abc", u"("), TextRange::notFound());
    EXPECT_FALSE(RegexAdditions::componentsSeparatedByRegex(u"abc", u"("));
}

TEST(RegexAdditions, BlockFormsWalkMatchesAndPieces) {
    std::vector<std::u16string> seen;
    EXPECT_TRUE(RegexAdditions::enumerateStringsMatchedByRegex(
        u"a1b22c333", u"\\d+", [&](size_t count, const Strings* strings, const std::vector<TextRange>&, bool& stop) {
            EXPECT_EQ(count, 1u);
            seen.push_back(strings->at(0));
            stop = seen.size() == 2;
        }));
    EXPECT_EQ(seen, (Strings{u"1", u"22"}));

    seen.clear();
    EXPECT_TRUE(RegexAdditions::enumerateStringsSeparatedByRegex(
        u"a,b,,", u",",
        [&](size_t, const Strings* strings, const std::vector<TextRange>&, bool&) { seen.push_back(strings->at(0)); }));
    EXPECT_EQ(seen, (Strings{u"a", u"b"}));

    // The block may call back into the operations.
    auto replaced = RegexAdditions::stringByReplacingOccurrencesOfRegex(
        u"x12y3", u"\\d+",
        RegexAdditions::ReplaceBlock([](size_t, const Strings* s, const std::vector<TextRange>&, bool&) {
            return std::optional<std::u16string>(u"[" + *RegexAdditions::stringByMatching(s->at(0), u"^\\d") + u"]");
        }));
    EXPECT_EQ(replaced, u"x[1]y[3]");

    std::u16string text = u"aXbX";
    EXPECT_EQ(
        RegexAdditions::replaceOccurrencesOfRegex(
            text, u"X", RegexAdditions::ReplaceBlock([](size_t, const Strings*, const std::vector<TextRange>&, bool&) {
                return std::optional<std::u16string>();
            })),
        2u);
    EXPECT_EQ(text, u"ab");
}

TEST(RegexAdditions, CallsFromManyThreadsAgree) {
    std::vector<std::thread> threads;
    std::atomic<int> wrong{0};
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            const std::u16string text = u"第" + std::u16string(static_cast<size_t>(t + 1), u'一') + u"章";
            for (int i = 0; i < 300; ++i) {
                const TextRange r = RegexAdditions::rangeOfRegex(text, u"第[一]+章");
                if (r != TextRange{0, text.size()})
                    ++wrong;
            }
        });
    }
    for (auto& th : threads)
        th.join();
    EXPECT_EQ(wrong.load(), 0);
}

} // namespace
} // namespace pw

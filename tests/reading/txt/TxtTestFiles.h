#pragma once

// Text books for the tests, written in the encodings the reader knows, with
// the byte sizes and line ends a test asks for.

#include "platform/core/Text.h"
#include "platform/device/Device.h"
#include "reading/txt/TxtFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace pw::test {

inline std::string encodeAs(const std::u16string& text, TxtFile::Encoding encoding) {
    auto bytes = core::text::encode(text, TxtFile::charsetName(encoding));
    EXPECT_TRUE(bytes);
    return bytes.value_or("");
}

// Lines with a chapter title now and then and a CJK character right before
// every line end, grown to exactly `size` bytes with ASCII padding in the
// last line. In UTF-16LE `size` must be even.
inline std::string bookOfSize(TxtFile::Encoding encoding, size_t size, bool crlf, bool finalLineEnd) {
    const std::u16string eol = crlf ? u"\r\n" : u"\n";
    const std::string tail = encodeAs(u"末" + (finalLineEnd ? eol : u""), encoding);
    const std::string pad = encodeAs(u"x", encoding);
    std::string bytes;
    for (int line = 0;; ++line) {
        const std::u16string next = line % 40 == 0 ? u"第一章 开端" + eol
                                                   : u"  行" + std::u16string(static_cast<size_t>(line % 7), u'a') +
                                                         u"满纸荒唐言，一把辛酸泪。好" + eol;
        const std::string encoded = encodeAs(next, encoding);
        if (bytes.size() + encoded.size() + tail.size() > size)
            break;
        bytes += encoded;
    }
    while (bytes.size() + tail.size() < size)
        bytes += pad;
    bytes += tail;
    EXPECT_EQ(bytes.size(), size);
    return bytes;
}

// The tests read in phone-sized chunks unless they ask for another device.
inline constexpr device::ScreenMetrics kPhoneScreen{320, 480, 2};

class PhoneScreenEnvironment : public ::testing::Environment {
public:
    void SetUp() override { device::Device::current().setScreen(kPhoneScreen); }
    void TearDown() override { device::Device::current().reset(); }
};

inline ::testing::Environment* const kPhoneScreenEnvironment =
    ::testing::AddGlobalTestEnvironment(new PhoneScreenEnvironment);

} // namespace pw::test

#include "platform/core/DateFormatter.h"

#include "platform/core/Text.h"

#include <algorithm>
#include <unicode/udat.h>
#include <unicode/ustring.h>

namespace pw::core {

struct DateFormatter::Impl {
    UDateFormat* format{nullptr};
    ~Impl() {
        if (format)
            udat_close(format);
    }
};

DateFormatter::DateFormatter(std::string_view pattern, std::string_view locale, std::string_view timeZone)
    : m_impl(std::make_unique<Impl>()) {
    std::u16string pat = text::toUtf16Lenient(pattern);
    std::u16string zone = text::toUtf16Lenient(timeZone);
    std::string loc(locale);
    UErrorCode status = U_ZERO_ERROR;
    m_impl->format = udat_open(UDAT_PATTERN, UDAT_PATTERN, loc.empty() ? nullptr : loc.c_str(),
                               zone.empty() ? nullptr : reinterpret_cast<const UChar*>(zone.data()),
                               zone.empty() ? 0 : static_cast<int32_t>(zone.size()),
                               reinterpret_cast<const UChar*>(pat.data()), static_cast<int32_t>(pat.size()), &status);
    if (U_FAILURE(status)) {
        if (m_impl->format)
            udat_close(m_impl->format);
        m_impl->format = nullptr;
        return;
    }
    udat_setLenient(m_impl->format, false);
}

DateFormatter::~DateFormatter() = default;
DateFormatter::DateFormatter(DateFormatter&& other) noexcept = default;
DateFormatter& DateFormatter::operator=(DateFormatter&& other) noexcept = default;

bool DateFormatter::isValid() const {
    return m_impl && m_impl->format;
}

void DateFormatter::setAmPmSymbols(std::string_view am, std::string_view pm) {
    if (!isValid())
        return;
    std::u16string a = text::toUtf16Lenient(am);
    std::u16string p = text::toUtf16Lenient(pm);
    UErrorCode status = U_ZERO_ERROR;
    udat_setSymbols(m_impl->format, UDAT_AM_PMS, 0, reinterpret_cast<UChar*>(a.data()), static_cast<int32_t>(a.size()),
                    &status);
    status = U_ZERO_ERROR;
    udat_setSymbols(m_impl->format, UDAT_AM_PMS, 1, reinterpret_cast<UChar*>(p.data()), static_cast<int32_t>(p.size()),
                    &status);
}

std::string DateFormatter::format(double secondsSince1970) const {
    if (!isValid())
        return {};
    UErrorCode status = U_ZERO_ERROR;
    UChar buffer[256];
    int32_t len = udat_format(m_impl->format, secondsSince1970 * 1000.0, buffer, 256, nullptr, &status);
    std::u16string out;
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        out.resize(static_cast<std::size_t>(len));
        status = U_ZERO_ERROR;
        udat_format(m_impl->format, secondsSince1970 * 1000.0, reinterpret_cast<UChar*>(out.data()), len, nullptr,
                    &status);
    } else {
        out.assign(reinterpret_cast<const char16_t*>(buffer), static_cast<std::size_t>(std::max(len, 0)));
    }
    if (U_FAILURE(status))
        return {};
    return text::toUtf8Lenient(out);
}

std::optional<double> DateFormatter::parse(std::string_view input) const {
    if (!isValid())
        return std::nullopt;
    auto u = text::toUtf16(input);
    if (!u)
        return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    int32_t pos = 0;
    UDate date = udat_parse(m_impl->format, reinterpret_cast<const UChar*>(u->data()), static_cast<int32_t>(u->size()),
                            &pos, &status);
    if (U_FAILURE(status) || pos != static_cast<int32_t>(u->size()))
        return std::nullopt;
    return date / 1000.0;
}

} // namespace pw::core

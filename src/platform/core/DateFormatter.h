#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace pw::core {

// Formats and parses times (seconds since 1970) with a date pattern such as
// "yyyy-MM-dd HH:mm" or "EEE, dd MMM yyyy HH:mm:ss 'GMT'". The locale and
// time zone default to the process's own; fixed ones ("en_US_POSIX",
// "GMT") make output independent of the machine. Not thread-safe: use one
// formatter per thread, or guard it.
class DateFormatter {
public:
    // An unknown locale falls back to the root locale; an unknown time zone
    // name means GMT (as ICU treats it).
    explicit DateFormatter(std::string_view pattern, std::string_view locale = {}, std::string_view timeZone = {});
    ~DateFormatter();
    DateFormatter(DateFormatter&& other) noexcept;
    DateFormatter& operator=(DateFormatter&& other) noexcept;
    DateFormatter(const DateFormatter&) = delete;
    DateFormatter& operator=(const DateFormatter&) = delete;

    // False when the pattern was unusable; such a formatter formats "" and parses nothing.
    bool isValid() const;
    // Replaces the texts of the am/pm field (pattern letter "a").
    void setAmPmSymbols(std::string_view am, std::string_view pm);

    std::string format(double secondsSince1970) const;
    // Strict parse of the whole text; nullopt when it does not match.
    std::optional<double> parse(std::string_view text) const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl{};
};

} // namespace pw::core

#pragma once

// A line breaker with one advance for every character (a surrogate pair is one
// character): lines hold floor(width / advance) characters and end after a "\n".
// It draws each visible character as a solid box standing on the baseline, so
// page pictures can be checked pixel by pixel. Records the texts it was given.

#include "reading/page/PageTypesetter.h"

#include <mutex>
#include <string>
#include <vector>

namespace pw::test {

class FixedAdvanceTypesetter : public PageTypesetter {
public:
    // advance 0: the font size.
    explicit FixedAdvanceTypesetter(double advance = 0) : m_advance(advance) {}
    std::unique_ptr<TypesetLines> layout(std::u16string_view text, const gfx::Font& font, double width) const override;

    std::vector<std::u16string> texts() const;
    // Height of a box above the baseline, as a share of the font size.
    static constexpr double kBoxHeight = 0.7;

private:
    double m_advance = 0;
    mutable std::mutex m_mutex;
    mutable std::vector<std::u16string> m_texts;
};

} // namespace pw::test

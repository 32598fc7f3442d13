#pragma once

// The engine calls the reader's chapter loading makes. The page manager answers
// them through PageManagerEngine; tests record them.

#include <cstdint>
#include <string>

namespace pw {

class ReaderEngine {
public:
    virtual ~ReaderEngine() = default;
    virtual void setChapterId(int64_t id) = 0;
    virtual void setData(std::u16string text) = 0;
    virtual void setTitle(std::string title) = 0;
    virtual void getPageFromPosition(int64_t p) = 0;
    virtual void getPageToPosition(int64_t p) = 0;
};

} // namespace pw

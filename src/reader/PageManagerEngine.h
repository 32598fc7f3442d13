#pragma once

#include "reader/ReaderEngine.h"

namespace pw {

class PageManager;

class PageManagerEngine : public ReaderEngine {
public:
    PageManagerEngine() = default;
    explicit PageManagerEngine(PageManager* manager) : m_manager(manager) {}
    void setManager(PageManager* manager) { m_manager = manager; }
    void setChapterId(int64_t id) override;
    void setData(std::u16string text) override;
    void setTitle(std::string title) override;
    void getPageFromPosition(int64_t p) override;
    void getPageToPosition(int64_t p) override;

private:
    PageManager* m_manager = nullptr;
};

} // namespace pw

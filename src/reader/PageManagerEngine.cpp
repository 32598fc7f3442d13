#include "reader/PageManagerEngine.h"

#include "reading/turn/PageManager.h"

namespace pw {

void PageManagerEngine::setChapterId(int64_t id) {
    m_manager->setChapterId(id);
}
void PageManagerEngine::setData(std::u16string text) {
    m_manager->setData(std::move(text));
}
void PageManagerEngine::setTitle(std::string title) {
    m_manager->setTitle(std::move(title));
}
void PageManagerEngine::getPageFromPosition(int64_t p) {
    m_manager->getPageFromPosition(p);
}
void PageManagerEngine::getPageToPosition(int64_t p) {
    m_manager->getPageToPosition(p);
}

} // namespace pw

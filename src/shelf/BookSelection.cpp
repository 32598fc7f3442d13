#include "shelf/BookSelection.h"

namespace pw {

bool BookSelection::selectAllBooks(const std::vector<BookRecord>& allBooks) {
    m_hasSelectedAll = !m_hasSelectedAll;
    m_dictBookChoose.clear();
    if (m_hasSelectedAll)
        for (const BookRecord& b : allBooks)
            m_dictBookChoose[b.bid] = infoOf(b);
    return m_hasSelectedAll;
}

void BookSelection::toggle(const BookRecord& book) {
    auto it = m_dictBookChoose.find(book.bid);
    if (it != m_dictBookChoose.end())
        m_dictBookChoose.erase(it);
    else
        m_dictBookChoose[book.bid] = infoOf(book);
}

void BookSelection::clear() {
    m_dictBookChoose.clear();
    m_hasSelectedAll = false;
}

} // namespace pw

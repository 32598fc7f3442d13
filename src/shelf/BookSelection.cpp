#include "shelf/BookSelection.h"

#include "platform/core/Value.h"

namespace pw {

core::Value BookSelectionInfo::toValue() const {
    return core::Value(core::Value::Map{{"rzid", core::Value(rzid)},
                                        {"status", core::Value(status)},
                                        {"file", core::Value(file)},
                                        {"bid", core::Value(bid)}});
}

BookSelectionInfo BookSelectionInfo::fromValue(const core::Value& v) {
    return {v["rzid"].asInt().value_or(0), static_cast<int>(v["status"].asInt().value_or(0)),
            v["file"].asString().value_or(std::string()), v["bid"].asInt().value_or(0)};
}

void BookSelection::selectAllBooks(const std::vector<BookRecord>& allBooks) {
    m_dictBookChoose.clear();
    for (const BookRecord& b : allBooks)
        m_dictBookChoose[b.bid] = infoOf(b);
}

void BookSelection::toggle(const BookSelectionInfo& info) {
    auto it = m_dictBookChoose.find(info.bid);
    if (it != m_dictBookChoose.end())
        m_dictBookChoose.erase(it);
    else
        m_dictBookChoose[info.bid] = info;
}

void BookSelection::selectOnly(const BookSelectionInfo& info) {
    clear();
    m_dictBookChoose[info.bid] = info;
}

void BookSelection::clear() {
    m_dictBookChoose.clear();
}

} // namespace pw

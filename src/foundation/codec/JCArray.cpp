#include "foundation/codec/JCArray.h"

#include <stdexcept>

namespace pw {

std::string jcCollectionMessage(const char* className, const char* operation, const std::string& what) {
    return std::string("*** -[") + className + " " + operation + "]: " + what;
}

namespace {
std::string beyondBounds(const char* operation, std::uint64_t index, std::uint64_t bound) {
    return jcCollectionMessage("JCArray", operation,
                               "index (" + std::to_string(index) + ") beyond bounds (" + std::to_string(bound) + ")");
}
} // namespace

std::shared_ptr<JCArray> JCArray::make(std::vector<JCObject> objects, bool mutableContainers) {
    auto a = std::make_shared<JCArray>();
    a->m_count = static_cast<std::uint32_t>(objects.size());
    a->m_objects = std::move(objects);
    a->m_mutations = mutableContainers ? 1 : 0;
    return a;
}

const JCObject& JCArray::objectAtIndex(std::uint32_t index) const {
    if (index >= m_count)
        throw std::out_of_range(beyondBounds("objectAtIndex:", index, m_count));
    return m_objects[index];
}

void JCArray::getObjectsRange(std::vector<JCObject>* out, std::uint32_t location, std::uint32_t length) const {
    const std::uint64_t end = static_cast<std::uint64_t>(location) + length;
    if (location > m_count || end > m_count)
        throw std::out_of_range(beyondBounds("getObjects:range:", end, m_count));
    if (!out && end > 0)
        throw std::invalid_argument(jcCollectionMessage(
            "JCArray", "getObjects:range:",
            "pointer to objects array is NULL but range length is " + std::to_string(end)));
    for (std::uint64_t i = location; i < end; ++i)
        out->push_back(m_objects[i]);
}

void JCArray::checkMutable(const char* operation) const {
    if (m_mutations == 0)
        throw std::logic_error(jcCollectionMessage("JCArray", operation, "mutating method sent to immutable object"));
}

void JCArray::stepMutations() {
    m_mutations = m_mutations == UINT32_MAX ? 1 : m_mutations + 1;
}

void JCArray::insertObjectAtIndex(JCObject object, std::uint32_t index) {
    checkMutable("insertObject:atIndex:");
    if (index > m_count)
        throw std::out_of_range(beyondBounds("insertObject:atIndex:", index, m_count + 1ull));
    if (m_count + 1 >= m_objects.size())
        m_objects.resize(m_objects.size() + 16);
    for (std::uint32_t i = m_count; i > index; --i)
        m_objects[i] = std::move(m_objects[i - 1]);
    m_objects[index] = std::move(object);
    ++m_count;
    stepMutations();
}

void JCArray::removeObjectAtIndex(std::uint32_t index) {
    checkMutable("removeObjectAtIndex:");
    if (index >= m_count)
        throw std::out_of_range(beyondBounds("removeObjectAtIndex:", index, m_count));
    for (std::uint32_t i = index; i + 1 < m_count; ++i)
        m_objects[i] = std::move(m_objects[i + 1]);
    m_objects[--m_count] = JCObject();
    stepMutations();
}

void JCArray::replaceObjectAtIndexWithObject(std::uint32_t index, JCObject object) {
    checkMutable("replaceObjectAtIndex:withObject:");
    if (index >= m_count)
        throw std::out_of_range(beyondBounds("replaceObjectAtIndex:withObject:", index, m_count));
    m_objects[index] = std::move(object);
    stepMutations();
}

std::shared_ptr<JCArray> JCArray::copy() {
    if (!isMutable())
        return shared_from_this();
    return make(std::vector<JCObject>(m_objects.begin(), m_objects.begin() + m_count), false);
}

std::shared_ptr<JCArray> JCArray::mutableCopy() const {
    return make(std::vector<JCObject>(m_objects.begin(), m_objects.begin() + m_count), true);
}

} // namespace pw

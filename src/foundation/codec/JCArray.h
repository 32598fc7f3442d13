#pragma once
// The parser's own array: made once, at the exact size of the parsed array,
// immutable unless the parse asked for mutable containers. Every mutation
// steps the mutation count, which never returns to 0 (0 means immutable).
#include "foundation/codec/JCObject.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace pw {

class JCArray : public std::enable_shared_from_this<JCArray> {
public:
    // Takes the values over; `mutableContainers` decides whether it may change.
    static std::shared_ptr<JCArray> make(std::vector<JCObject> objects, bool mutableContainers);

    std::uint32_t count() const { return m_count; }
    std::uint32_t capacity() const { return static_cast<std::uint32_t>(m_objects.size()); }
    std::uint32_t mutations() const { return m_mutations; }
    bool isMutable() const { return m_mutations != 0; }

    // Throw std::out_of_range "*** -[JCArray <operation>]: index (i) beyond bounds (n)".
    const JCObject& objectAtIndex(std::uint32_t index) const;
    // Elements location .. location + length - 1, appended to `out`; a null
    // `out` with a non-empty range throws std::invalid_argument.
    void getObjectsRange(std::vector<JCObject>* out, std::uint32_t location, std::uint32_t length) const;

    // Mutable arrays only (std::logic_error "... mutating method sent to
    // immutable object" otherwise).
    void insertObjectAtIndex(JCObject object, std::uint32_t index);
    void removeObjectAtIndex(std::uint32_t index);
    void replaceObjectAtIndexWithObject(std::uint32_t index, JCObject object);

    // An immutable array's copy is itself; a mutable one's a new immutable array.
    std::shared_ptr<JCArray> copy();
    // Always a new mutable array with the same elements.
    std::shared_ptr<JCArray> mutableCopy() const;

private:
    void checkMutable(const char* operation) const;
    void stepMutations();

    std::vector<JCObject> m_objects; // its size is the capacity
    std::uint32_t m_count = 0;
    std::uint32_t m_mutations = 0;
};

// "*** -[<class> <operation>]: <what>": the words of the collections' errors.
std::string jcCollectionMessage(const char* className, const char* operation, const std::string& what);

} // namespace pw

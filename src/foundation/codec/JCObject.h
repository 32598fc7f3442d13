#pragma once
// One value of a parsed JSON tree as the parser hands it out: null, a
// boolean, a signed or unsigned 64-bit integer, a double, a shared immutable
// string, or one of the parser's own collections. Copies share: a string
// handed out by the value cache stands at every place it was read.
#include "platform/core/Value.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>

namespace pw {

class JCArray;
class JCDictionary;

class JCObject {
public:
    enum class Type { Null, Bool, Int, UInt, Double, String, Array, Dictionary };

    JCObject() = default;
    static JCObject null() { return JCObject(); }
    static JCObject boolean(bool b);
    static JCObject integer(std::int64_t i);
    static JCObject unsignedInteger(std::uint64_t u);
    static JCObject number(double d);
    static JCObject string(std::shared_ptr<const std::string> s);
    static JCObject array(std::shared_ptr<JCArray> a);
    static JCObject dictionary(std::shared_ptr<JCDictionary> d);

    Type type() const { return static_cast<Type>(m_data.index()); }
    bool isNull() const { return type() == Type::Null; }
    std::optional<bool> asBool() const;
    std::optional<std::int64_t> asInt() const;
    std::optional<std::uint64_t> asUInt() const;
    std::optional<double> asDouble() const;
    // The shared string itself (nullptr for another kind).
    const std::shared_ptr<const std::string>& stringObject() const;
    const std::shared_ptr<JCArray>& arrayObject() const;
    const std::shared_ptr<JCDictionary>& dictionaryObject() const;

    // Same kind and value; strings by their text, collections by identity.
    bool operator==(const JCObject& other) const;

    // The tree as the platform's plain values (an unsigned integer above the
    // signed range becomes the nearest double there).
    core::Value toValue() const;

private:
    std::variant<std::monostate, bool, std::int64_t, std::uint64_t, double, std::shared_ptr<const std::string>,
                 std::shared_ptr<JCArray>, std::shared_ptr<JCDictionary>>
        m_data{};
};

} // namespace pw

#include "foundation/codec/JCObject.h"

#include "foundation/codec/JCArray.h"
#include "foundation/codec/JCDictionary.h"

namespace pw {

JCObject JCObject::boolean(bool b) {
    JCObject o;
    o.m_data = b;
    return o;
}

JCObject JCObject::integer(std::int64_t i) {
    JCObject o;
    o.m_data = i;
    return o;
}

JCObject JCObject::unsignedInteger(std::uint64_t u) {
    JCObject o;
    o.m_data = u;
    return o;
}

JCObject JCObject::number(double d) {
    JCObject o;
    o.m_data = d;
    return o;
}

JCObject JCObject::string(std::shared_ptr<const std::string> s) {
    JCObject o;
    o.m_data = std::move(s);
    return o;
}

JCObject JCObject::array(std::shared_ptr<JCArray> a) {
    JCObject o;
    o.m_data = std::move(a);
    return o;
}

JCObject JCObject::dictionary(std::shared_ptr<JCDictionary> d) {
    JCObject o;
    o.m_data = std::move(d);
    return o;
}

std::optional<bool> JCObject::asBool() const {
    if (auto* b = std::get_if<bool>(&m_data))
        return *b;
    return std::nullopt;
}

std::optional<std::int64_t> JCObject::asInt() const {
    if (auto* i = std::get_if<std::int64_t>(&m_data))
        return *i;
    return std::nullopt;
}

std::optional<std::uint64_t> JCObject::asUInt() const {
    if (auto* u = std::get_if<std::uint64_t>(&m_data))
        return *u;
    return std::nullopt;
}

std::optional<double> JCObject::asDouble() const {
    if (auto* d = std::get_if<double>(&m_data))
        return *d;
    return std::nullopt;
}

const std::shared_ptr<const std::string>& JCObject::stringObject() const {
    static const std::shared_ptr<const std::string> none;
    auto* s = std::get_if<std::shared_ptr<const std::string>>(&m_data);
    return s ? *s : none;
}

const std::shared_ptr<JCArray>& JCObject::arrayObject() const {
    static const std::shared_ptr<JCArray> none;
    auto* a = std::get_if<std::shared_ptr<JCArray>>(&m_data);
    return a ? *a : none;
}

const std::shared_ptr<JCDictionary>& JCObject::dictionaryObject() const {
    static const std::shared_ptr<JCDictionary> none;
    auto* d = std::get_if<std::shared_ptr<JCDictionary>>(&m_data);
    return d ? *d : none;
}

bool JCObject::operator==(const JCObject& other) const {
    if (type() != other.type())
        return false;
    if (type() == Type::String)
        return stringObject() == other.stringObject() || *stringObject() == *other.stringObject();
    return m_data == other.m_data;
}

core::Value JCObject::toValue() const {
    switch (type()) {
    case Type::Null:
        return core::Value();
    case Type::Bool:
        return core::Value(*asBool());
    case Type::Int:
        return core::Value(*asInt());
    case Type::UInt: {
        std::uint64_t u = *asUInt();
        if (u <= static_cast<std::uint64_t>(INT64_MAX))
            return core::Value(static_cast<std::int64_t>(u));
        return core::Value(static_cast<double>(u));
    }
    case Type::Double:
        return core::Value(*asDouble());
    case Type::String:
        return core::Value(*stringObject());
    case Type::Array: {
        core::Value::Array out;
        const auto& a = *arrayObject();
        out.reserve(a.count());
        for (std::uint32_t i = 0; i < a.count(); ++i)
            out.push_back(a.objectAtIndex(i).toValue());
        return core::Value(std::move(out));
    }
    case Type::Dictionary: {
        core::ValueMap out;
        const auto& d = *dictionaryObject();
        std::vector<JCObject> keys, objects;
        d.getObjectsAndKeys(&objects, &keys);
        out.reserve(keys.size());
        for (std::size_t i = 0; i < keys.size(); ++i)
            out.set(*keys[i].stringObject(), objects[i].toValue());
        return core::Value(std::move(out));
    }
    }
    return core::Value();
}

} // namespace pw

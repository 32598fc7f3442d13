#include "foundation/db/SQLArg.h"

#include "platform/core/Value.h"

namespace pw {

SQLArg::SQLArg(const core::Value& value) {
    switch (value.type()) {
    case core::Value::Type::Null:
        break;
    case core::Value::Type::Bool:
        m_kind = Kind::Integer;
        m_int = *value.asBool() ? 1 : 0;
        break;
    case core::Value::Type::Int:
        m_kind = Kind::Integer;
        m_int = *value.asInt();
        break;
    case core::Value::Type::Double:
        m_kind = Kind::Real;
        m_real = *value.asDouble();
        break;
    case core::Value::Type::String:
        m_kind = Kind::Text;
        m_text = *value.stringPtr();
        break;
    case core::Value::Type::Bytes:
        m_kind = Kind::Blob;
        m_blob = *value.bytesPtr();
        break;
    case core::Value::Type::Array:
    case core::Value::Type::Map:
        m_kind = Kind::Unsupported;
        break;
    }
}

SQLArg& SQLArg::operator=(const SQLArg& other) {
    if (this == &other)
        return *this;
    m_kind = other.m_kind;
    m_int = other.m_int;
    m_real = other.m_real;
    m_blob = other.m_blob;
    m_ownedText = other.m_ownedText;
    m_owned = other.m_owned;
    // Owned text must be viewed in this copy's own storage.
    m_text = m_owned ? std::string_view(m_ownedText) : other.m_text;
    return *this;
}

SQLArg SQLArg::blob(const void* bytes, size_t size) {
    SQLArg arg;
    arg.m_kind = Kind::Blob;
    arg.m_blob = std::span<const uint8_t>(static_cast<const uint8_t*>(bytes), size);
    return arg;
}

std::string SQLArg::description() const {
    switch (m_kind) {
    case Kind::Null:
        return "NULL";
    case Kind::Integer:
        return std::to_string(m_int);
    case Kind::Real:
        return std::to_string(m_real);
    case Kind::Text:
        return std::string(m_text);
    case Kind::Blob:
        return "<" + std::to_string(m_blob.size()) + " bytes>";
    case Kind::Unsupported:
        return "<list or record>";
    }
    return {};
}

} // namespace pw

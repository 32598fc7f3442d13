#include "platform/core/KeyedArchive.h"

#include "platform/core/FileManager.h"
#include "platform/core/PropertyList.h"

namespace pw::core {

std::optional<Bytes> KeyedArchive::archivedData(const Value& value, std::string_view rootKey) {
    Value top = Value::map();
    top.set(std::string(rootKey), value);
    return PropertyList::serialize(top, PropertyList::Format::Binary);
}

std::optional<Value> KeyedArchive::unarchive(ByteView data, std::string_view rootKey) {
    auto top = PropertyList::parse(data);
    if (!top || !top->isMap())
        return std::nullopt;
    const Value* v = top->get(rootKey);
    if (!v)
        return std::nullopt;
    return *v;
}

bool KeyedArchive::archiveRootObject(const Value& value, const std::filesystem::path& path, std::string_view rootKey) {
    auto data = archivedData(value, rootKey);
    return data && FileManager::atomicWrite(path, *data);
}

std::optional<Value> KeyedArchive::unarchiveObject(const std::filesystem::path& path, std::string_view rootKey) {
    auto data = FileManager::readFile(path);
    if (!data)
        return std::nullopt;
    return unarchive(*data, rootKey);
}

} // namespace pw::core

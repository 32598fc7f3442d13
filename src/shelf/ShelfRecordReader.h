#pragma once

#include "shelf/ShelfRecords.h"

#include "platform/core/Value.h"

#include <vector>

namespace pw {

// The shelf's records from the rows the book and category tables answer.
class ShelfRecordReader {
public:
    static BookRecord book(const core::Value& row);
    static std::vector<BookRecord> books(const core::Value::Array& rows);
    static CategoryRecord category(const core::Value& row);
    static std::vector<CategoryRecord> categories(const core::Value::Array& rows);
};

} // namespace pw

#include "shelf/ShelfRecordReader.h"

namespace pw {

namespace {

int64_t intOf(const core::Value& row, const char* key, int64_t fallback = 0) {
    return row[key].asInt().value_or(fallback);
}

std::string textOf(const core::Value& row, const char* key) {
    return row[key].asString().value_or(std::string());
}

} // namespace

BookRecord ShelfRecordReader::book(const core::Value& row) {
    BookRecord b;
    b.bid = intOf(row, "bid");
    b.rzId = intOf(row, "rzId");
    b.cid = intOf(row, "cid", -1);
    b.bname = textOf(row, "bname");
    b.author = textOf(row, "author");
    b.file = textOf(row, "file");
    b.status = static_cast<int>(intOf(row, "status"));
    b.lstReadt = intOf(row, "lstReadt", -1);
    b.cover = textOf(row, "cover");
    b.type = textOf(row, "type");
    b.percent = row["percent"].asDouble().value_or(0);
    b.currLstChapterId = intOf(row, "currLstChapterId");
    b.lstChapterId = intOf(row, "lstChapterId");
    return b;
}

std::vector<BookRecord> ShelfRecordReader::books(const core::Value::Array& rows) {
    std::vector<BookRecord> out;
    out.reserve(rows.size());
    for (const auto& r : rows)
        out.push_back(book(r));
    return out;
}

CategoryRecord ShelfRecordReader::category(const core::Value& row) {
    CategoryRecord c;
    c.cid = intOf(row, "cid");
    c.cname = textOf(row, "cname");
    c.expand = static_cast<int>(intOf(row, "expand"));
    return c;
}

std::vector<CategoryRecord> ShelfRecordReader::categories(const core::Value::Array& rows) {
    std::vector<CategoryRecord> out;
    out.reserve(rows.size());
    for (const auto& r : rows)
        out.push_back(category(r));
    return out;
}

} // namespace pw

#include "shelf/ShelfRecords.h"

#include "platform/core/Value.h"

namespace pw {

namespace {

int64_t integer(const core::Value& v, const char* key, int64_t fallback) {
    const core::Value& x = v[key];
    if (auto i = x.asInt())
        return *i;
    if (auto d = x.asDouble())
        return static_cast<int64_t>(*d);
    return fallback;
}

std::string text(const core::Value& v, const char* key) {
    return v[key].asString().value_or(std::string());
}

} // namespace

BookRecord BookRecord::fromValue(const core::Value& v) {
    BookRecord b;
    b.bid = integer(v, "bid", 0);
    b.rzId = integer(v, "rzId", 0);
    b.cid = integer(v, "cid", 0);
    b.bname = text(v, "bname");
    b.author = text(v, "author");
    b.file = text(v, "file");
    b.status = static_cast<int>(integer(v, "status", 0));
    b.lstReadt = integer(v, "lstReadt", -1);
    b.cover = text(v, "cover");
    b.type = text(v, "type");
    const core::Value& p = v["percent"];
    b.percent = p.asDouble().value_or(static_cast<double>(p.asInt().value_or(0)));
    b.currLstChapterId = integer(v, "currLstChapterId", 0);
    b.lstChapterId = integer(v, "lstChapterId", 0);
    return b;
}

CategoryRecord CategoryRecord::fromValue(const core::Value& v) {
    CategoryRecord c;
    c.cid = integer(v, "cid", 0);
    c.cname = text(v, "cname");
    c.expand = static_cast<int>(integer(v, "expand", 0));
    const core::Value& t = v["t"];
    c.t = t.asDouble().value_or(static_cast<double>(t.asInt().value_or(0)));
    return c;
}

} // namespace pw

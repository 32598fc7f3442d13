#pragma once
// The payload both store picture notifications carry.
#include "platform/core/Value.h"
#include "platform/ui/TableView.h"

#include <cstdint>
#include <optional>
#include <string>

namespace pw {

struct StoreImageNote {
    static core::Value make(bool success, int tag, int tag2, std::optional<int64_t> rzbid, const std::string& cover,
                            const std::optional<ui::IndexPath>& indexPath) {
        core::Value::Map m;
        m.append("success", success);
        m.append("tag", static_cast<int64_t>(tag));
        m.append("tag2", static_cast<int64_t>(tag2));
        if (rzbid)
            m.append("rzbid", *rzbid);
        m.append("cover", cover);
        if (indexPath) {
            core::Value::Map ip;
            ip.append("section", indexPath->section);
            ip.append("row", indexPath->row);
            m.append("idxPath", core::Value(std::move(ip)));
        }
        return core::Value(std::move(m));
    }
};

} // namespace pw

#pragma once
// A top-list book: the row's texts and the ranking's extra line.
#include "store/RZCellBookInfo.h"

#include <string>

namespace pw {

class RZCellBookInfoPlus : public RZCellBookInfo {
public:
    std::string extraMsg;
};

} // namespace pw

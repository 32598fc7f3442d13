#pragma once
// What a prompt (alert or action sheet) was raised about, handed back with the
// tapped button so the callback knows which book and chapter it answers for.
#include <cstdint>

#include "platform/core/Value.h"

namespace pw {

struct RZPromptContext {
    core::Value userInfo;
    bool isVip = false;
    int32_t chapterId = 0;
    int32_t bookId = 0;
    int32_t rzBookId = 0;
};

} // namespace pw

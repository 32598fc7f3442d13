#pragma once
#include "network/RQError.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

namespace pw {

// What the compressor and the decompressor share: the wording of their errors
// and the loop that runs one file through a stream into another, chunk by chunk.
namespace zlibfile {

// How much of the source each call of a Feed gets; less only at the end.
constexpr size_t kChunk = 262144;

// "<action> of data failed with code <code>", e.g. action "Compression".
RQErrorPtr errorWithCode(const char* action, int code);

// Gets the next chunk (length n; short or empty at the end of the source) and
// returns what to write, or nullopt with e set to fail. Setting more to false
// makes this the last chunk; nullopt without e writes nothing and goes on.
using Feed = std::function<std::optional<std::string>(const char* bytes, size_t n, bool& more, RQErrorPtr& e)>;

// Creates destination, opens source and feeds it through; finish closes the
// stream once all is written. Errors name the action and both paths.
bool transcodeFile(const char* action, const std::string& source, const std::string& destination, RQErrorPtr* err,
                   const Feed& feed, const std::function<RQErrorPtr()>& finish);

} // namespace zlibfile
} // namespace pw

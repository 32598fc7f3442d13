#pragma once
// What the files of HTTPConnection share: the socket tags that drive its
// state machine, its log unit, and small text helpers. Not for use outside
// the connection.
#include "platform/core/DispatchSource.h"
#include "transfer/http/HTTPConnection.h"
#include "transfer/log/WSLog.h"

#include <strings.h>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace pw::http_detail {

constexpr int kLogLevel = WSLogMessage::LevelErrorsAndWarnings;
constexpr const char* kUnit = "HTTPConnection";

// The socket tags that drive the connection: reads of a request (1x), writes
// of a reply before its last (2x to 6x), and the last write of a reply (9x).
constexpr long TagReadHeader = 10, TagReadBody = 11, TagReadChunkSize = 12, TagReadChunkData = 13,
               TagReadChunkTrailer = 14, TagReadFooter = 15;
constexpr long TagWriteHead = 21, TagWriteBody = 22, TagWriteChunkSize = 30, TagWriteChunkData = 31,
               TagWriteChunkCRLF = 32, TagWriteSingleRange = 40, TagWriteMultiRange = 50, TagWriteFile = 60;
constexpr long TagFinal = 90, TagFinalClose = 91;

inline bool equalsIgnoringCase(const std::optional<std::string>& a, const char* b) {
    return a && ::strcasecmp(a->c_str(), b) == 0;
}

inline std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

bool isValidUtf8(std::string_view s);

// Seconds on the clock the socket's time-outs run on.
inline double monotonicNow() {
    return std::chrono::duration<double>(core::DispatchSource::now()).count();
}

} // namespace pw::http_detail

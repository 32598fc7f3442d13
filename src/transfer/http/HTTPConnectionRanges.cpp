// Byte-range replies: parsing the Range field, the 206 heads and the bodies of one
// or several ranges.
#include "transfer/http/HTTPConnectionInternal.h"

#include "platform/core/RandomId.h"
#include "transfer/http/WSNumber.h"

#include <algorithm>

namespace pw {

using namespace http_detail;

bool HTTPConnection::parseRangeRequest(const std::string& rangeHeader, uint64_t contentLength) {
    auto ranges = parseRanges(rangeHeader, contentLength);
    if (!ranges)
        return false;
    m_ranges = std::move(*ranges);
    m_rangeIndex = 0;
    return true;
}

std::optional<std::vector<WSRange>> HTTPConnection::parseRanges(const std::string& rangeHeader,
                                                                uint64_t contentLength) {
    auto eq = rangeHeader.find('=');
    if (eq == std::string::npos)
        return std::nullopt;
    auto unit = trim(std::string_view(rangeHeader).substr(0, eq));
    auto set = trim(std::string_view(rangeHeader).substr(eq + 1));
    if (unit.size() != 5 || ::strncasecmp(unit.data(), "bytes", 5) != 0)
        return std::nullopt;
    std::vector<WSRange> ranges;
    size_t i = 0;
    while (i <= set.size()) {
        size_t j = set.find(',', i);
        if (j == std::string_view::npos)
            j = set.size();
        auto piece = trim(set.substr(i, j - i));
        i = j + 1;
        if (ranges.size() >= kMaxRanges)
            return std::nullopt; // a flood of ranges is served whole
        auto dash = piece.find('-');
        uint64_t a = 0, b = 0;
        if (dash == std::string_view::npos) {
            if (!WSNumber::parseStringIntoUInt64(std::string(piece), &a) || a >= contentLength)
                return std::nullopt;
            ranges.push_back({a, 1});
            continue;
        }
        // Numbers as the lenient parser reads them: "5-abc" is from 5 to the
        // end, "x-5" the last 5 bytes.
        bool haveA = WSNumber::parseStringIntoUInt64(std::string(piece.substr(0, dash)), &a);
        bool haveB = WSNumber::parseStringIntoUInt64(std::string(piece.substr(dash + 1)), &b);
        if (haveA && haveB) {
            if (a > b || b >= contentLength)
                return std::nullopt;
            ranges.push_back({a, b - a + 1});
        } else if (haveA) {
            if (a >= contentLength)
                return std::nullopt;
            ranges.push_back({a, contentLength - a});
        } else if (haveB) {
            if (b < 1 || b > contentLength)
                return std::nullopt;
            ranges.push_back({contentLength - b, b});
        } else {
            return std::nullopt;
        }
    }
    if (ranges.empty())
        return std::nullopt;
    for (size_t x = 0; x < ranges.size(); ++x)
        for (size_t y = x + 1; y < ranges.size(); ++y)
            if (WSIntersectionRange(ranges[x], ranges[y]).length > 0)
                return std::nullopt;
    std::sort(ranges.begin(), ranges.end(), [](const WSRange& l, const WSRange& r) { return l.wsrangeCompare(r) < 0; });
    return ranges;
}

namespace {
std::string contentRange(const WSRange& r, uint64_t total) {
    return "bytes " + std::to_string(r.location) + "-" + std::to_string(r.end() - 1) + "/" + std::to_string(total);
}
} // namespace

HTTPMessage HTTPConnection::newUniRangeResponse(uint64_t contentLength) {
    auto head = HTTPMessage::response(206, {}, HTTPMessage::kVersion11);
    const WSRange& r = m_ranges[0];
    head.setHeaderField("Content-Length", std::to_string(r.length));
    head.setHeaderField("Content-Range", contentRange(r, contentLength));
    return head;
}

HTTPMessage HTTPConnection::newMultiRangeResponse(uint64_t contentLength) {
    auto head = HTTPMessage::response(206, {}, HTTPMessage::kVersion11);
    m_rangesBoundry = core::RandomId::uuidString();
    m_rangesHeaders.clear();
    uint64_t total = 0;
    for (auto& r : m_ranges) {
        std::string part =
            "\r\n--" + m_rangesBoundry + "\r\nContent-Range: " + contentRange(r, contentLength) + "\r\n\r\n";
        total += part.size() + r.length;
        m_rangesHeaders.push_back(std::move(part));
    }
    total += ("\r\n--" + m_rangesBoundry + "--\r\n").size();
    head.setHeaderField("Content-Length", std::to_string(total));
    head.setHeaderField("Content-Type", "multipart/byteranges; boundary=" + m_rangesBoundry);
    return head;
}

void HTTPConnection::startSendingRanges() {
    const WSRange& r = m_ranges[0];
    if (m_ranges.size() > 1)
        m_asyncSocket->writeData(m_rangesHeaders[0], kWriteTimeout, TagWriteHead);
    m_httpResponse->setOffset(r.location);
    std::string data =
        m_httpResponse->readDataOfLength(static_cast<uint32_t>(std::min<uint64_t>(r.length, kMaxResponsePiece)));
    if (data.empty())
        return;
    long tag = m_ranges.size() > 1 ? TagWriteMultiRange : data.size() == r.length ? TagFinal : TagWriteSingleRange;
    writeBodyPiece(std::move(data), tag);
}

void HTTPConnection::continueSendingSingleRangeResponseBody() {
    uint32_t budget = pieceBudget();
    if (budget == 0 || m_ranges.empty())
        return;
    const WSRange& r = m_ranges[0];
    uint64_t offset = m_httpResponse->offset();
    if (offset >= r.end())
        return;
    uint64_t left = r.end() - offset;
    uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(left, budget));
    std::string data = m_httpResponse->readDataOfLength(n);
    if (data.empty())
        return;
    bool last = data.size() == left;
    writeBodyPiece(std::move(data), last ? TagFinal : TagWriteSingleRange);
}

void HTTPConnection::continueSendingMultiRangeResponseBody() {
    uint32_t budget = pieceBudget();
    if (budget == 0)
        return;
    const WSRange* r = &m_ranges[static_cast<size_t>(m_rangeIndex)];
    uint64_t offset = m_httpResponse->offset();
    uint64_t left = r->end() > offset ? r->end() - offset : 0;
    uint32_t n;
    if (left > 0) {
        n = static_cast<uint32_t>(std::min<uint64_t>(left, budget));
    } else {
        if (++m_rangeIndex >= static_cast<int>(m_ranges.size())) {
            m_asyncSocket->writeData("\r\n--" + m_rangesBoundry + "--\r\n", kWriteTimeout, TagFinal);
            return;
        }
        m_asyncSocket->writeData(m_rangesHeaders[static_cast<size_t>(m_rangeIndex)], kWriteTimeout, TagWriteHead);
        r = &m_ranges[static_cast<size_t>(m_rangeIndex)];
        m_httpResponse->setOffset(r->location);
        n = static_cast<uint32_t>(std::min<uint64_t>(r->length, budget));
    }
    std::string data = m_httpResponse->readDataOfLength(n);
    if (!data.empty())
        writeBodyPiece(std::move(data), TagWriteMultiRange);
}

} // namespace pw

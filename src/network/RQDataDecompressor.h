#pragma once
#include "network/RQError.h"

#include <optional>
#include <string>
#include <zlib.h>

namespace pw {

// Inflates gzip or zlib data (the header is detected), in one piece or piece
// by piece with one stream. Failures are code 11 errors carrying zlib's code.
class RQDataDecompressor {
public:
    RQDataDecompressor();
    ~RQDataDecompressor();
    RQDataDecompressor(const RQDataDecompressor&) = delete;
    RQDataDecompressor& operator=(const RQDataDecompressor&) = delete;

    static std::unique_ptr<RQDataDecompressor> decompressor();
    RQErrorPtr setupStream();
    RQErrorPtr closeStream();
    bool streamReady() const { return m_streamReady; }
    // The output of this piece; nullopt for an empty piece or on error (err set).
    std::optional<std::string> uncompressBytes(const char* bytes, size_t length, RQErrorPtr* err = nullptr);
    // The stream's end was reached: everything it holds has been inflated.
    bool streamEnded() const { return m_streamEnded; }

    static std::optional<std::string> uncompressData(const std::string& data, RQErrorPtr* err = nullptr);
    static bool uncompressDataFromFile(const std::string& source, const std::string& destination,
                                       RQErrorPtr* err = nullptr);
    static RQErrorPtr inflateErrorWithCode(int code);
    // Data whose compressed stream stops before its end (code 11).
    static RQErrorPtr truncatedStreamError();

private:
    // uncompressBytes with room for expected bytes of output set aside first.
    std::optional<std::string> inflatePiece(const char* bytes, size_t length, RQErrorPtr* err, size_t expected);
    // What whole gzip data says it inflates to, within what deflate can reach; 0 when unknown.
    static size_t expectedInflatedSize(const std::string& data);

    z_stream m_zStream{};
    bool m_streamReady = false;
    bool m_streamEnded = false;
};

} // namespace pw

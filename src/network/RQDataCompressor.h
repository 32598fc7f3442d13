#pragma once
#include "network/RQError.h"

#include <optional>
#include <string>
#include <zlib.h>

namespace pw {

// Deflates into gzip form, in one piece or piece by piece with one stream.
class RQDataCompressor {
public:
    RQDataCompressor();
    ~RQDataCompressor();
    RQDataCompressor(const RQDataCompressor&) = delete;
    RQDataCompressor& operator=(const RQDataCompressor&) = delete;

    static std::unique_ptr<RQDataCompressor> compressor();
    RQErrorPtr setupStream();
    RQErrorPtr closeStream();
    bool streamReady() const { return m_streamReady; }
    // nullopt for an empty piece (unless finishing) or on error.
    std::optional<std::string> compressBytes(const char* bytes, size_t length, RQErrorPtr* err, bool shouldFinish);

    static std::optional<std::string> compressData(const std::string& data, RQErrorPtr* err = nullptr);
    static bool compressDataFromFile(const std::string& source, const std::string& destination,
                                     RQErrorPtr* err = nullptr);
    static RQErrorPtr deflateErrorWithCode(int code);

private:
    z_stream m_zStream{};
    bool m_streamReady = false;
};

} // namespace pw

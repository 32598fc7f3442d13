#include "network/RQZlibFile.h"

#include <cstdio>
#include <memory>

namespace pw::zlibfile {
namespace {
struct FileCloser {
    void operator()(FILE* f) const {
        if (f)
            std::fclose(f);
    }
};
using File = std::unique_ptr<FILE, FileCloser>;
} // namespace

RQErrorPtr errorWithCode(const char* action, int code) {
    char msg[96];
    std::snprintf(msg, sizeof msg, "%s of data failed with code %hi", action, static_cast<short>(code));
    return RQError::make(RQCompressionError, msg);
}

bool transcodeFile(const char* action, const std::string& source, const std::string& destination, RQErrorPtr* err,
                   const Feed& feed, const std::function<RQErrorPtr()>& finish) {
    auto fail = [&](RQErrorPtr e) {
        if (err)
            *err = e;
        return false;
    };
    const std::string what = std::string(action) + " of " + source;
    auto writeFailed = [&] {
        return fail(RQError::make(RQCompressionError,
                                  what + " failed because we were unable to write to the destination data file at " +
                                      destination));
    };
    File out(std::fopen(destination.c_str(), "wb"));
    if (!out)
        return fail(
            RQError::make(RQCompressionError, what + " failed because we were to create a file at " + destination));
    File in(std::fopen(source.c_str(), "rb"));
    if (!in)
        return fail(RQError::make(RQCompressionError, what + " failed the file does not exist"));
    std::string buffer(kChunk, '\0');
    bool more = true;
    while (more) {
        size_t n = std::fread(buffer.data(), 1, kChunk, in.get());
        if (std::ferror(in.get()))
            return fail(RQError::make(RQCompressionError,
                                      what + " failed because we were unable to read from the source data file"));
        RQErrorPtr e;
        auto piece = feed(buffer.data(), n, more, e);
        if (!piece) {
            if (e)
                return fail(e);
            continue;
        }
        if (!piece->empty() && std::fwrite(piece->data(), 1, piece->size(), out.get()) != piece->size())
            return writeFailed();
    }
    if (std::fflush(out.get()) != 0)
        return writeFailed();
    if (auto e = finish())
        return fail(e);
    return true;
}

} // namespace pw::zlibfile

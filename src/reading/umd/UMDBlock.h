#pragma once

#include <cstdint>
#include <string>

namespace pw {

// The 5-byte header of a UMD function block: "#", a 16-bit type, a flag and
// the block's whole length.
class UMDBlock {
public:
    // Throws UmdException when there is no "#" block header at the offset.
    static UMDBlock getBlock(const std::string& path, int64_t offset);

    int blockLength() const { return m_blockLength; }
    int blockType() const { return m_blockType; }

private:
    int m_blockLength = 0;
    int m_blockType = 0;
};

} // namespace pw

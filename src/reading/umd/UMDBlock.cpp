#include "reading/umd/UMDBlock.h"

#include "reading/umd/UmdBytes.h"
#include "reading/umd/UmdException.h"

namespace pw {

UMDBlock UMDBlock::getBlock(const std::string& path, int64_t offset) {
    const core::Bytes head = umd::readAt(path, offset, 5);
    if (head.size() < 5 || head[0] != '#')
        throw UmdException("UMDBlock getBlock:Offset:");
    UMDBlock block;
    block.m_blockType = umd::le16(head, 1);
    block.m_blockLength = head[4];
    return block;
}

} // namespace pw

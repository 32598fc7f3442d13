#include "shelf/ShelfHost.h"

namespace pw {

int bookcaseType = 1;

ShelfHost& ShelfHost::shared() {
    static ShelfHost host;
    return host;
}

} // namespace pw

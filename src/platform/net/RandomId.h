#pragma once
// The identifiers moved to the core layer (the device layer needs them too);
// this name stays for code written against the network layer.
#include "platform/core/RandomId.h"

namespace pw::net {

using core::RandomId;

} // namespace pw::net

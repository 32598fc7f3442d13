#include "transfer/wifi/IPHelper.h"

#include "platform/device/NetworkInterfaces.h"

namespace pw {

IPHelper::AddressList IPHelper::listIPAddress() {
    AddressList result;
    auto all = device::NetworkInterfaces::ipv4Addresses();
    if (!all)
        return result;
    for (auto& [name, address] : *all) {
        bool replaced = false;
        for (auto& entry : result)
            if (entry.first == name) {
                entry.second = address;
                replaced = true;
            }
        if (!replaced)
            result.emplace_back(name, address);
    }
    return result;
}

} // namespace pw

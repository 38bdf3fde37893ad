#include "device/PortList.h"

#include <libserialport.h>

namespace tamberlink {

std::vector<std::string> ListSerialPorts() {
    std::vector<std::string> names;
    sp_port** ports = nullptr;
    if (sp_list_ports(&ports) != SP_OK) {
        return names;
    }
    for (sp_port** port = ports; *port != nullptr; ++port) {
        if (const char* name = sp_get_port_name(*port)) {
            names.emplace_back(name);
        }
    }
    sp_free_port_list(ports);
    return names;
}

} // namespace tamberlink

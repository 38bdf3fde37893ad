#pragma once

#include <string>
#include <vector>

namespace tamberlink {

// The machine's serial ports (USB serial bridges and real ports) in the order the system
// gives them; empty when they cannot be listed.
std::vector<std::string> ListSerialPorts();

} // namespace tamberlink

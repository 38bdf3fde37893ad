// Feeds arbitrary bytes to the multistatus reader and traps when a result breaks what the
// sync relies on: no resource without its href, no resources beside an error.
#include "carddav/DavMultistatus.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

void Check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    const tamberlink::DavMultistatus status = tamberlink::ReadMultistatus(body);
    Check(status.error.empty() || status.resources.empty());
    for (const tamberlink::DavResource& resource : status.resources) {
        Check(!resource.href.empty());
        Check(resource.status >= 0 && resource.status <= 999);
    }
    const int line = tamberlink::StatusOfLine(body);
    Check(line >= 0 && line <= 999);
    return 0;
}

// libFuzzer target for the prefix table rows that tamberlink-attribution imports.

#include "PrefixTable.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    tamberlink::PrefixRow row;
    std::string error;
    const bool header = tamberlink::PrefixTable::IsHeader(line);
    if (tamberlink::PrefixTable::ParseLine(line, row, error)) {
        // An accepted row has a 7-digit key, a numeric area code and no tab inside a field;
        // the header line is never a row.
        if (header || row.phone.size() != 7) {
            std::abort();
        }
        for (char c : row.phone + row.areacode) {
            if (c < '0' || c > '9') {
                std::abort();
            }
        }
        for (const std::string& field : {row.province, row.city, row.corp}) {
            if (field.find('\t') != std::string::npos) {
                std::abort();
            }
        }
    } else if (error.empty()) {
        std::abort();
    }
    return 0;
}

#pragma once

#include <string>
#include <string_view>

namespace tamberlink {

// One row of a prefix table: a 7-digit mobile prefix and where its numbers belong.
struct PrefixRow {
    std::string phone;
    std::string province;
    std::string city;
    std::string corp;
    std::string areacode;
};

// The tab-separated prefix table: "phone province city corp areacode [zipcode]", UTF-8,
// optionally headed by a line of those column names.
class PrefixTable {
public:
    static bool IsHeader(std::string_view line);
    // Fills `row` from one line (without its line break). Returns false with the reason in
    // `error` when the line is not a valid row.
    static bool ParseLine(std::string_view line, PrefixRow& row, std::string& error);
};

} // namespace tamberlink

#pragma once

#include "PrefixTable.h"

#include <functional>

namespace tamberlink {

// A landline area code and the place its numbers belong to.
struct AreaCodePlace {
    const char* code; // with its trunk 0: "010", "0755"
    const char* province;
    const char* city;
};

// The landline rows of an attribution database: for every area code, one row per 7-digit key
// that begins with it, so that a number written with its area code is found by its first
// seven digits as a mobile number is.
class LandlineRows {
public:
    static constexpr const char* kCorp = "固话";

    // Calls `visit` with each row in key order until it returns false; returns false then.
    static bool ForEach(const std::function<bool(const PrefixRow&)>& visit);
};

} // namespace tamberlink

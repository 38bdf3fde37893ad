#include "LandlineRows.h"

namespace tamberlink {

namespace {

constexpr std::size_t kKeyDigits = 7;

// From libphonenumber's data, written at build time, in code order; no code begins another.
constexpr AreaCodePlace kAreaCodes[] = {
#include "LandlineAreaCodes.inc"
};

} // namespace

bool LandlineRows::ForEach(const std::function<bool(const PrefixRow&)>& visit) {
    PrefixRow row;
    row.corp = kCorp;
    for (const AreaCodePlace& place : kAreaCodes) {
        row.province = place.province;
        row.city = place.city;
        row.areacode = place.code;
        const std::size_t codeDigits = row.areacode.size();
        row.phone = row.areacode + std::string(kKeyDigits - codeDigits, '0');
        // The digits after the code count from 0...0 to 9...9.
        for (;;) {
            if (!visit(row)) {
                return false;
            }
            std::size_t i = kKeyDigits;
            while (i > codeDigits && row.phone[i - 1] == '9') {
                row.phone[--i] = '0';
            }
            if (i == codeDigits) {
                break;
            }
            ++row.phone[i - 1];
        }
    }
    return true;
}

} // namespace tamberlink

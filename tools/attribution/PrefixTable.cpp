#include "PrefixTable.h"

#include <vector>

namespace tamberlink {

namespace {

constexpr std::size_t kPrefixDigits = 7;

bool IsDigits(std::string_view text) {
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

// Well-formed UTF-8: no stray continuation bytes, overlong forms or surrogates.
bool IsUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        std::size_t length;
        char32_t code;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            length = 2;
            code = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            length = 3;
            code = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            length = 4;
            code = c & 0x07;
        } else {
            return false;
        }
        if (i + length > text.size()) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            code = (code << 6) | (next & 0x3F);
        }
        static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return false;
        }
        i += length;
    }
    return true;
}

std::vector<std::string_view> SplitTabs(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string_view::npos ? tab : tab - start));
        if (tab == std::string_view::npos) {
            return fields;
        }
        start = tab + 1;
    }
}

} // namespace

bool PrefixTable::IsHeader(std::string_view line) {
    return line.substr(0, 6) == "phone\t";
}

bool PrefixTable::ParseLine(std::string_view line, PrefixRow& row, std::string& error) {
    if (!IsUtf8(line)) {
        error = "the line is not UTF-8 text";
        return false;
    }
    const std::vector<std::string_view> fields = SplitTabs(line);
    if (fields.size() < 5 || fields.size() > 6) {
        error = "expected 5 or 6 tab-separated fields (phone, province, city, corp, areacode "
                "and an optional zipcode), found " +
                std::to_string(fields.size());
        return false;
    }
    if (fields[0].size() != kPrefixDigits || !IsDigits(fields[0])) {
        error = "the prefix \"" + std::string(fields[0]) + "\" is not 7 digits";
        return false;
    }
    if (!IsDigits(fields[4])) {
        error = "the area code \"" + std::string(fields[4]) + "\" is not a number";
        return false;
    }
    row.phone = fields[0];
    row.province = fields[1];
    row.city = fields[2];
    row.corp = fields[3];
    row.areacode = fields[4];
    return true;
}

} // namespace tamberlink

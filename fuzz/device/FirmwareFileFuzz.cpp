// Feeds arbitrary files to the firmware reader, as the upgrade sends them: every line read
// is counted beforehand, no line gives more bytes than half its characters, and a file of
// hexadecimal lines gives exactly the bytes its digits spell.
#include "FuzzSupport.h"
#include "device/FirmwareFile.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using namespace tamberlink;
using fuzz::Check;

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// The bytes a file of hexadecimal lines spells, when every line is an even number of digits
// ended by LF or CR LF (the last line may lack its end), however long.
bool ExpectedBytes(const std::string& text, std::vector<std::uint8_t>& bytes) {
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        const bool end = i == text.size() || text[i] == '\n';
        if (!end) {
            continue;
        }
        std::size_t digitsEnd = i;
        if (digitsEnd > lineStart && text[digitsEnd - 1] == '\r' && i < text.size()) {
            --digitsEnd;
        }
        const std::size_t digits = digitsEnd - lineStart;
        if (digits % 2 != 0) {
            return false;
        }
        for (std::size_t k = lineStart; k < digitsEnd; k += 2) {
            const int high = HexValue(text[k]);
            const int low = HexValue(text[k + 1]);
            if (high < 0 || low < 0) {
                return false;
            }
            bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
        }
        lineStart = i + 1;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    fuzz::WriteScratch(data, size);

    FirmwareFile file;
    Check(file.Open(QString::fromUtf8(fuzz::ScratchPath())));
    const long long count = file.LineCount();
    Check(count >= 0 && static_cast<std::size_t>(count) <= size);
    long long lines = 0;
    std::vector<std::uint8_t> sent;
    while (const auto bytes = file.NextLine()) {
        Check(bytes->size() <= 511);
        sent.insert(sent.end(), bytes->begin(), bytes->end());
        ++lines;
    }
    Check(lines == count);
    Check(!file.NextLine());
    Check(sent.size() <= size / 2);

    std::vector<std::uint8_t> expected;
    if (ExpectedBytes(text, expected)) {
        Check(sent == expected);
    }
    return 0;
}

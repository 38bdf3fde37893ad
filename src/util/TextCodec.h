#pragma once

#include <QString>

#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tamberlink {

// Raised when UTF-8 text cannot be turned into UTF-16. Malformed sequences are not an
// error (they become U+FFFD); this is about inputs the conversion cannot take at all.
class ConversionError : public std::runtime_error {
public:
    enum class Kind {
        InvalidSequence, // "Invalid UTF-8 sequence."
        Failed,          // "Error in conversion."
        LengthMismatch,  // "La falla!"
    };

    explicit ConversionError(Kind kind);
    Kind kind() const { return kind_; }
    static const char* MessageFor(Kind kind);

private:
    Kind kind_;
};

// UTF-8 to UTF-16. Malformed sequences become U+FFFD.
QString Utf8ToWide(std::string_view text);

// UTF-16 to UTF-8. Unpaired surrogates become U+FFFD.
std::string WideToUtf8(const QString& text);

// A fresh random GUID as "%08X-%04X-%04x-%02X%02X-%02X%02X%02X%02X%02X%02X": upper-case hex
// but for the lower-case third group. Recordings are found again by this exact text.
std::string NewGuidText();

// Seconds since 1970 as local "YYYY-MM-DD hh:mm:ss" (2016-03-05 09:07:00), the form
// TextToTime reads back.
// Returns false, leaving `out` alone, when the value cannot be turned into local time
// (negative values included).
bool TimeToText(std::int64_t seconds, std::string& out);

// Parses "YYYY-MM-DD HH:MM:SS" by fixed character positions (the separators are not
// checked) as local time. Returns -1 when the text is too short or mktime fails.
std::int64_t TextToTime(std::string_view text);

// " A5 A0 04 55": a blank and two upper-case hex digits per byte.
// One character and what stands for it in an escaped text.
struct CharEscape {
    char c;
    std::string_view replacement;
};
// `text` with each character that `escapes` names replaced.
std::string Escaped(std::string_view text, std::initializer_list<CharEscape> escapes);

std::string HexDump(const std::uint8_t* bytes, std::size_t count);
std::string HexDump(std::string_view bytes);

// The value of a hexadecimal digit of either case; -1 for any other character.
int HexDigit(char c);

// Two characters per byte, high digit first, either case; an odd last character is ignored.
// Characters are not validated: a digit is anything below ':', everything else counts as
// a letter digit (code - 55 after upper-casing), as the firmware files expect.
std::vector<std::uint8_t> HexToBytes(std::string_view text);

} // namespace tamberlink

#include "util/TextCodec.h"

#include <QStringDecoder>
#include <algorithm>

#include <climits>
#include <cstdio>
#include <ctime>
#include <random>

namespace tamberlink {

ConversionError::ConversionError(Kind kind)
    : std::runtime_error(MessageFor(kind))
    , kind_(kind) {}

const char* ConversionError::MessageFor(Kind kind) {
    switch (kind) {
    case Kind::InvalidSequence:
        return "Invalid UTF-8 sequence.";
    case Kind::Failed:
        return "Error in conversion.";
    case Kind::LengthMismatch:
        return "La falla!";
    }
    return "Error in conversion.";
}

QString Utf8ToWide(std::string_view text) {
    if (text.empty()) {
        return {};
    }
    // A UTF-16 string can hold at most INT_MAX code units; every UTF-8 byte yields at most one.
    if (text.size() > static_cast<std::size_t>(INT_MAX / 2)) {
        throw ConversionError(ConversionError::Kind::Failed);
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString result = decoder.decode(QByteArrayView(text.data(), qsizetype(text.size())));
    if (result.size() > qsizetype(text.size())) {
        throw ConversionError(ConversionError::Kind::LengthMismatch);
    }
    return result;
}

std::string WideToUtf8(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return std::string(utf8.constData(), std::size_t(utf8.size()));
}

std::string NewGuidText() {
    // One generator per thread: recordings (listener thread) and backups (UI thread) both make
    // GUIDs, and each call returns its own string.
    thread_local std::mt19937_64 engine{[] {
        std::random_device device;
        std::seed_seq seed{device(), device(), device(), device(), device(), device()};
        return std::mt19937_64(seed);
    }()};
    std::uint8_t b[16];
    for (int i = 0; i < 16; i += 8) {
        const std::uint64_t r = engine();
        for (int k = 0; k < 8; ++k) {
            b[i + k] = std::uint8_t(r >> (8 * k));
        }
    }
    b[6] = std::uint8_t((b[6] & 0x0F) | 0x40); // version 4, random
    b[8] = std::uint8_t((b[8] & 0x3F) | 0x80); // RFC 4122 variant
    const unsigned data1 = unsigned(b[0]) << 24 | unsigned(b[1]) << 16 | unsigned(b[2]) << 8 | b[3];
    const unsigned data2 = unsigned(b[4]) << 8 | b[5];
    const unsigned data3 = unsigned(b[6]) << 8 | b[7];
    char text[40];
    std::snprintf(text, sizeof text, "%08X-%04X-%04x-%02X%02X-%02X%02X%02X%02X%02X%02X", data1,
                  data2, data3, b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]);
    return text;
}

bool TimeToText(std::int64_t seconds, std::string& out) {
    if (seconds < 0) {
        return false;
    }
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm local{};
    if (localtime_r(&t, &local) == nullptr) {
        return false;
    }
    char text[96];
    std::snprintf(text, sizeof text, "%lld-%02d-%02d %02d:%02d:%02d", 1900LL + local.tm_year,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    out = text;
    return true;
}

namespace {

// Decimal value of the leading digits of a fixed-width field, as atoi reads it.
int FieldValue(std::string_view text, std::size_t pos, std::size_t width) {
    int value = 0;
    std::size_t i = pos;
    while (i < pos + width && text[i] == ' ') {
        ++i;
    }
    for (; i < pos + width && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

} // namespace

std::int64_t TextToTime(std::string_view text) {
    if (text.size() < 19) {
        return -1;
    }
    std::tm local{};
    local.tm_year = FieldValue(text, 0, 4) - 1900;
    local.tm_mon = FieldValue(text, 5, 2) - 1;
    local.tm_mday = FieldValue(text, 8, 2);
    local.tm_hour = FieldValue(text, 11, 2);
    local.tm_min = FieldValue(text, 14, 2);
    local.tm_sec = FieldValue(text, 17, 2);
    local.tm_isdst = -1;
    const std::time_t t = std::mktime(&local);
    return t == std::time_t(-1) ? -1 : std::int64_t(t);
}

std::string HexDump(const std::uint8_t* bytes, std::size_t count) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(count * 3);
    for (std::size_t i = 0; i < count; ++i) {
        text += ' ';
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 0x0F];
    }
    return text;
}

std::string HexDump(std::string_view bytes) {
    return HexDump(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

namespace {

int HexDigitValue(char c) {
    if (c >= 'a' && c <= 'z') {
        c = char(c - 0x20);
    }
    return c < ':' ? c - '0' : c - 55;
}

} // namespace

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

std::vector<std::uint8_t> HexToBytes(std::string_view text) {
    std::vector<std::uint8_t> bytes(text.size() / 2);
    for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
        bytes[i / 2] = std::uint8_t(HexDigitValue(text[i]) * 16 + HexDigitValue(text[i + 1]));
    }
    return bytes;
}

std::string Escaped(std::string_view text, std::initializer_list<CharEscape> escapes) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto* escape = std::find_if(escapes.begin(), escapes.end(),
                                          [c](const CharEscape& e) { return e.c == c; });
        if (escape != escapes.end()) {
            out += escape->replacement;
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace tamberlink

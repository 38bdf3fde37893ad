#include "workbook/XlsxText.h"

#include "util/TextCodec.h"

#include <cstdio>
#include <cstring>

namespace tamberlink::xlsx {

namespace {

// The code of an "_xHHHH_" escape starting at `at`, or -1.
int EscapeAt(std::string_view text, std::size_t at) {
    if (at + 7 > text.size() || text[at] != '_' || text[at + 1] != 'x' || text[at + 6] != '_') {
        return -1;
    }
    int code = 0;
    for (std::size_t i = at + 2; i < at + 6; ++i) {
        const int digit = HexDigit(text[i]);
        if (digit < 0) {
            return -1;
        }
        code = code * 16 + digit;
    }
    return code;
}

bool NeedsEscape(unsigned char c) {
    return c < 0x20 && c != '\t' && c != '\n';
}

} // namespace

std::string_view LocalName(const pugi::xml_node& node) {
    const char* name = node.name();
    const char* colon = std::strchr(name, ':');
    return colon != nullptr ? std::string_view(colon + 1) : std::string_view(name);
}

pugi::xml_node Child(const pugi::xml_node& node, std::string_view localName) {
    for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_element && LocalName(child) == localName) {
            return child;
        }
    }
    return {};
}

QString DecodeText(std::string_view text) {
    QString result;
    std::size_t copied = 0;
    std::size_t at = text.find("_x");
    while (at != std::string_view::npos) {
        const int code = EscapeAt(text, at);
        if (code < 0) {
            at = text.find("_x", at + 1);
            continue;
        }
        result += QString::fromUtf8(text.data() + copied, qsizetype(at - copied));
        result += QChar(char16_t(code));
        copied = at + 7;
        at = text.find("_x", copied);
    }
    result += QString::fromUtf8(text.data() + copied, qsizetype(text.size() - copied));
    return result;
}

std::string EncodeText(const QString& text) {
    const std::string utf8 = text.toStdString();
    std::string escaped;
    escaped.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (NeedsEscape(c) || (c == '_' && EscapeAt(utf8, i) >= 0)) {
            char code[8];
            std::snprintf(code, sizeof code, "_x%04X_", unsigned(c));
            escaped += code;
        } else {
            escaped += char(c);
        }
    }
    return escaped;
}

QString StringItemText(const pugi::xml_node& item) {
    QString text;
    for (pugi::xml_node child = item.first_child(); child; child = child.next_sibling()) {
        const std::string_view name = LocalName(child);
        if (name == "t") {
            text += DecodeText(child.text().get());
        } else if (name == "r") {
            text += DecodeText(Child(child, "t").text().get());
        }
    }
    return text;
}

} // namespace tamberlink::xlsx

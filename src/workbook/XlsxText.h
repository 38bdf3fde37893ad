#pragma once

#include <QString>

#include <pugixml.hpp>

#include <string>
#include <string_view>

namespace tamberlink::xlsx {

// An element's name without its namespace prefix ("x:row" is "row").
std::string_view LocalName(const pugi::xml_node& node);
// The first child element with this local name.
pugi::xml_node Child(const pugi::xml_node& node, std::string_view localName);

// Cell texts escape characters XML cannot carry as "_xHHHH_" (and a literal "_x" that looks
// like an escape as "_x005F_").
QString DecodeText(std::string_view text);
std::string EncodeText(const QString& text);

// The text of a string item: a <t> of its own, or the <t> of each rich-text run; phonetic
// guides are not part of the text.
QString StringItemText(const pugi::xml_node& item);

} // namespace tamberlink::xlsx

#pragma once

#include "contactfile/ContactCard.h"

#include <QByteArray>

namespace tamberlink {

// Reads the cards of a vCard file: versions 2.1, 3.0 and 4.0, several cards a file, folded
// lines, QUOTED-PRINTABLE values (their soft line breaks may split a character), CHARSET
// UTF-8, GBK, GB2312 or GB18030 (a value in no charset is UTF-8 when it is valid UTF-8, else
// GB18030). A card without a number, or without END, is a problem and left out.
ContactFileContents ReadVCards(const QByteArray& data);

// The cards as vCard 3.0 in UTF-8, CRLF line ends and lines folded at 75 octets. A kept line
// goes out as it came while the field it carries is unchanged; changed fields get new lines.
QByteArray WriteVCards(const std::vector<ContactCard>& cards);

} // namespace tamberlink

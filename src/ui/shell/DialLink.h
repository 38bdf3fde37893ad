#pragma once

#include <QString>

namespace tamberlink {

// The number a link or a command-line argument offers for the quick dial: a "tel:" or
// "callto:" link (with percent escapes, and parameters after ';' or '?' left out) or a number
// as typed. It is cleaned as a copied text is (its digits and plus signs, 3 to 15 of them),
// then loses the country code "+86", since the box dials national numbers:
// "tel:+86-138-0000-0000" offers "13800000000". Empty when nothing is left to offer, and for
// a link of any other scheme.
QString NumberFromDialLink(const QString& argument);

} // namespace tamberlink

#pragma once

#include <QString>

namespace tamberlink {

// The number a copied text offers for quick dialling: its digits and plus signs in order,
// when there are 3 to 15 of them; otherwise empty ("Tel: +86 138-0000-0000" offers
// "+8613800000000").
QString DialCandidate(const QString& copiedText);

} // namespace tamberlink

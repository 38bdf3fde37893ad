#pragma once

#include "contactfile/ContactCard.h"
#include "store/ContactRecord.h"

#include <QByteArray>

#include <optional>
#include <vector>

namespace tamberlink {

// The card the contacts of one uid make, and the contacts a card makes (one a number).
ContactCard CardOfRows(const std::vector<ContactCardRecord>& rows);
std::vector<ContactCardRecord> RowsOfCard(const ContactCard& card);
// A card as this program writes it; two cards with the same contents give the same bytes,
// so a card that differs from its last synced copy has changed.
QByteArray Rendered(const ContactCard& card);
// The one card of a server's vCard; nullopt when it has no usable card.
std::optional<ContactCard> ReadServerCard(const QByteArray& data);

// Merges two versions of a card property by property against `base`, the copy both had at
// the last sync: a property one side changed takes that side's lines; where both changed
// the same property both values stay (a second number, both notes one after the other),
// except for properties a card has once (the name, the birthday, the photo), where `local`
// wins.
ContactCard MergeCards(const ContactCard& base, const ContactCard& local,
                       const ContactCard& remote);

} // namespace tamberlink

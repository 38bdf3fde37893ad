#include "store/ContactRecord.h"

#include "util/PinyinInitials.h"

namespace tamberlink {

ContactRecord::ContactRecord(const QString& name, const QString& phone, const QString& head)
    : name(name)
    , initials(GetInitials(name))
    , phone(phone)
    , head(head)
    , indexLetter(initials.isEmpty() ? QChar() : initials.front()) {}

} // namespace tamberlink

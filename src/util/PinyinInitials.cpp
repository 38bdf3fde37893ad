#include "util/PinyinInitials.h"

namespace tamberlink {

QString GetInitials(const QString& name) {
    QString initials(name.size(), Qt::Uninitialized);
    const char16_t* in = reinterpret_cast<const char16_t*>(name.constData());
    char16_t* out = reinterpret_cast<char16_t*>(initials.data());
    for (qsizetype i = 0; i < name.size(); ++i) {
        char16_t c = in[i];
        if (c >= kInitialsFirst && c <= kInitialsLast) {
            c = kInitialsTable[c - kInitialsFirst];
        }
        if (c >= u'a' && c <= u'z') {
            c = char16_t(c - 0x20);
        }
        out[i] = c;
    }
    return initials;
}

} // namespace tamberlink

#include "store/CallFigures.h"

namespace tamberlink {

double CallCounts::AnsweredShare() const {
    const int rang = incoming + missed;
    return rang == 0 ? -1.0 : double(incoming) / rang;
}

int CallCounts::AverageLength() const {
    return timed == 0 ? 0 : int((talkIn + talkOut + timed / 2) / timed);
}

void CallCounts::Add(const CallCounts& other) {
    incoming += other.incoming;
    outgoing += other.outgoing;
    missed += other.missed;
    talkIn += other.talkIn;
    talkOut += other.talkOut;
    timed += other.timed;
}

QString NumberKey(const QString& number) {
    QString digits;
    digits.reserve(number.size());
    for (const QChar c : number) {
        if (c >= u'0' && c <= u'9') {
            digits += c;
        }
    }
    const QString trimmed = number.trimmed();
    if (trimmed.startsWith(u'+')) {
        if (digits.startsWith(QStringLiteral("86"))) {
            digits.remove(0, 2);
        }
    } else if (digits.startsWith(QStringLiteral("0086"))) {
        digits.remove(0, 4);
    }
    qsizetype zeros = 0;
    while (zeros < digits.size() && digits[zeros] == u'0') {
        ++zeros;
    }
    return digits.mid(zeros);
}

} // namespace tamberlink

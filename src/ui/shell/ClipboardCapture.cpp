#include "ui/shell/ClipboardCapture.h"

namespace tamberlink {

QString DialCandidate(const QString& copiedText) {
    QString candidate;
    for (const QChar c : copiedText) {
        if ((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('+')) {
            candidate += c;
            if (candidate.size() > 15) {
                return {};
            }
        }
    }
    return candidate.size() >= 3 ? candidate : QString();
}

} // namespace tamberlink

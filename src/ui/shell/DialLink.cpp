#include "ui/shell/DialLink.h"

#include "ui/shell/ClipboardCapture.h"
#include "util/PhoneNumber.h"

#include <QRegularExpression>
#include <QUrl>

namespace tamberlink {

namespace {

// Longer arguments hold no telephone number; they are not decoded at all.
constexpr qsizetype kLongestLink = 256;

QString NumberPart(const QString& argument) {
    static const QRegularExpression scheme(QStringLiteral("^([A-Za-z][A-Za-z0-9+.-]*):"));
    static const QRegularExpression parameters(QStringLiteral("[;?#]"));
    const QRegularExpressionMatch match = scheme.match(argument);
    if (!match.hasMatch()) {
        return argument;
    }
    const QString name = match.captured(1);
    if (name.compare(u"tel", Qt::CaseInsensitive) != 0 &&
        name.compare(u"callto", Qt::CaseInsensitive) != 0) {
        return {};
    }
    QString rest = argument.mid(match.capturedLength());
    // "callto://number" is written as well as "callto:number".
    while (rest.startsWith(QLatin1Char('/'))) {
        rest.remove(0, 1);
    }
    const qsizetype end = rest.indexOf(parameters);
    return QUrl::fromPercentEncoding(rest.left(end).toUtf8());
}

} // namespace

QString NumberFromDialLink(const QString& argument) {
    if (argument.size() > kLongestLink) {
        return {};
    }
    const QString national =
        PhoneNumber::WithoutCountryCode(DialCandidate(NumberPart(argument.trimmed())));
    // What is left must still be long enough to offer.
    return DialCandidate(national);
}

} // namespace tamberlink

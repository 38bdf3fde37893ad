#include "util/PhoneNumber.h"

namespace tamberlink {

namespace {

const QString kCountryCode = QStringLiteral("+86");

// Carrier prefixes dialled before a number for IP long distance.
constexpr const char16_t* kIpPrefixes[] = {u"17951", u"12593", u"17909", u"17911"};
constexpr int kIpPrefixLength = 5;

constexpr int kMobileLength = 11;

bool IsDigits(const QString& text) {
    for (QChar c : text) {
        if (c < u'0' || c > u'9') {
            return false;
        }
    }
    return !text.isEmpty();
}

} // namespace

QString PhoneNumber::Clean(const QString& number) {
    QString clean = QString(number).remove(u' ').remove(kCountryCode).remove(u'-');
    const QLatin1String decimal(".0");
    if (clean.endsWith(decimal) && IsDigits(clean.chopped(decimal.size()))) {
        clean.chop(decimal.size());
    }
    return clean;
}

QString PhoneNumber::Digits(const QString& text) {
    QString digits = WithoutCountryCode(text);
    digits.removeIf([](QChar c) { return c < u'0' || c > u'9'; });
    return digits;
}

QString PhoneNumber::Comparable(const QString& number) {
    QString key = QString(number).remove(kCountryCode).remove(u' ').remove(u'-');
    qsizetype zeros = 0;
    while (zeros < key.size() && key[zeros] == u'0') {
        ++zeros;
    }
    return key.mid(zeros);
}

QString PhoneNumber::WithoutCountryCode(const QString& number) {
    return QString(number).remove(kCountryCode);
}

QString PhoneNumber::WithoutAreaCode(const QString& number, const QString& areaCode) {
    if (!areaCode.isEmpty() && number.startsWith(areaCode)) {
        return number.mid(areaCode.size());
    }
    return number;
}

QString PhoneNumber::WithoutIpPrefix(const QString& number) {
    if (number.size() <= kIpPrefixLength) {
        return number;
    }
    for (const char16_t* prefix : kIpPrefixes) {
        if (number.startsWith(QStringView(prefix))) {
            return number.mid(kIpPrefixLength);
        }
    }
    return number;
}

QString PhoneNumber::WithoutTrunkZero(const QString& number) {
    if (number.startsWith(QLatin1String("01")) && number.size() > 2 && number[2] != u'0') {
        return number.mid(1);
    }
    return number;
}

QString PhoneNumber::WithLocalAreaCode(const QString& number, const QString& areaCode) {
    const QString digits = QString(number).remove(u' ').remove(u'-');
    const bool local = (digits.size() == 7 || digits.size() == 8) && IsDigits(digits) &&
                       digits[0] != u'0' && digits[0] != u'1';
    // The setting may have been given without its trunk 0 ("20" for 020).
    const QString code = areaCode.startsWith(u'0') ? areaCode : QStringLiteral("0") + areaCode;
    if (!local || !IsDigits(areaCode) || code.size() < 3 || code.size() > 4) {
        return number;
    }
    return code + digits;
}

bool PhoneNumber::IsMobile(const QString& number) {
    return number.size() == kMobileLength && number.startsWith(u'1');
}

PhoneNumber::DialPrefix PhoneNumber::PrefixFor(const QString& number, const QString& extension,
                                               const QString& ipCode, bool useIp,
                                               const QString& localArea,
                                               const QString& numberArea) {
    DialPrefix prefix{extension, 0};
    if (useIp) {
        prefix.text += ipCode;
    }
    prefix.counted = static_cast<int>(prefix.text.size());
    if (IsMobile(number) && numberArea.compare(localArea, Qt::CaseInsensitive) != 0) {
        prefix.text += u'0';
    }
    return prefix;
}

} // namespace tamberlink

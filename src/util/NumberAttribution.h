#pragma once

#include <QString>

namespace tamberlink {

// Where a number belongs, from the attribution data of its first seven characters: every
// field empty when nothing is known.
struct NumberAttribution {
    QString province;
    QString city;
    QString corp; // the carrier as stored, e.g. "中国移动"
    QString areaCode;

    // The text of a number without attribution.
    static QString UnknownText() { return QStringLiteral("未知号码"); }
    // "移动|广东广州": "中国" removed from the carrier, the city only when it differs from the
    // province.
    static QString TextOf(const QString& province, const QString& city, const QString& corp);

    // TextOf the fields; UnknownText unless province, city and carrier are all known.
    QString Text() const;
    // The province, then the city when it differs; empty when the province is unknown.
    QString Place() const;
};

} // namespace tamberlink

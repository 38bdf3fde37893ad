#include "util/NumberAttribution.h"

namespace tamberlink {

QString NumberAttribution::TextOf(const QString& province, const QString& city,
                                  const QString& corp) {
    QString text = QString(corp).remove(QStringLiteral("中国")) + u'|' + province;
    if (city != province) {
        text += city;
    }
    return text;
}

QString NumberAttribution::Text() const {
    if (province.isEmpty() || city.isEmpty() || corp.isEmpty()) {
        return UnknownText();
    }
    return TextOf(province, city, corp);
}

QString NumberAttribution::Place() const {
    if (province.isEmpty()) {
        return QString();
    }
    return city == province ? province : province + city;
}

} // namespace tamberlink

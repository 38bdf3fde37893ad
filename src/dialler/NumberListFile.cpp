#include "dialler/NumberListFile.h"

#include "util/PhoneNumber.h"

#include <QStringDecoder>
#include <QStringList>

#include <algorithm>

#include <set>

namespace tamberlink {

NumberListFile NumberListFile::Parse(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (utf8.hasError()) {
        QStringDecoder gbk("GB18030");
        if (gbk.isValid()) {
            text = gbk.decode(bytes);
        }
    }
    NumberListFile file;
    std::set<QString> seen;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        QString field = line.section(QLatin1Char(','), 0, 0).trimmed();
        field.remove(QLatin1Char('"'));
        if (field.isEmpty()) {
            continue;
        }
        const QString number = PhoneNumber::Clean(field);
        // A header ("电话") or anything else with too few digits to dial.
        if (number.size() < 3 || !std::all_of(number.begin(), number.end(),
                                              [](QChar c) { return c.isDigit() || c == u'+'; })) {
            ++file.refused;
            continue;
        }
        if (seen.insert(number).second) {
            file.numbers.push_back(number);
        }
    }
    return file;
}

} // namespace tamberlink

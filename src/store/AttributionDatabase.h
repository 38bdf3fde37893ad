#pragma once

#include "store/SqlStatement.h"

#include <QString>

#include <mutex>

struct sqlite3;

namespace tamberlink {

// What the attribution data set knows about a number's first seven digits.
struct AreaCodeRecord {
    QString province;
    QString city;
    QString corp; // carrier as stored, e.g. "中国移动"
    QString areacode;
};

// The read-only prefix table area_code: where a mobile number, or a landline number written
// with its area code, belongs. Lookups never fail: without the file or its table they return
// the defaults. Safe to use from several threads.
class AttributionDatabase {
public:
    // The text of a number without attribution.
    static QString UnknownText() { return QStringLiteral("未知号码"); }

    AttributionDatabase() = default;
    ~AttributionDatabase();
    AttributionDatabase(const AttributionDatabase&) = delete;
    AttributionDatabase& operator=(const AttributionDatabase&) = delete;

    // Opens the file read-only: a missing file is not created. On failure the error text is
    // in OpenError() and every lookup gives its default.
    bool Open(const QString& path);
    QString OpenError() const { return openError_; }
    bool IsOpen() const;
    void Close();

    // "移动|广东广州" for the number with "+86", blanks and "-" removed; "未知号码" unless
    // province, city and carrier are all known.
    QString GetAttribution(const QString& number) const;
    // Province, then the city when it differs; empty when the province is unknown. The
    // number is used as given.
    QString GetPlace(const QString& number) const;
    // The carrier exactly as stored; empty when unknown. The number is used as given.
    QString GetCorp(const QString& number) const;
    // Everything known about the number's prefix, for the dialling rules.
    AreaCodeRecord LookupAreaCode(const QString& number) const;

    // The number the lookups are to be given for a number seen on a call: a local landline
    // number (7 or 8 digits, the first neither 0 nor 1; blanks and "-" aside) gets the user's
    // area code in front, so that it finds its area's row. Any other number, and every number
    // while `areaCode` is not an area code of 3 or 4 digits, comes back as it is.
    static QString LookupNumber(const QString& number, const QString& areaCode);

    // "移动|广东广州" from the parts: "中国" removed from the carrier, the city only when it
    // differs from the province.
    static QString AttributionText(const QString& province, const QString& city,
                                   const QString& corp);

private:
    AreaCodeRecord Find(const QString& number, bool withAreacode) const;

    sqlite3* db_ = nullptr;
    QString openError_;
    mutable std::mutex mutex_;
    mutable SqlStatement placeQuery_;
    mutable SqlStatement areaCodeQuery_;
};

} // namespace tamberlink

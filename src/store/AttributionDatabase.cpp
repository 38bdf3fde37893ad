#include "store/AttributionDatabase.h"

#include <sqlite3.h>

namespace tamberlink {

namespace {

// Numbers are matched by their first seven characters, the length of a mobile prefix.
constexpr int kPrefixLength = 7;

bool IsDigits(const QString& text) {
    for (QChar c : text) {
        if (c < u'0' || c > u'9') {
            return false;
        }
    }
    return !text.isEmpty();
}

} // namespace

AttributionDatabase::~AttributionDatabase() {
    Close();
}

bool AttributionDatabase::Open(const QString& path) {
    Close();
    std::lock_guard lock(mutex_);
    db_ = OpenDatabaseFile(path, SQLITE_OPEN_READONLY | SQLITE_OPEN_FULLMUTEX, openError_);
    if (db_ == nullptr) {
        return false;
    }
    placeQuery_ = SqlStatement(db_, "select province,city,corp from area_code where phone=?");
    areaCodeQuery_ =
        SqlStatement(db_, "select province,city,corp,areacode from area_code where phone=?");
    return true;
}

bool AttributionDatabase::IsOpen() const {
    std::lock_guard lock(mutex_);
    return db_ != nullptr;
}

void AttributionDatabase::Close() {
    std::lock_guard lock(mutex_);
    placeQuery_ = SqlStatement();
    areaCodeQuery_ = SqlStatement();
    sqlite3_close(db_);
    db_ = nullptr;
}

AreaCodeRecord AttributionDatabase::Find(const QString& number, bool withAreacode) const {
    std::lock_guard lock(mutex_);
    SqlStatement& query = withAreacode ? areaCodeQuery_ : placeQuery_;
    AreaCodeRecord record;
    query.Bind(1, number.left(kPrefixLength));
    if (query.Next()) {
        record.province = query.Text(0);
        record.city = query.Text(1);
        record.corp = query.Text(2);
        if (withAreacode) {
            record.areacode = query.Text(3);
        }
    }
    query.Reset();
    return record;
}

QString AttributionDatabase::AttributionText(const QString& province, const QString& city,
                                             const QString& corp) {
    QString text = QString(corp).remove(QStringLiteral("中国")) + u'|' + province;
    if (city != province) {
        text += city;
    }
    return text;
}

QString AttributionDatabase::LookupNumber(const QString& number, const QString& areaCode) {
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

QString AttributionDatabase::GetAttribution(const QString& number) const {
    const QString bare = QString(number).remove(QStringLiteral("+86")).remove(u' ').remove(u'-');
    const AreaCodeRecord record = Find(bare, false);
    if (record.province.isEmpty() || record.city.isEmpty() || record.corp.isEmpty()) {
        return UnknownText();
    }
    return AttributionText(record.province, record.city, record.corp);
}

QString AttributionDatabase::GetPlace(const QString& number) const {
    const AreaCodeRecord record = Find(number, false);
    if (record.province.isEmpty()) {
        return QString();
    }
    return record.city == record.province ? record.province : record.province + record.city;
}

QString AttributionDatabase::GetCorp(const QString& number) const {
    return Find(number, false).corp;
}

AreaCodeRecord AttributionDatabase::LookupAreaCode(const QString& number) const {
    return Find(number, true);
}

} // namespace tamberlink

#pragma once

#include "store/SqlStatement.h"
#include "util/NumberAttribution.h"

#include <QString>

#include <mutex>

struct sqlite3;

namespace tamberlink {

// The read-only prefix table area_code: where a mobile number, or a landline number written
// with its area code, belongs. Lookups never fail: without the file or its table they return
// the defaults. Safe to use from several threads.
class AttributionDatabase {
public:
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

    // Everything known about the number's first seven characters, taken as they stand (a
    // number beginning with "+86" finds nothing): one query.
    NumberAttribution Lookup(const QString& number) const;

    // "移动|广东广州" for the number once cleaned of "+86", blanks and "-"; "未知号码" unless
    // province, city and carrier are all known.
    QString GetAttribution(const QString& number) const;

private:
    sqlite3* db_ = nullptr;
    QString openError_;
    mutable std::mutex mutex_;
    mutable SqlStatement query_;
};

} // namespace tamberlink

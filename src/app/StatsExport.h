#pragma once

#include "store/CallFigures.h"

#include <QString>

#include <functional>

namespace tamberlink {

// Writes a range's figures and its calls to a file, whole or not at all (a file is written
// beside the target and moved over it): an .xlsx book with the sheets "概况", "按小时",
// "按日", "最常联系" and "通话记录", or a CSV file (UTF-8 with a byte order mark, CRLF line
// ends) with the figures first and then the calls.
class StatsExport {
public:
    using CallSource = std::function<bool(const std::function<bool(const CallRow&)>&)>;
    enum class Format { Xlsx, Csv };

    // `calls` hands the range's calls over one by one. False with `error` when the calls
    // could not all be read or the file not written.
    static bool Write(const QString& path, Format format, const CallFigures& figures,
                      const CallBacks& backs, const CallSource& calls, QString* error);

    static QString TypeName(int type);
    // "1:02:03", or "12:03" under an hour.
    static QString Duration(std::int64_t seconds);
};

} // namespace tamberlink

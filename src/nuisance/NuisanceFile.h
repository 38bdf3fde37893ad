#pragma once

#include "store/NuisanceRecord.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <functional>
#include <vector>

namespace tamberlink {

// A line of a rule file that was skipped, and why.
struct NuisanceJunkLine {
    qint64 line = 0; // counted from 1
    QString text;
    QString reason;
};

// What an import did. `ok` only when the whole file was read and its rules were stored;
// otherwise nothing was imported and `error` says why.
struct NuisanceImportReport {
    bool ok = false;
    bool cancelled = false;
    QString error;
    qint64 lines = 0;
    int imported = 0; // rules added or changed (a rule repeated in the file counts twice)
    qint64 junkCount = 0;
    std::vector<NuisanceJunkLine> junk; // the first kMaxListedJunk of them
    static constexpr std::size_t kMaxListedJunk = 1000;
};

// Bytes read so far of the file's total; called now and then on the importing thread.
using NuisanceProgress = std::function<void(qint64 done, qint64 total)>;

// Reads one line of a rule file: the number or pattern, then optionally the label and the
// action (仅标记, 静音, 拒接; label only when missing), separated by tabs or by commas
// (whichever comes first outside quotes), each field optionally in double quotes (a quote
// inside doubled). False with `error` set when the line is no rule.
bool ParseNuisanceLine(const QString& line, NuisanceRule& rule, QString* error);

// Reads the rule file at `path` (UTF-8, a byte order mark allowed, a header line allowed,
// blank lines and lines starting with '#' ignored) and hands its rules to `batch` a few
// thousand at a time, so that a file of a million lines is never held whole. Junk lines go
// into `report` and are skipped. False, with report.error set, when the file cannot be read
// to its end, `batch` returns false, or `cancel` turns true; the caller then drops what it
// was given.
bool ReadNuisanceFile(const QString& path,
                      const std::function<bool(std::vector<NuisanceRule>&)>& batch,
                      NuisanceImportReport& report, const NuisanceProgress& progress = {},
                      const std::atomic<bool>* cancel = nullptr);

// The rules as a file ReadNuisanceFile reads back: a byte order mark (so that spreadsheets
// take it as UTF-8), a header line, then one line per rule, comma-separated.
QByteArray NuisanceFileText(const std::vector<NuisanceRule>& rules);

} // namespace tamberlink

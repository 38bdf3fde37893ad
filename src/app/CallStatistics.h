#pragma once

#include "app/StatsExport.h"
#include "store/BackgroundReader.h"
#include "store/CallFigures.h"

#include <QObject>
#include <QString>

#include <atomic>

namespace tamberlink {

// Works out the call log's figures for a range of days on a thread of its own, over a
// read-only connection of its own, and hands them to the thread that owns this object in two
// steps: the counts by hour and by day first (read from the figures kept per hour, so that
// the charts can be drawn at once), then the busiest numbers and the calls back (which read
// the range's calls). Only the newest request's answers are handed over. Exports run on the
// same thread, after the requests before them.
class CallStatistics : public QObject {
    Q_OBJECT

public:
    static constexpr int kBusiestShown = 10;

    explicit CallStatistics(const QString& databasePath, QObject* parent = nullptr);
    ~CallStatistics() override;

    bool IsRunning() const { return reader_.IsRunning(); }
    // Starts working out the range's figures; the request's number, 0 when the database
    // cannot be read.
    int Request(const QDate& first, const QDate& last);
    // Writes the range's figures and calls to `path`; ExportFinished follows.
    bool Export(const QString& path, StatsExport::Format format, const QDate& first,
                const QDate& last);

signals:
    void FiguresReady(int request, const tamberlink::CallFigures& figures);
    void BacksReady(int request, const tamberlink::CallBacks& backs);
    void ExportFinished(const QString& path, bool ok, const QString& error);

private:
    BackgroundReader reader_;
    std::atomic<int> latest_{0};
};

} // namespace tamberlink

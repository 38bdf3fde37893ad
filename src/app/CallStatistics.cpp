#include "app/CallStatistics.h"

#include <QMetaObject>

namespace tamberlink {

CallStatistics::CallStatistics(const QString& databasePath, QObject* parent)
    : QObject(parent) {
    reader_.Start(databasePath);
}

// The reader is stopped (its job cut short and joined) before the object goes, so no job
// hands anything to an object that is gone.
CallStatistics::~CallStatistics() {
    reader_.Stop();
}

int CallStatistics::Request(const QDate& first, const QDate& last) {
    const int request = ++latest_;
    const bool posted = reader_.Post([this, request, first, last](LocalDatabase& db) {
        if (request != latest_) {
            return;
        }
        CallFigures figures = db.Figures().Figures(first, last);
        QMetaObject::invokeMethod(
            this,
            [this, request, figures = std::move(figures)] {
                if (request == latest_) {
                    emit FiguresReady(request, figures);
                }
            },
            Qt::QueuedConnection);
        if (request != latest_) {
            return;
        }
        CallBacks backs = db.Figures().Backs(first, last, kBusiestShown);
        QMetaObject::invokeMethod(
            this,
            [this, request, backs = std::move(backs)] {
                if (request == latest_) {
                    emit BacksReady(request, backs);
                }
            },
            Qt::QueuedConnection);
    });
    return posted ? request : 0;
}

bool CallStatistics::Export(const QString& path, StatsExport::Format format, const QDate& first,
                            const QDate& last) {
    return reader_.Post([this, path, format, first, last](LocalDatabase& db) {
        // One read transaction, so that calls logged meanwhile do not make the figures and the
        // calls of the file disagree.
        db.Figures().BeginRead();
        const CallFigures figures = db.Figures().Figures(first, last);
        const CallBacks backs = db.Figures().Backs(first, last, kBusiestShown);
        QString error;
        const bool ok = StatsExport::Write(
            path, format, figures, backs,
            [&db, first, last](const std::function<bool(const CallRow&)>& row) {
                return db.Figures().ForEachCall(first, last, row);
            },
            &error);
        db.Figures().EndRead();
        QMetaObject::invokeMethod(
            this, [this, path, ok, error] { emit ExportFinished(path, ok, error); },
            Qt::QueuedConnection);
    });
}

} // namespace tamberlink

#include "nuisance/NuisanceFileTask.h"

#include "nuisance/NuisanceService.h"

#include <QMetaObject>

namespace tamberlink {

NuisanceFileTask::NuisanceFileTask(NuisanceService& service, QObject* parent)
    : QObject(parent)
    , service_(service) {}

NuisanceFileTask::~NuisanceFileTask() {
    cancel_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
}

template <class Work>
bool NuisanceFileTask::Start(Work work) {
    if (running_.exchange(true)) {
        return false;
    }
    if (thread_.joinable()) {
        thread_.join();
    }
    cancel_ = false;
    thread_ = std::thread([this, work = std::move(work)] {
        // What the work reports runs on this object's thread, the outcome clearing
        // running_ there; once the object is gone (its destructor waits for this thread)
        // the posted calls are dropped with it.
        const auto post = [this](auto report) {
            QMetaObject::invokeMethod(this, std::move(report), Qt::QueuedConnection);
        };
        work(post);
    });
    return true;
}

bool NuisanceFileTask::StartImport(const QString& path) {
    return Start([this, path](const auto& post) {
        const NuisanceImportReport report = service_.Import(
            path,
            [this, &post](qint64 done, qint64 total) {
                post([this, done, total] { emit Progress(done, total); });
            },
            &cancel_);
        post([this, report] {
            running_ = false;
            emit Imported(report);
        });
    });
}

bool NuisanceFileTask::StartExport(const QString& path) {
    return Start([this, path](const auto& post) {
        QString error;
        const bool ok = service_.Export(path, &error);
        post([this, ok, error] {
            running_ = false;
            emit Exported(ok, error);
        });
    });
}

} // namespace tamberlink

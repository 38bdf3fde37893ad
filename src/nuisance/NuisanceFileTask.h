#pragma once

#include "nuisance/NuisanceFile.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <thread>

namespace tamberlink {

class NuisanceService;

// Runs an import or an export of the rules on a thread of its own, so that a file of a
// million lines never holds up the window that asked; the progress and the outcome come back
// as signals on the thread that made the task. One file at a time. Destroying the task
// cancels an import under way (which then stores nothing) and waits for its thread.
class NuisanceFileTask : public QObject {
    Q_OBJECT

public:
    explicit NuisanceFileTask(NuisanceService& service, QObject* parent = nullptr);
    ~NuisanceFileTask() override;

    // False, doing nothing, while another file is under way.
    bool StartImport(const QString& path);
    bool StartExport(const QString& path);
    // An import under way stops and stores nothing; an export finishes.
    void Cancel() { cancel_ = true; }
    bool Running() const { return running_; }

signals:
    // Bytes of the file read so far.
    void Progress(qint64 done, qint64 total);
    void Imported(const tamberlink::NuisanceImportReport& report);
    // `error` says why when the file could not be written.
    void Exported(bool ok, const QString& error);

private:
    // Starts `work` on the task's thread unless one is running.
    template <class Work>
    bool Start(Work work);

    NuisanceService& service_;
    std::thread thread_;
    std::atomic<bool> running_{false};
    std::atomic<bool> cancel_{false};
};

} // namespace tamberlink

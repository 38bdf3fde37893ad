#pragma once

#include "app/AppConfig.h"
#include "app/AppCore.h"
#include "app/UiSink.h"

#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <vector>

namespace tamberlink::test {

// A core over a fresh data folder, with a user interface that keeps every notice, runs
// `onReloadCallLog` when the whole call log may have changed and `onCallLogRows` when some
// of its rows did.
class CoreFixture : public UiSink {
public:
    CoreFixture();
    ~CoreFixture() override;

    AppCore& Core() { return *core_; }
    QStringList Tips() const { return tips_; }
    void ClearTips() { tips_.clear(); }
    std::function<void()> onReloadCallLog;
    std::function<void(const std::vector<int>&)> onCallLogRows;

    // The folder of the recordings.
    QString RecFolder() const;
    // Writes a recording of `milliseconds` of a tone as <guid>.mp3 in the recordings folder.
    bool WriteRecording(const QString& guid, int milliseconds) const;

    void ShowTip(const QString& text) override { tips_ << text; }

private:
    QTemporaryDir docs_;
    QStringList tips_;
    std::unique_ptr<AppCore> core_;
};

} // namespace tamberlink::test

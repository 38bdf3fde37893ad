#include "cloud/CloudProgress.h"

#include "cloud/CloudHost.h"

namespace tamberlink {

CloudProgress::CloudProgress(CloudHost& host)
    : host_(host) {
    watchdog_.setSingleShot(true);
    QObject::connect(&watchdog_, &QTimer::timeout, [this] { OnWatchdog(); });
}

bool CloudProgress::Start(Chain chain, int seconds) {
    if (holder_ != Chain::None) {
        return false;
    }
    holder_ = chain;
    host_.ShowProgress();
    watchdog_.start(limit_.count() > 0 ? limit_ : std::chrono::seconds(seconds));
    return true;
}

void CloudProgress::SetText(Chain chain, const QString& text) {
    if (chain == holder_) {
        host_.SetProgressText(text);
    }
}

void CloudProgress::End(Chain chain) {
    if (chain != holder_) {
        return;
    }
    holder_ = Chain::None;
    watchdog_.stop();
    host_.EndProgress();
}

void CloudProgress::OnWatchdog() {
    if (holder_ == Chain::None) {
        return;
    }
    End(holder_);
    host_.ShowTip(QStringLiteral("网络超时，请稍后再试......"));
}

} // namespace tamberlink

#include "cloud/CloudProgress.h"

#include "app/UiSink.h"

namespace tamberlink {

CloudProgress::CloudProgress(UiSink& sink)
    : sink_(sink) {
    watchdog_.setSingleShot(true);
    QObject::connect(&watchdog_, &QTimer::timeout, [this] { OnWatchdog(); });
}

bool CloudProgress::Start(Chain chain, int seconds) {
    if (holder_ != Chain::None) {
        return false;
    }
    holder_ = chain;
    sink_.ShowProgress();
    watchdog_.start(seconds * 1000);
    return true;
}

void CloudProgress::SetText(Chain chain, const QString& text) {
    if (chain == holder_) {
        sink_.SetProgressText(text);
    }
}

void CloudProgress::End(Chain chain) {
    if (chain != holder_) {
        return;
    }
    holder_ = Chain::None;
    watchdog_.stop();
    sink_.EndProgress();
}

void CloudProgress::OnWatchdog() {
    if (holder_ == Chain::None) {
        return;
    }
    End(holder_);
    sink_.ShowTip(QStringLiteral("网络超时，请稍后再试......"));
}

} // namespace tamberlink

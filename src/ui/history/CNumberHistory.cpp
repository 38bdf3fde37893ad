#include "ui/history/CNumberHistory.h"

#include "app/AppCore.h"
#include "ui/calls/RecordingPlayback.h"
#include "ui/history/HistoryItem.h"
#include "ui/history/HistoryListModel.h"
#include "ui/lists/ItemRowDelegate.h"
#include "ui/widgets/Controls.h"
#include "util/PhoneNumber.h"

#include <QDir>
#include <QListView>

namespace tamberlink {

CNumberHistory::CNumberHistory(QWidget* parent, AppCore& core)
    : WindowImplBase(parent)
    , core_(core)
    , model_(new HistoryListModel(this))
    , playback_(
          new RecordingPlayback(QDir(core.DataRoot()).filePath(QStringLiteral("Rec")), this)) {
    connect(playback_, &RecordingPlayback::Error, this,
            [this](const QString& text) { core_.ShowTip(text); });
    connect(playback_, &RecordingPlayback::Changed, this, [this](int id) {
        if (const int row = model_->RowOfId(id); row >= 0) {
            ui_.listHistory->viewport()->update(ui_.listHistory->visualRect(model_->index(row)));
        }
    });
    connect(model_, &QAbstractItemModel::modelReset, this, &CNumberHistory::Summarize);
}

void CNumberHistory::InitWindow() {
    SetControlText(ui_.labelTitle, windowTitle());
    auto* delegate = ShowRows<ItemRowDelegate<HistoryItem>>(*ui_.listHistory, *model_);
    delegate->SetActive(
        [this](const NumberHistoryRecord& entry) { return playback_->IsActive(entry.id); });
    connect(delegate, &ListRowDelegate::ButtonReleased, this, &CNumberHistory::OnButtonReleased);
}

void CNumberHistory::Show(const QString& number, const QString& name) {
    number_ = number;
    playback_->Forget([](int) { return false; });
    SetControlText(ui_.labelName, name.isEmpty() ? QStringLiteral("未知联系人") : name);
    SetControlText(ui_.labelPhone, number + QStringLiteral("  ") +
                                       core_.GetAttribution(PhoneNumber::Clean(number)));
    SetControlText(ui_.labelSummary, QString());
    const QString key = PhoneNumber::Comparable(number);
    model_->SetSource(core_, [key](LocalDatabase& db) { return db.NumberHistory().Load(key); }, {});
    model_->Reload();
}

void CNumberHistory::Summarize() {
    int calls = 0;
    int missed = 0;
    int sms = 0;
    int notes = 0;
    int outcomes = 0;
    for (int row = 0; row < model_->EntryCount(); ++row) {
        const NumberHistoryRecord* entry = model_->Entry(row);
        if (entry == nullptr) {
            continue;
        }
        switch (entry->kind) {
        case NumberHistoryRecord::Kind::Call:
            ++calls;
            missed += entry->callType == 5 ? 1 : 0;
            break;
        case NumberHistoryRecord::Kind::Sms:
            ++sms;
            break;
        case NumberHistoryRecord::Kind::Note:
            ++notes;
            break;
        case NumberHistoryRecord::Kind::Outcome:
            ++outcomes;
            break;
        }
    }
    QString summary = QStringLiteral("通话 %1 次（未接 %2）\n短信 %3 条，笔记 %4 条")
                          .arg(calls)
                          .arg(missed)
                          .arg(sms)
                          .arg(notes);
    if (outcomes > 0) {
        summary += QStringLiteral("\n名单结果 %1 条").arg(outcomes);
    }
    SetControlText(ui_.labelSummary, summary);
}

void CNumberHistory::OnButtonReleased(int row, int control) {
    const NumberHistoryRecord* entry = model_->Entry(row);
    if (entry != nullptr && HistoryItem::Control(control) == HistoryItem::Control::Play) {
        playback_->Toggle(entry->id, entry->recordGuid);
    }
}

} // namespace tamberlink

#include "dialler/PowerDialler.h"

#include "dialler/DiallerHost.h"
#include "store/DoNotCallTable.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPointer>

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace tamberlink {

namespace {

const QString kDoNotCallReason = QStringLiteral("免打扰名单");
// A workbook that could not be written is tried again this often.
constexpr int kRetryMs = 5000;
// How soon a dial waiting for the one before it looks again.
constexpr int kBusyRetryMs = 5;
// How many outcomes and skips Ctrl+Z can take back.
constexpr std::size_t kUndoSteps = 20;
// Entries changed before the campaign is saved whole again.
constexpr std::size_t kChangesBetweenWholeSaves = 64;

QJsonObject WriteToJson(const QString& number, int row, int status, const QString& remark,
                        bool exact) {
    return {
        {"number", number}, {"row", row}, {"status", status}, {"remark", remark}, {"exact", exact}};
}

// The row of `list` holding `number` nearest to `near` (itself when it still does); -1.
int RowOfNumber(const TempContactList& list, const QString& number, int near) {
    int best = -1;
    for (const TempContact& item : list.Items()) {
        if (item.number == number &&
            (best < 0 || std::abs(item.row - near) < std::abs(best - near))) {
            best = item.row;
        }
    }
    return best;
}

} // namespace

PowerDialler::PowerDialler(DiallerHost& host, DoNotCallTable& doNotCall, CallAttemptTable& attempts,
                           QObject* parent)
    : QObject(parent)
    , host_(host)
    , doNotCall_(doNotCall)
    , attempts_(attempts) {
    next_.setSingleShot(true);
    connect(&next_, &QTimer::timeout, this, &PowerDialler::Tick);
    retry_.setInterval(kRetryMs);
    connect(&retry_, &QTimer::timeout, this, [this] {
        FlushPending();
        Save();
        emit Changed();
    });
}

PowerDialler::~PowerDialler() = default;

std::int64_t PowerDialler::Now() const {
    return host_.Now().toSecsSinceEpoch();
}

bool PowerDialler::Start(const TempContactList& list, CampaignOptions options) {
    if (IsRunning()) {
        host_.ShowTip(QStringLiteral("已有连续拨号正在进行，请先结束它"));
        return false;
    }
    options.wrapUpSeconds = std::clamp(options.wrapUpSeconds, 0, 60);
    options.maxAttempts = std::max(1, options.maxAttempts);
    options.recallMinutes = std::max(0, options.recallMinutes);
    // The numbers marked 黑名单 in the list are on the do-not-call list from now on.
    std::vector<DoNotCallEntry> listed;
    for (const TempContact& item : list.Items()) {
        if (item.status == int(DialOutcome::DoNotCall)) {
            listed.push_back({item.number, kDoNotCallReason, Now()});
        }
    }
    if (!listed.empty()) {
        doNotCall_.AddAll(listed);
    }
    Campaign campaign(list.Items(), std::move(options));
    if (campaign.Entries().empty()) {
        host_.ShowTip(QStringLiteral("列表中没有需要拨打的联系人"));
        return false;
    }
    list_ = list;
    campaign_ = std::move(campaign);
    savedWhole_ = false;
    current_ = -1;
    dialled_ = callOver_ = paused_ = pausedByLine_ = false;
    undo_.clear();
    pending_.clear();
    phase_ = Phase::WrapUp;
    segment_.start();
    Advance();
    return true;
}

bool PowerDialler::HasSaved() {
    const std::optional<QString> saved = attempts_.LoadCampaign();
    return saved && !saved->isEmpty();
}

bool PowerDialler::Resume(const QString& iniPath) {
    if (IsRunning()) {
        return false;
    }
    const std::optional<QString> saved = attempts_.LoadCampaign();
    QJsonObject json = saved ? QJsonDocument::fromJson(saved->toUtf8()).object() : QJsonObject();
    if (json.isEmpty()) {
        return false;
    }
    // The changes saved since, over the whole.
    const QJsonObject changes =
        QJsonDocument::fromJson(attempts_.LoadCampaignChanges().toUtf8()).object();
    for (auto at = changes.begin(); at != changes.end(); ++at) {
        if (at.key() != QStringLiteral("campaign")) {
            json.insert(at.key(), at.value());
        }
    }
    TempContactList list(iniPath);
    if (!list.LoadWorkbook(json["file"].toString(), json["nameColumn"].toInt(),
                           json["numberColumn"].toInt())) {
        host_.ShowTip(QStringLiteral("无法读取上次连续拨号的表格，请检查文件是否还在"));
        return false;
    }
    list_ = std::move(list);
    campaign_ = Campaign::FromJson(json["campaign"].toObject());
    campaign_.ApplyChanges(changes["campaign"].toObject());
    savedWhole_ = false;
    current_ = json["current"].toInt(-1);
    if (current_ >= int(campaign_.Entries().size())) {
        current_ = -1;
    }
    dialled_ = current_ >= 0 && json["dialled"].toBool();
    // Whatever call there was ended with the program.
    callOver_ = dialled_;
    hungUpAt_ = QDateTime::currentMSecsSinceEpoch();
    paused_ = json["paused"].toBool();
    pausedByLine_ = false;
    undo_.clear();
    for (const auto& value : json["undo"].toArray()) {
        const QJsonObject step = value.toObject();
        undo_.push_back({step["index"].toInt(), Campaign::EntryFromJson(step["before"].toObject()),
                         step["wasDialled"].toBool(), step["wrote"].toBool(),
                         step["oldStatus"].toInt(), step["oldRemark"].toString(),
                         step["attemptId"].toInt(), step["noteId"].toInt(),
                         step["doNotCall"].toString()});
    }
    pending_.clear();
    for (const auto& value : json["pending"].toArray()) {
        const QJsonObject write = value.toObject();
        pending_.push_back({write["number"].toString(), write["row"].toInt(),
                            write["status"].toInt(), write["remark"].toString(),
                            write["exact"].toBool()});
    }
    segment_.start();
    WritePending();
    if (paused_) {
        phase_ = Phase::Paused;
        Save();
        emit Changed();
    } else if (dialled_) {
        phase_ = Phase::WrapUp;
        Save();
        emit Changed();
    } else {
        phase_ = Phase::WrapUp;
        Advance();
    }
    return true;
}

void PowerDialler::Stop() {
    next_.stop();
    retry_.stop();
    if (!IsRunning()) {
        attempts_.SaveCampaign(QString());
        return;
    }
    if (dialled_ && !callOver_) {
        host_.HangUp();
    }
    FlushPending();
    if (!pending_.empty()) {
        host_.ShowTip(
            QStringLiteral("有%1个结果未能写入表格，已保存在拨号记录中").arg(pending_.size()));
    }
    phase_ = Phase::Idle;
    current_ = -1;
    attempts_.SaveCampaign(QString());
    emit Changed();
    emit Ended();
}

void PowerDialler::Halt() {
    next_.stop();
    retry_.stop();
    phase_ = Phase::Idle;
    current_ = -1;
}

void PowerDialler::Advance() {
    next_.stop();
    if (!IsRunning() || paused_ || (current_ >= 0 && dialled_)) {
        emit Changed();
        return;
    }
    const std::int64_t now = Now();
    for (;;) {
        const int index = campaign_.NextDue(now);
        if (index < 0) {
            break;
        }
        const CampaignEntry& entry = campaign_.Entries()[std::size_t(index)];
        if (doNotCall_.Contains(entry.number)) {
            campaign_.Skip(index, kDoNotCallReason);
            continue;
        }
        if (host_.Busy()) {
            // The last dial is still going out: it is told done on this thread very soon.
            next_.start(kBusyRetryMs);
            return;
        }
        if (!host_.LineReady(campaign_.Options().throughPhone)) {
            pausedByLine_ = true;
            Pause(campaign_.Options().throughPhone
                      ? QStringLiteral("设备或手机未连接，连续拨号已暂停，连接后自动继续")
                      : QStringLiteral("设备未连接，连续拨号已暂停，连接后自动继续"));
            return;
        }
        Dial(index);
        return;
    }
    if (campaign_.Finished()) {
        Finish();
        return;
    }
    // Only recalls are left: the clock decides.
    current_ = -1;
    phase_ = Phase::Waiting;
    const std::int64_t due = campaign_.NextDueTime().value_or(now);
    next_.start(int(std::clamp<std::int64_t>((due - now) * 1000, 0, INT_MAX)));
    Save();
    emit Changed();
}

void PowerDialler::Dial(int index) {
    current_ = index;
    // Counted as dialled before the frame goes out: a program that ends now never dials
    // the same person twice.
    dialled_ = true;
    callOver_ = false;
    phase_ = Phase::Dialling;
    Save();
    const CampaignEntry& entry = campaign_.Entries()[std::size_t(index)];
    QPointer<PowerDialler> self(this);
    const bool queued =
        host_.Dial(entry.name, entry.number, campaign_.Options().throughPhone, [self, index] {
            if (self != nullptr) {
                self->OnPlaced(index);
            }
        });
    if (!queued) {
        dialled_ = false;
        Pause(QString());
        return;
    }
    emit Changed();
}

void PowerDialler::OnPlaced(int index) {
    if (index != current_ || !dialled_) {
        return;
    }
    campaign_.CountCall();
    if (phase_ == Phase::Dialling) {
        phase_ = Phase::InCall;
    }
    Save();
    emit Changed();
}

void PowerDialler::OnCallEnded() {
    if (current_ < 0 || !dialled_ || callOver_) {
        return;
    }
    callOver_ = true;
    hungUpAt_ = QDateTime::currentMSecsSinceEpoch();
    if (phase_ == Phase::Dialling || phase_ == Phase::InCall) {
        phase_ = Phase::WrapUp;
    }
    emit Changed();
}

bool PowerDialler::SaveOutcome(DialOutcome outcome, const QString& remark,
                               const QDateTime& recallAt) {
    if (!IsRunning() || current_ < 0 || !dialled_) {
        return false;
    }
    const bool callWasOn = !callOver_;
    if (callWasOn) {
        callOver_ = true;
        hungUpAt_ = QDateTime::currentMSecsSinceEpoch();
    }
    const CampaignEntry entry = campaign_.Entries()[std::size_t(current_)];
    UndoStep step{current_, entry, true};
    const int itemIndex = list_.IndexOfRow(entry.row);
    if (itemIndex >= 0) {
        const TempContact& item = list_.Items()[std::size_t(itemIndex)];
        step.oldStatus = item.status;
        step.oldRemark = item.remark;
    }
    step.wrote = true;
    // Saved with the state, and written once the next dial is on its way: the workbook's
    // save takes longer than the dial.
    pending_.push_back({entry.number, entry.row, int(outcome), remark, false});

    const CallAttempt attempt{
        0, Now(), entry.number, int(outcome), remark, list_.WorkbookPath(), entry.row};
    step.attemptId = attempts_.Add(attempt);
    if (outcome == DialOutcome::CallBack) {
        const QDateTime when = recallAt.isValid() ? recallAt : host_.Now().addSecs(3600);
        step.noteId = host_.AddReminder(entry.name, entry.number, when, remark);
    } else if (outcome == DialOutcome::DoNotCall &&
               doNotCall_.Add(
                   {entry.number, kDoNotCallReason + u' ' + list_.WorkbookPath(), Now()})) {
        step.doNotCallAdded = entry.number;
    }
    campaign_.Record(current_, outcome, Now());
    PushUndo(std::move(step));
    host_.PublishOutcome(attempt);
    current_ = -1;
    dialled_ = false;
    ScheduleNext();
    // A dial that went out at once releases the line itself.
    if (callWasOn && !dialled_) {
        host_.HangUp();
    }
    WritePending();
    return true;
}

bool PowerDialler::SkipCurrent() {
    if (!IsRunning() || current_ < 0) {
        return false;
    }
    if (dialled_ && !callOver_) {
        host_.HangUp();
        callOver_ = true;
        hungUpAt_ = QDateTime::currentMSecsSinceEpoch();
    }
    PushUndo({current_, campaign_.Entries()[std::size_t(current_)], dialled_});
    campaign_.Skip(current_, QStringLiteral("已跳过"));
    const bool wasDialled = dialled_;
    current_ = -1;
    dialled_ = false;
    if (wasDialled) {
        ScheduleNext();
    } else {
        Advance();
    }
    return true;
}

void PowerDialler::ScheduleNext() {
    if (paused_) {
        phase_ = Phase::Paused;
        Save();
        emit Changed();
        return;
    }
    const qint64 wait = hungUpAt_ + qint64(campaign_.Options().wrapUpSeconds) * 1000 -
                        QDateTime::currentMSecsSinceEpoch();
    if (wait <= 0) {
        Advance();
        return;
    }
    phase_ = Phase::WrapUp;
    Save();
    next_.start(int(wait));
    emit Changed();
}

void PowerDialler::TogglePause() {
    if (!IsRunning()) {
        return;
    }
    pausedByLine_ = false;
    if (!paused_) {
        Pause(QString());
        return;
    }
    paused_ = false;
    segment_.start();
    phase_ = Phase::WrapUp;
    if (current_ >= 0 && dialled_) {
        Save();
        emit Changed();
    } else {
        Advance();
    }
}

void PowerDialler::Pause(const QString& notice) {
    next_.stop();
    CloseSegment();
    paused_ = true;
    phase_ = Phase::Paused;
    Save();
    if (!notice.isEmpty()) {
        host_.ShowTip(notice);
    }
    emit Changed();
}

void PowerDialler::OnLineChanged() {
    if (!IsRunning()) {
        return;
    }
    const bool ready = host_.LineReady(campaign_.Options().throughPhone);
    if (!ready && !paused_) {
        pausedByLine_ = true;
        Pause(QStringLiteral("设备已断开，连续拨号已暂停，连接恢复后自动继续"));
    } else if (ready && paused_ && pausedByLine_) {
        TogglePause();
    }
}

void PowerDialler::Tick() {
    if (IsRunning() && !paused_ && !(current_ >= 0 && dialled_)) {
        Advance();
    }
}

bool PowerDialler::Undo() {
    if (undo_.empty()) {
        host_.ShowTip(QStringLiteral("没有可以撤销的结果"));
        return false;
    }
    if (!IsRunning()) {
        return false;
    }
    const UndoStep step = undo_.back();
    undo_.pop_back();
    next_.stop();
    const CampaignEntry& entry = campaign_.Entries()[std::size_t(step.index)];
    if (step.wrote) {
        WriteRow({entry.number, entry.row, step.oldStatus, step.oldRemark, true});
    }
    if (step.attemptId != 0) {
        attempts_.Delete(step.attemptId);
    }
    if (step.noteId != 0) {
        host_.DeleteNote(step.noteId);
    }
    if (!step.doNotCallAdded.isEmpty()) {
        doNotCall_.Remove(step.doNotCallAdded);
    }
    CampaignEntry before = step.before;
    before.row = entry.row; // the row it was written to, should rows have moved meanwhile
    campaign_.Entry(step.index) = before;
    if (current_ < 0 && step.wasDialled) {
        // The person waits for the right outcome without being called again.
        current_ = step.index;
        dialled_ = true;
        callOver_ = true;
        if (!paused_) {
            phase_ = Phase::WrapUp;
        }
        Save();
        emit Changed();
    } else {
        Advance();
        Save();
    }
    return true;
}

void PowerDialler::Finish() {
    next_.stop();
    CloseSegment();
    phase_ = Phase::Finished;
    current_ = -1;
    dialled_ = false;
    FlushPending();
    if (pending_.empty()) {
        attempts_.SaveCampaign(QString());
        retry_.stop();
    } else {
        Save();
    }
    const CampaignProgress progress = campaign_.Progress();
    host_.ShowTip(QStringLiteral("连续拨号已完成：共%1人，跳过%2人")
                      .arg(progress.total)
                      .arg(progress.skipped));
    emit Changed();
    emit Ended();
}

void PowerDialler::CloseSegment() {
    if (segment_.isValid()) {
        campaign_.AddElapsed(segment_.elapsed() / 1000);
        segment_.invalidate();
    }
}

CampaignProgress PowerDialler::Progress() const {
    CampaignProgress progress = campaign_.Progress();
    if (segment_.isValid()) {
        progress.elapsedSeconds += segment_.elapsed() / 1000;
    }
    return progress;
}

int PowerDialler::Upcoming() const {
    return campaign_.Following(current_);
}

std::vector<CallAttempt> PowerDialler::EarlierAttempts(const QString& number) {
    return attempts_.ForNumber(number);
}

void PowerDialler::Save() {
    QJsonArray undo;
    for (const UndoStep& step : undo_) {
        undo.append(QJsonObject{{"index", step.index},
                                {"before", Campaign::EntryToJson(step.before)},
                                {"wasDialled", step.wasDialled},
                                {"wrote", step.wrote},
                                {"oldStatus", step.oldStatus},
                                {"oldRemark", step.oldRemark},
                                {"attemptId", step.attemptId},
                                {"noteId", step.noteId},
                                {"doNotCall", step.doNotCallAdded}});
    }
    QJsonArray pending;
    for (const Write& write : pending_) {
        pending.append(
            WriteToJson(write.number, write.row, write.status, write.remark, write.exact));
    }
    QJsonObject json{{"current", current_},
                     {"dialled", dialled_},
                     {"paused", paused_ && !pausedByLine_},
                     {"undo", undo},
                     {"pending", pending}};
    const std::int64_t elapsed = segment_.isValid() ? segment_.elapsed() / 1000 : 0;
    // A long list is saved whole now and then; in between only what changed, which is what
    // stands between an outcome and the next dial.
    if (savedWhole_ && campaign_.ChangedCount() <= kChangesBetweenWholeSaves) {
        json.insert(QStringLiteral("campaign"), campaign_.ChangesToJson(elapsed));
        attempts_.SaveCampaignChanges(
            QString::fromUtf8(QJsonDocument(json).toJson(QJsonDocument::Compact)));
        return;
    }
    json.insert(QStringLiteral("file"), list_.WorkbookPath());
    json.insert(QStringLiteral("nameColumn"), list_.NameColumn());
    json.insert(QStringLiteral("numberColumn"), list_.NumberColumn());
    QByteArray text = QJsonDocument(json).toJson(QJsonDocument::Compact);
    // The campaign joins as text: its closing brace gives way to one more member.
    text.chop(1);
    text += ",\"campaign\":";
    text += campaign_.ToJsonText(elapsed);
    text += '}';
    savedWhole_ = attempts_.SaveCampaign(QString::fromUtf8(text));
    if (savedWhole_) {
        campaign_.MarkSaved();
    }
}

void PowerDialler::WriteRow(const Write& write) {
    pending_.push_back(write);
    WritePending();
}

void PowerDialler::WritePending() {
    FlushPending();
    if (!pending_.empty() && !retry_.isActive()) {
        host_.ShowTip(QStringLiteral("表格暂时无法写入（可能已被其他程序打开或为只读），"
                                     "结果已保留，可以写入时会自动补写"));
        retry_.start();
    }
}

void PowerDialler::PushUndo(UndoStep step) {
    undo_.push_back(std::move(step));
    if (undo_.size() > kUndoSteps) {
        undo_.erase(undo_.begin());
    }
}

void PowerDialler::FlushPending() {
    while (!pending_.empty() && TryWrite(pending_.front())) {
        pending_.erase(pending_.begin());
    }
    if (pending_.empty()) {
        retry_.stop();
    }
}

bool PowerDialler::TryWrite(Write& write) {
    using Outcome = TempContactList::Outcome;
    for (int tries = 0; tries < 3; ++tries) {
        // The list may have been read again since: the number is looked for where it is now.
        const int row = RowOfNumber(list_, write.number, write.row);
        if (row < 0) {
            host_.ShowTip(
                QStringLiteral("%1已不在表格中，结果只保存在拨号记录中").arg(write.number));
            return true;
        }
        write.row = row;
        const TempContactList::UpdateResult result =
            write.exact ? list_.WriteCells(write.row, write.status, write.remark)
                        : list_.UpdateTempContact(write.row, write.status, write.remark);
        if (result.Ok()) {
            const int index = list_.IndexOfRow(write.row);
            if (index >= 0) {
                const TempContact& item = list_.Items()[std::size_t(index)];
                emit CellsWritten(write.row, item.status, item.remark);
            }
            return true;
        }
        switch (result.outcome) {
        case Outcome::CannotOpen:
        case Outcome::SaveFailed:
            return false;
        case Outcome::RemarkTooLong:
            host_.ShowTip(QStringLiteral("备注太长，未写入表格；结果已保存在拨号记录中"));
            return true;
        case Outcome::RowMoved:
        case Outcome::NoSuchItem:
        case Outcome::Saved:
        case Outcome::SavedToCopy:
            // Rows were inserted or deleted: the list has been read again.
            FollowMovedRows();
            break;
        }
    }
    return false;
}

void PowerDialler::FollowMovedRows() {
    QHash<QString, std::vector<int>> rows;
    for (const TempContact& item : list_.Items()) {
        rows[item.number].push_back(item.row);
    }
    for (std::size_t i = 0; i < campaign_.Entries().size(); ++i) {
        CampaignEntry& entry = campaign_.Entry(int(i));
        const auto found = rows.constFind(entry.number);
        if (found == rows.constEnd()) {
            continue;
        }
        const auto nearest = std::min_element(found->begin(), found->end(), [&](int a, int b) {
            return std::abs(a - entry.row) < std::abs(b - entry.row);
        });
        entry.row = *nearest;
    }
}

} // namespace tamberlink

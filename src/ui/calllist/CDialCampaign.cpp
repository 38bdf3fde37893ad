#include "ui/calllist/CDialCampaign.h"

#include "app/AppCore.h"
#include "dialler/PowerDialler.h"
#include "ui/widgets/CButtonUI.h"
#include "ui/widgets/Controls.h"

#include <QDateTime>
#include <QKeyEvent>

namespace tamberlink {

namespace {

QString Duration(std::int64_t seconds) {
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

CDialCampaign::CDialCampaign(QWidget* parent, AppCore& core, const TempContactList& list,
                             std::vector<int> checkedRows)
    : WindowImplBase(parent)
    , core_(core)
    , dialler_(core.Dialler())
    , list_(list)
    , checkedRows_(std::move(checkedRows)) {}

void CDialCampaign::InitWindow() {
    SetControlText(ui_.labelTitle, windowTitle());
    ui_.ComboLine->addItems({QStringLiteral("固话"), QStringLiteral("手机")});
    ui_.ComboScope->addItems({QStringLiteral("所有未完成的联系人"),
                              QStringLiteral("勾选的联系人（%1人）").arg(checkedRows_.size())});
    ui_.ComboScope->setCurrentIndex(checkedRows_.empty() ? 0 : 1);
    for (QLabel* label :
         {ui_.LabelName, ui_.LabelPhone, ui_.LabelRemark, ui_.LabelHistory, ui_.LabelNext}) {
        label->setTextFormat(Qt::PlainText);
    }
    CButtonUI* const outcomes[] = {ui_.ButtonOutcome1, ui_.ButtonOutcome2, ui_.ButtonOutcome3,
                                   ui_.ButtonOutcome4};
    for (int i = 0; i < 4; ++i) {
        connect(outcomes[i], &QAbstractButton::clicked, this, [this, i] { Choose(i + 1); });
    }
    connect(ui_.ButtonStart, &QAbstractButton::clicked, this, &CDialCampaign::Start);
    connect(ui_.ButtonSave, &QAbstractButton::clicked, this, &CDialCampaign::Save);
    connect(ui_.ButtonSkip, &QAbstractButton::clicked, &dialler_, &PowerDialler::SkipCurrent);
    connect(ui_.ButtonPause, &QAbstractButton::clicked, &dialler_, &PowerDialler::TogglePause);
    connect(ui_.ButtonUndo, &QAbstractButton::clicked, &dialler_, &PowerDialler::Undo);
    connect(ui_.ButtonStop, &QAbstractButton::clicked, &dialler_, &PowerDialler::Stop);
    connect(ui_.EditRemark, &QLineEdit::returnPressed, this, &CDialCampaign::Save);
    connect(&dialler_, &PowerDialler::Changed, this, &CDialCampaign::Refresh);
    ui_.EditRemark->installEventFilter(this);
    ui_.EditRecallAt->installEventFilter(this);
    Refresh();
}

bool CDialCampaign::Start() {
    CampaignOptions options;
    options.throughPhone = ui_.ComboLine->currentIndex() == 1;
    options.wrapUpSeconds = ui_.SpinWrapUp->value();
    options.recallMinutes = ui_.SpinRecall->value();
    options.maxAttempts = ui_.SpinAttempts->value();
    options.dialDuplicates = ui_.CheckDuplicates->isChecked();
    if (ui_.ComboScope->currentIndex() == 1) {
        if (checkedRows_.empty()) {
            core_.ShowTip(QStringLiteral("请先在列表中勾选要拨打的联系人"));
            return false;
        }
        options.rows = checkedRows_;
    }
    if (!dialler_.Start(list_, std::move(options))) {
        return false;
    }
    ui_.EditRemark->setFocus();
    Refresh();
    return true;
}

void CDialCampaign::OnCloseClicked() {
    // No call goes out while nobody sees the panel.
    if (dialler_.IsRunning() && dialler_.CurrentPhase() != PowerDialler::Phase::Paused) {
        dialler_.TogglePause();
    }
    Close();
}

bool CDialCampaign::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && HandleKey(*static_cast<QKeyEvent*>(event))) {
        return true;
    }
    return WindowImplBase::eventFilter(watched, event);
}

void CDialCampaign::keyPressEvent(QKeyEvent* event) {
    if (!HandleKey(*event)) {
        WindowImplBase::keyPressEvent(event);
    }
}

bool CDialCampaign::HandleKey(const QKeyEvent& key) {
    if (!dialler_.IsRunning()) {
        return false;
    }
    if (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter) {
        Save();
        return true;
    }
    // Once a remark is being typed, every other key belongs to it.
    if (!ui_.EditRemark->text().isEmpty()) {
        return false;
    }
    const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
    if (key.matches(QKeySequence::Undo)) {
        dialler_.Undo();
        return true;
    }
    if (modifiers != Qt::NoModifier && modifiers != Qt::ShiftModifier) {
        return false;
    }
    switch (key.key()) {
    case Qt::Key_1:
    case Qt::Key_2:
    case Qt::Key_3:
    case Qt::Key_4:
        Choose(key.key() - Qt::Key_0);
        return true;
    case Qt::Key_S:
        dialler_.SkipCurrent();
        return true;
    case Qt::Key_Space:
        dialler_.TogglePause();
        return true;
    default:
        return false;
    }
}

void CDialCampaign::Choose(int outcome) {
    if (dialler_.Current() < 0) {
        return;
    }
    chosen_ = outcome;
    if (outcome == int(DialOutcome::CallBack)) {
        ui_.EditRecallAt->setDateTime(QDateTime::currentDateTime().addSecs(3600));
    }
    Refresh();
    ui_.EditRemark->setFocus();
}

void CDialCampaign::Save() {
    if (dialler_.Current() < 0) {
        return;
    }
    if (chosen_ == 0) {
        core_.ShowTip(QStringLiteral("请先按1-4选择本次通话的结果"));
        return;
    }
    const QDateTime recallAt =
        chosen_ == int(DialOutcome::CallBack) ? ui_.EditRecallAt->dateTime() : QDateTime();
    if (dialler_.SaveOutcome(DialOutcome(chosen_), ui_.EditRemark->text(), recallAt)) {
        ui_.EditRemark->clear();
        chosen_ = 0;
        Refresh();
    }
}

QString CDialCampaign::PhaseText() const {
    using Phase = PowerDialler::Phase;
    switch (dialler_.CurrentPhase()) {
    case Phase::Idle:
        return QStringLiteral("连续拨号已结束");
    case Phase::Dialling:
        return QStringLiteral("正在拨号…");
    case Phase::InCall:
        return QStringLiteral("通话中，结束后按1-4选择结果");
    case Phase::WrapUp:
        return dialler_.Current() >= 0 ? QStringLiteral("请选择结果并回车")
                                       : QStringLiteral("整理中，稍后拨打下一位");
    case Phase::Paused:
        return QStringLiteral("已暂停，按空格继续");
    case Phase::Waiting:
        return QStringLiteral("等待未接通的号码到时重拨");
    case Phase::Finished:
        return QStringLiteral("已全部完成");
    }
    return {};
}

QString CDialCampaign::HistoryText(const QString& number) {
    const std::vector<CallAttempt> attempts = dialler_.EarlierAttempts(number);
    if (attempts.empty()) {
        return QStringLiteral("此前没有拨打记录");
    }
    QStringList parts;
    // The latest three, newest first.
    for (auto it = attempts.rbegin(); it != attempts.rend() && parts.size() < 3; ++it) {
        QString part =
            QDateTime::fromSecsSinceEpoch(it->time).toString(QStringLiteral("MM-dd HH:mm")) + u' ' +
            TempContact::StatusText(it->outcome);
        if (!it->remark.isEmpty()) {
            part += QStringLiteral("（%1）").arg(it->remark);
        }
        parts << part;
    }
    return QStringLiteral("此前%1次：").arg(attempts.size()) + parts.join(QStringLiteral("；"));
}

void CDialCampaign::Refresh() {
    const bool running = dialler_.IsRunning();
    const bool started = running || dialler_.CurrentPhase() == PowerDialler::Phase::Finished;
    ui_.PanelSetup->setVisible(!started);
    ui_.PanelRun->setVisible(started);
    if (!started) {
        return;
    }
    SetControlText(ui_.LabelPhase, PhaseText());
    const auto& entries = dialler_.State().Entries();
    const int current = dialler_.Current();
    if (current != shownEntry_) {
        shownEntry_ = current;
        chosen_ = 0;
        ui_.EditRemark->clear();
        if (current >= 0) {
            const CampaignEntry& entry = entries[std::size_t(current)];
            const int index = dialler_.List().IndexOfRow(entry.row);
            const QString remark =
                index >= 0 ? dialler_.List().Items()[std::size_t(index)].remark : QString();
            SetControlText(ui_.LabelName,
                           entry.name.isEmpty() ? QStringLiteral("（无名字）") : entry.name);
            SetControlText(ui_.LabelPhone,
                           QStringLiteral("%1    %2    第%3行")
                               .arg(entry.number, core_.GetAttribution(entry.number))
                               .arg(entry.row + 1));
            SetControlText(ui_.LabelRemark, remark.isEmpty()
                                                ? QStringLiteral("表格中没有备注")
                                                : QStringLiteral("表格备注：") + remark);
            SetControlText(ui_.LabelHistory, HistoryText(entry.number));
        } else {
            for (QLabel* label :
                 {ui_.LabelName, ui_.LabelPhone, ui_.LabelRemark, ui_.LabelHistory}) {
                SetControlText(label, QString());
            }
        }
    }
    const int upcoming = dialler_.Upcoming();
    SetControlText(ui_.LabelNext, upcoming >= 0 ? QStringLiteral("下一位：%1  %2  第%3行")
                                                      .arg(entries[std::size_t(upcoming)].name,
                                                           entries[std::size_t(upcoming)].number)
                                                      .arg(entries[std::size_t(upcoming)].row + 1)
                                                : QStringLiteral("下一位：没有了"));
    const CampaignProgress progress = dialler_.Progress();
    QString text = QStringLiteral("进度 %1/%2 · 已联系 %3 · 未接通 %4 · 再联系 %5 · 黑名单 %6\n"
                                  "跳过 %7（免打扰 %8） · 每小时 %9 通 · 用时 %10")
                       .arg(progress.done)
                       .arg(progress.total)
                       .arg(progress.perOutcome[1])
                       .arg(progress.perOutcome[2])
                       .arg(progress.perOutcome[3])
                       .arg(progress.perOutcome[4])
                       .arg(progress.skipped)
                       .arg(progress.doNotCall)
                       .arg(progress.CallsPerHour())
                       .arg(Duration(progress.elapsedSeconds));
    if (dialler_.PendingWrites() > 0) {
        text += QStringLiteral(" · %1个结果等待写入表格").arg(dialler_.PendingWrites());
    }
    SetControlText(ui_.LabelProgress, text);

    CButtonUI* const outcomes[] = {ui_.ButtonOutcome1, ui_.ButtonOutcome2, ui_.ButtonOutcome3,
                                   ui_.ButtonOutcome4};
    for (int i = 0; i < 4; ++i) {
        outcomes[i]->setChecked(chosen_ == i + 1);
        outcomes[i]->setEnabled(running && current >= 0);
    }
    const bool recall = chosen_ == int(DialOutcome::CallBack);
    ui_.LabelRecallAt->setVisible(recall);
    ui_.EditRecallAt->setVisible(recall);
    ui_.EditRemark->setEnabled(running && current >= 0);
    ui_.ButtonSave->setEnabled(running && current >= 0);
    ui_.ButtonSkip->setEnabled(running && current >= 0);
    ui_.ButtonPause->setEnabled(running);
    SetControlText(ui_.ButtonPause, dialler_.CurrentPhase() == PowerDialler::Phase::Paused
                                        ? QStringLiteral("继续")
                                        : QStringLiteral("暂停"));
    ui_.ButtonUndo->setEnabled(running && dialler_.CanUndo());
    ui_.ButtonStop->setEnabled(running);
    if (running && current >= 0 && !ui_.EditRecallAt->hasFocus()) {
        ui_.EditRemark->setFocus();
    }
}

} // namespace tamberlink

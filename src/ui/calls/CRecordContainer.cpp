#include "ui/calls/CRecordContainer.h"

#include "app/AppCore.h"
#include "store/LocalDatabase.h"
#include "ui/calls/CSoftKeyboard.h"
#include "ui/calls/CallLogModel.h"
#include "ui/calls/RecordingPlayback.h"
#include "ui/nuisance/NuisanceActions.h"
#include "ui/shell/CTipDialog.h"
#include "ui/widgets/CButtonUI.h"
#include "ui/widgets/Controls.h"
#include "ui/widgets/NumberValidator.h"
#include "ui/widgets/SkinForm.h"

#include <QDir>
#include <QLayout>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QScrollBar>
#include <algorithm>
#include <iterator>

namespace tamberlink {

CRecordContainer::CRecordContainer(AppCore& core, QWidget* parent)
    : QWidget(parent)
    , core_(core)
    , model_(new CallLogModel(this))
    , playback_(
          new RecordingPlayback(QDir(core.DataRoot()).filePath(QStringLiteral("Rec")), this)) {
    model_->SetPagedSource(
        core_,
        [&core = core_, followUpOnly = followUpOnly_](LocalDatabase& db, int limit) {
            // The calls to follow up are known in memory: all of them come at once.
            return *followUpOnly ? core.FollowUp().WaitingIds() : db.CallLog().Ids(limit);
        },
        [](LocalDatabase& db, const std::vector<int>& ids) {
            return db.CallLog().GetEntries(ids);
        });
    // A recording playing for a call that left the list stops with it.
    connect(model_, &QAbstractItemModel::rowsRemoved, this,
            &CRecordContainer::ForgetRemovedPlayers);
    connect(model_, &QAbstractItemModel::modelReset, this, &CRecordContainer::ForgetRemovedPlayers);
    connect(playback_, &RecordingPlayback::Error, this,
            [this](const QString& text) { core_.ShowTip(text); });
    connect(playback_, &RecordingPlayback::Changed, this, [this](int id) {
        const int row = model_->RowOfId(id);
        if (row >= 0 && ui_.ListRecord != nullptr) {
            ui_.ListRecord->viewport()->update(ui_.ListRecord->visualRect(model_->index(row)));
        }
    });
}

CRecordContainer::~CRecordContainer() {
    CloseKeyboard();
}

void CRecordContainer::Build() {
    SkinForm::SetUp(ui_, this);
    CButtonUI* callMobile = ui_.ButtonMainCallMobile;
    CButtonUI* callTel = ui_.ButtonMainCallTel;

    ui_.PanelEdit->setFont(SkinFont(4));
    SetNumberInput(ui_.PanelEdit, kNumberMaxLength);

    connect(ui_.btnKeyboard, &QAbstractButton::clicked, this,
            &CRecordContainer::OpenOrCloseKeyboard);

    callMobile->SetForeImage(QStringLiteral("file='titleTecord.png' dest='23,11,55,44'"));
    callMobile->SetTextPadding(QMargins(7, 40, 0, 0));
    callMobile->SetHotTextColor(QColor(0xFFFFFFFFu));
    connect(callMobile, &QAbstractButton::clicked, this, [this] { DialFromNumberBox(true); });

    callTel->SetForeImage(QStringLiteral("file='ButtonCallTel.png' dest='23,11,58,45'"));
    callTel->SetTextPadding(QMargins(7, 40, 0, 0));
    callTel->SetHotTextColor(QColor(0xFFFFFFFFu));
    connect(callTel, &QAbstractButton::clicked, this, [this] { DialFromNumberBox(false); });

    MakeToolbar(ui_.LayoutToolbar);

    delegate_ = ShowRows<CallLogDelegate>(*ui_.ListRecord, *model_);
    delegate_->SetActive(
        [this](const CallLogRecord& entry) { return playback_->IsActive(entry.id); });
    FollowRows(*delegate_, this, &CRecordContainer::OnButtonReleased,
               CItemRecordUI::Control::CallTel, &CRecordContainer::AskToDeleteRow);
    ui_.ListRecord->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ui_.ListRecord, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        OpenRowMenu(ui_.ListRecord->indexAt(pos).row(),
                    ui_.ListRecord->viewport()->mapToGlobal(pos));
    });
    // Nothing is checked after a reload, so neither is the select-all box.
    connect(model_, &QAbstractItemModel::modelReset, selectAll_,
            [this] { selectAll_->setChecked(false); });
}

void CRecordContainer::MakeToolbar(QWidget* toolbar) {
    deleteButton_ = new CButtonUI(toolbar);
    deleteButton_->setObjectName(QStringLiteral("ButtonDeleteRecord"));
    SetFloat(deleteButton_, toolbar, QRect(15, 5, 67, 24));
    deleteButton_->SetForeImage(QStringLiteral("file='tabBtnDelete.png' dest='8,4,23,21'"));
    deleteButton_->SetNormalImage(QStringLiteral("tabBtnNomal.png"));
    deleteButton_->SetHotImage(QStringLiteral("tabBtnHot.png"));
    deleteButton_->SetPushedImage(QStringLiteral("tabBtnPush.png"));
    deleteButton_->setText(QStringLiteral("删除"));
    deleteButton_->SetTextPadding(QMargins(20, 0, 0, 0));
    deleteButton_->SetTextColor(QColor(0xFF808080u));
    connect(deleteButton_, &QAbstractButton::clicked, this, &CRecordContainer::DeleteCheckedRows);

    selectAll_ = new CButtonUI(toolbar);
    selectAll_->setObjectName(QStringLiteral("CheckSelectAll"));
    selectAll_->setCheckable(true);
    SetFloat(selectAll_, toolbar, QRect(100, 10, 14, 14));
    selectAll_->SetNormalImage(QStringLiteral("tabBtnUncheck.png"));
    selectAll_->SetSelectedImage(QStringLiteral("tabBtnCheck.png"));
    selectAll_->setToolTip(QStringLiteral("全选"));
    connect(selectAll_, &QAbstractButton::clicked, this, &CRecordContainer::ToggleAll);

    followUpButton_ = new CButtonUI(toolbar);
    followUpButton_->setObjectName(QStringLiteral("ButtonFollowUp"));
    followUpButton_->setCheckable(true);
    SetFloat(followUpButton_, toolbar, QRect(190, 5, 96, 24));
    followUpButton_->SetNormalImage(QStringLiteral("tabBtnNomal.png"));
    followUpButton_->SetHotImage(QStringLiteral("tabBtnHot.png"));
    followUpButton_->SetPushedImage(QStringLiteral("tabBtnPush.png"));
    followUpButton_->SetSelectedImage(QStringLiteral("tabBtnPush.png"));
    followUpButton_->setToolTip(QStringLiteral("只看还没回拨的未接来电"));
    connect(followUpButton_, &QAbstractButton::clicked, this,
            [this] { ShowFollowUpOnly(followUpButton_->isChecked()); });
    FollowUpChanged(core_.FollowUp().Count());
}

void CRecordContainer::ShowFollowUpOnly(bool on) {
    if (followUpButton_ != nullptr) {
        followUpButton_->setChecked(on);
    }
    if (*followUpOnly_ == on) {
        return;
    }
    *followUpOnly_ = on;
    model_->SetPlaceholderText(on ? QStringLiteral("没有等待回拨的未接来电") : QString());
    model_->Reload();
}

void CRecordContainer::FollowUpChanged(int count) {
    if (followUpButton_ != nullptr) {
        followUpButton_->setText(QStringLiteral("待回拨 %1").arg(count));
        followUpButton_->SetTextColor(QColor(count > 0 ? 0xFFEF4B44u : 0xFF808080u));
    }
    if (*followUpOnly_) {
        model_->Reload();
    }
}

void CRecordContainer::ToggleAll() {
    // The click has already turned the box over: the rows follow it.
    model_->SetAllChecked(selectAll_->isChecked());
}

void CRecordContainer::DeleteCheckedRows() {
    if (model_->rowCount() == 0) {
        return;
    }
    const std::vector<int> rows = model_->CheckedRows();
    const std::vector<int> ids = model_->IdsOf(rows);
    // The rows that stay stay where the user sees them; a list left empty shows the
    // placeholder at once.
    const int scrolled = ui_.ListRecord->verticalScrollBar()->value();
    model_->RemoveRows(rows);
    ui_.ListRecord->verticalScrollBar()->setValue(scrolled);
    if (!ids.empty()) {
        core_.DeleteCallLogs(ids);
    }
    if (selectAll_ != nullptr) {
        selectAll_->setChecked(false);
    }
}

void CRecordContainer::AskToDeleteRow(int row) {
    const CallLogRecord* entry = model_->Entry(row);
    if (entry == nullptr) {
        return;
    }
    // The entry is known by its id: the list may change before the answer comes.
    const int id = entry->id;
    AskOnPage(this, QStringLiteral("您确定删除这条通话记录吗？"), [this, id] {
        if (const int at = model_->RowOfId(id); at >= 0) {
            model_->RemoveRows({at});
        }
        core_.DeleteCallLogs({id});
    });
}

void CRecordContainer::DialFromNumberBox(bool throughPhone) {
    if (ui_.PanelEdit != nullptr) {
        emit DialRequested(ui_.PanelEdit->text(), throughPhone);
    }
}

void CRecordContainer::DialRow(int row, bool throughPhone) {
    if (const CallLogRecord* entry = model_->Entry(row)) {
        emit DialRequested(QString(entry->phone), throughPhone);
    }
}

CSoftKeyboard* CRecordContainer::Keyboard() const {
    return keyboard_ != nullptr && !keyboard_->IsClosing() ? keyboard_.data() : nullptr;
}

void CRecordContainer::OpenOrCloseKeyboard() {
    if (Keyboard() != nullptr) {
        CloseKeyboard();
        return;
    }
    keyboard_ =
        OpenWindow<CSoftKeyboard>(window(), QStringLiteral("键盘"), CSoftKeyboard::kPosition);
    if (keyboard_ != nullptr) {
        connect(keyboard_, &CSoftKeyboard::Input, this, &CRecordContainer::KeyboardInput);
        connect(keyboard_, &CSoftKeyboard::CloseRequested, this, &CRecordContainer::CloseKeyboard);
    }
}

void CRecordContainer::CloseKeyboard() {
    if (keyboard_ != nullptr) {
        keyboard_->Close();
    }
    keyboard_ = nullptr;
}

void CRecordContainer::KeyboardInput(const QString& text) {
    if (ui_.PanelEdit == nullptr) {
        return;
    }
    QString number = ui_.PanelEdit->text();
    if (text.isEmpty()) {
        number.chop(1);
    } else {
        number += text;
    }
    ui_.PanelEdit->setText(number);
}

void CRecordContainer::LoadCallLog() {
    model_->Reload();
}

void CRecordContainer::RefreshRows(const std::vector<int>& ids) {
    if (!*followUpOnly_) {
        model_->Refresh(ids);
        return;
    }
    // New calls come in through FollowUpChanged; only the rows shown are read again.
    std::vector<int> shown;
    std::copy_if(ids.begin(), ids.end(), std::back_inserter(shown),
                 [this](int id) { return model_->RowOfId(id) >= 0; });
    model_->Refresh(shown);
}

QMenu* CRecordContainer::OpenRowMenu(int row, std::optional<QPoint> at) {
    const CallLogRecord* entry = model_->Entry(row);
    if (entry == nullptr) {
        return nullptr;
    }
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const QString phone = entry->phone;
    const QString name = entry->nameIsPhone ? QString() : entry->name;
    menu->addAction(QStringLiteral("号码记录…"), this,
                    [this, phone, name] { emit HistoryRequested(phone, name); })
        ->setEnabled(!phone.isEmpty());
    if (core_.FollowUp().Find(phone)) {
        menu->addAction(QStringLiteral("已处理"), this, [this, phone] {
            if (!core_.FollowUp().MarkDone(phone)) {
                core_.ShowTip(QStringLiteral("标记失败，请稍后再试"));
            }
        });
    }
    menu->addSeparator();
    const QStringList number{entry->phone};
    QAction* block = menu->addAction(QStringLiteral("拦截此号码"), this, [this, number] {
        nuisance_actions::BlockCallers(core_, number);
    });
    block->setEnabled(!entry->phone.isEmpty());
    if (!entry->nuisanceLabel.isEmpty()) {
        menu->addAction(QStringLiteral("不是骚扰"), this,
                        [this, number] { nuisance_actions::MarkNotNuisance(core_, number); });
    }
    menu->addSeparator();
    menu->addAction(QStringLiteral("骚扰拦截设置…"), this,
                    &CRecordContainer::NuisanceSettingsRequested);
    if (at) {
        menu->popup(*at);
    }
    return menu;
}

void CRecordContainer::ForgetRemovedPlayers() {
    playback_->Forget([this](int id) { return model_->RowOfId(id) >= 0; });
}

void CRecordContainer::OnButtonReleased(int row, int control) {
    const CallLogRecord* found = model_->Entry(row);
    if (found == nullptr) {
        return;
    }
    // A copy: what the button sets off may reload the list.
    const CallLogRecord entry = *found;
    switch (CItemRecordUI::Control(control)) {
    case CItemRecordUI::Control::Check:
        model_->SetChecked(row, !model_->IsChecked(row));
        break;
    case CItemRecordUI::Control::Play:
        playback_->Toggle(entry.id, entry.recordGuid);
        break;
    case CItemRecordUI::Control::CallTel:
        DialRow(row, false);
        break;
    case CItemRecordUI::Control::CallMobile:
        DialRow(row, true);
        break;
    case CItemRecordUI::Control::Sms:
        emit SmsRequested(entry.name, entry.phone);
        break;
    case CItemRecordUI::Control::AddContact:
        emit AddContactRequested(entry.phone);
        break;
    case CItemRecordUI::Control::Note:
        emit NoteRequested(entry);
        break;
    default:
        break;
    }
}

} // namespace tamberlink

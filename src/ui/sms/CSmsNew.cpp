#include "ui/sms/CSmsNew.h"

#include "app/AppCore.h"
#include "ui/lists/ItemRowDelegate.h"
#include "ui/sms/CSmsContacts.h"
#include "ui/sms/RecipientItem.h"
#include "ui/sms/RecipientListModel.h"
#include "ui/widgets/Controls.h"

#include <QLineEdit>
#include <QListView>
#include <QScrollBar>
#include <QSet>
#include <QStyle>

#include <utility>

namespace tamberlink {

CSmsNew::CSmsNew(QWidget* parent, AppCore& core, SmsRecipients recent)
    : SmsComposeBase(parent, core)
    , recent_(std::move(recent))
    , tileModel_(new RecipientListModel(this)) {}

void CSmsNew::InitWindow() {
    SetControlText(ui_.labelTitle, windowTitle());
    numberEdit_ = ui_.EditInput;
    SetNumberInput(numberEdit_, kNumberMaxLength);
    SetEditBorder(numberEdit_, 1, QColor(0xFFE1E1E1u), QColor(0xFF77C5E5u));

    tiles_ = ui_.TileLayoutList;
    auto* delegate = ShowRows<ItemRowDelegate<TargetSend>>(*tiles_, *tileModel_);
    // Tiles fill rows of kTileColumns, left to right.
    tiles_->setFlow(QListView::LeftToRight);
    tiles_->setWrapping(true);
    tiles_->setResizeMode(QListView::Adjust);
    tiles_->setGridSize(QSize(TargetSend::kWidth, TargetSend::kHeight));
    tiles_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    SetEditPadding(tiles_, kTileInset, kTileInset, kTileInset, kTileInset);
    // Wide enough for a row of tiles beside the scroll bar that many tiles bring (and a pixel
    // more: a row breaks before a tile that would end on its edge).
    tiles_->ensurePolished();
    const int chrome = tiles_->width() - tiles_->maximumViewportSize().width();
    const int scrollBar = tiles_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr,
                                                       tiles_->verticalScrollBar());
    tiles_->setFixedWidth(kTileColumns * TargetSend::kWidth + chrome + scrollBar + 1);
    connect(delegate, &ListRowDelegate::ButtonReleased, this, [this](int row, int control) {
        if (TargetSend::Control(control) == TargetSend::Control::Remove) {
            RemoveRecipient(row);
        }
    });

    InitCompose(ui_, ui_.ContainerList2, 5);
    connect(ui_.ButtonRecently, &QAbstractButton::clicked, this,
            [this] { OpenContactPicker(true); });
    connect(ui_.ButtonContacts, &QAbstractButton::clicked, this,
            [this] { OpenContactPicker(false); });
    connect(ui_.ButtonSend, &QAbstractButton::clicked, this, &CSmsNew::Send);
}

SmsRecipients CSmsNew::Recipients() const {
    return tileModel_->Entries();
}

void CSmsNew::AddRecipients(const SmsRecipients& recipients) {
    SmsRecipients tiles = Recipients();
    const size_t before = tiles.size();
    // Checked all, thousands of contacts come at once: each is looked up, not compared with
    // every tile.
    QSet<QString> shown;
    shown.reserve(qsizetype(tiles.size() + recipients.size()));
    for (const SmsRecipient& tile : tiles) {
        shown.insert(tile.PersonKey());
    }
    for (const SmsRecipient& person : recipients) {
        if (!person.phone.isEmpty() && !shown.contains(person.PersonKey())) {
            shown.insert(person.PersonKey());
            tiles.push_back(person);
        }
    }
    if (tiles.size() != before) {
        tileModel_->SetTiles(std::move(tiles));
        tiles_->scrollToBottom();
    }
}

void CSmsNew::RemoveRecipient(int index) {
    SmsRecipients tiles = Recipients();
    if (index < 0 || index >= int(tiles.size())) {
        return;
    }
    tiles.erase(tiles.begin() + index);
    tileModel_->SetTiles(std::move(tiles));
}

CSmsContacts* CSmsNew::ContactPicker() const {
    return contactPicker_ != nullptr && !contactPicker_->IsClosing() ? contactPicker_.data()
                                                                     : nullptr;
}

CSmsContacts* CSmsNew::OpenContactPicker(bool recent) {
    CSmsContacts* picker = ContactPicker();
    if (picker == nullptr) {
        picker = new CSmsContacts(this, core_);
        picker->Create(QStringLiteral("选择联系人"));
        connect(picker, &CSmsContacts::RecipientsChosen, this, &CSmsNew::AddRecipients);
        ShowCentred(picker);
        contactPicker_ = picker;
    }
    if (recent) {
        picker->SetEntries(recent_);
    } else {
        picker->Search();
    }
    picker->raise();
    return picker;
}

QStringList CSmsNew::Numbers() const {
    QStringList numbers;
    if (!numberEdit_->text().isEmpty()) {
        numbers << numberEdit_->text();
    }
    for (const SmsRecipient& tile : Recipients()) {
        numbers << tile.phone;
    }
    // A person reached twice would get the SMS twice.
    numbers.removeDuplicates();
    return numbers;
}

void CSmsNew::Send() {
    const QStringList numbers = Numbers();
    if (numbers.isEmpty()) {
        core_.ShowTip(QStringLiteral("联系人不能为空"));
        return;
    }
    if (Content().trimmed().isEmpty()) {
        core_.ShowTip(QStringLiteral("发送内容不能为空"));
        return;
    }
    HandOff(numbers);
}

} // namespace tamberlink

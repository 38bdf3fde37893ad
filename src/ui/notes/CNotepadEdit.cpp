#include "ui/notes/CNotepadEdit.h"

#include "app/AppCore.h"
#include "app/UiSink.h"
#include "ui/notes/CNotepadTime.h"
#include "ui/sms/CSmsContacts.h"
#include "ui/widgets/CButtonUI.h"
#include "ui/widgets/Controls.h"
#include "ui/widgets/SkinImage.h"
#include "util/TextCodec.h"

#include <QLineEdit>
#include <QTextEdit>

namespace tamberlink {

namespace {
const QString kNoReminder = QStringLiteral("不提醒");
}

CNotepadEdit::CNotepadEdit(QWidget* parent, AppCore& core, int cid, Qt::WindowFlags flags)
    : WindowImplBase(parent, flags)
    , core_(core)
    , cid_(cid) {}

void CNotepadEdit::InitWindow() {
    SetControlText(ui_.labelTitle, windowTitle());
    name_ = ui_.EditName;
    content_ = ui_.EditNotepad;
    timeButton_ = ui_.ButtonTime;
    contactsButton_ = ui_.ButtonContacts;
    timeButton_->setText(kNoReminder);
    ShowHead();
    connect(ui_.ButtonSave, &QAbstractButton::clicked, this, &CNotepadEdit::Save);
    connect(ui_.ButtonCancel, &QAbstractButton::clicked, this, &CNotepadEdit::Close);
    connect(ui_.ButtonTime, &QAbstractButton::clicked, this, &CNotepadEdit::OpenTimePicker);
    connect(ui_.ButtonContacts, &QAbstractButton::clicked, this, &CNotepadEdit::OpenContactPicker);
}

void CNotepadEdit::ShowHead() {
    const bool hasPicture = !head_.isEmpty() && !SkinPicture(head_).isNull();
    SetBkImage(ui_.ButtonHead, hasPicture ? head_ : QStringLiteral("bgHeadDefaulte2.png"));
}

void CNotepadEdit::SetNote(const NoteRecord& note) {
    mode_ = Mode::Edit;
    noteId_ = note.id;
    SetContact(note.name, note.phone, note.head);
    content_->setPlainText(note.content);
    // Saved again without a new pick, the note keeps the reminder it has.
    reminder_ = note.dateTime;
    timeButton_->setText(note.displayTime.isEmpty() ? kNoReminder : note.displayTime);
}

void CNotepadEdit::SetContact(const QString& name, const QString& phone, const QString& head,
                              bool fixed) {
    name_->setText(name);
    phone_ = phone;
    head_ = head;
    SetControlText(ui_.LabelPhone, phone);
    ShowHead();
    if (fixed) {
        contactsButton_->setEnabled(false);
    }
}

void CNotepadEdit::SetReminder(std::int64_t seconds) {
    std::string shown;
    if (!TimeToText(seconds, shown)) {
        ClearReminder();
        return;
    }
    reminder_ = QString::number(seconds);
    timeButton_->setText(QString::fromStdString(shown));
}

void CNotepadEdit::ClearReminder() {
    reminder_.clear();
    timeButton_->setText(kNoReminder);
}

CNotepadTime* CNotepadEdit::OpenTimePicker() {
    if (picker_ != nullptr && !picker_->IsClosing()) {
        picker_->raise();
        return picker_;
    }
    picker_ = new CNotepadTime(this);
    picker_->Create(QStringLiteral("设置笔记提醒时间"));
    connect(picker_, &CNotepadTime::TimeChosen, this, &CNotepadEdit::SetReminder);
    connect(picker_, &CNotepadTime::TimeCleared, this, &CNotepadEdit::ClearReminder);
    connect(picker_, &CNotepadTime::Tip, this,
            [this](const QString& text) { core_.ShowTip(text); });
    picker_->ShowAt(QPoint((width() - picker_->width()) / 2, (height() - picker_->height()) / 2));
    return picker_;
}

CSmsContacts* CNotepadEdit::ContactPicker() const {
    return contactPicker_ != nullptr && !contactPicker_->IsClosing() ? contactPicker_.data()
                                                                     : nullptr;
}

CSmsContacts* CNotepadEdit::OpenContactPicker() {
    if (!contactsButton_->isEnabled()) {
        return nullptr;
    }
    if (CSmsContacts* open = ContactPicker()) {
        open->raise();
        return open;
    }
    // Over the editor: inside the main window beside a dialog editor, a window of its own
    // beside a reminder that is one.
    auto* picker =
        isWindow()
            ? new CSmsContacts(this, core_,
                               Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
            : new CSmsContacts(parentWidget(), core_);
    picker->Create(QStringLiteral("选择联系人"));
    picker->SetSingleChoice();
    picker->Search();
    connect(picker, &CSmsContacts::RecipientsChosen, this, [this](const SmsRecipients& chosen) {
        if (!chosen.empty()) {
            SetContact(chosen.front().name, chosen.front().phone, chosen.front().head);
        }
    });
    // Closed with the editor it belongs to.
    connect(this, &QObject::destroyed, picker, &CSmsContacts::Close);
    const QWidget* host = picker->parentWidget();
    // The editor's geometry is in the coordinates the picker is placed in.
    QPoint position = geometry().center() - QPoint(picker->width() / 2, picker->height() / 2);
    if (!picker->isWindow() && host != nullptr) {
        position.setX(qBound(0, position.x(), qMax(0, host->width() - picker->width())));
        position.setY(qBound(0, position.y(), qMax(0, host->height() - picker->height())));
    }
    picker->ShowAt(position);
    contactPicker_ = picker;
    return picker;
}

void CNotepadEdit::Save() {
    const QString content = content_->toPlainText();
    if (content.trimmed().isEmpty()) {
        core_.ShowTip(QStringLiteral("请填写笔记内容后再保存"));
        return;
    }
    const QString name = name_->text();
    // The note keeps its contact's name and number; the picture is not stored with it.
    const QString head;
    // A note written for a call-log entry gives that entry its note mark.
    if (mode_ == Mode::Edit) {
        core_.UpdateNote(noteId_, name, phone_, head, reminder_, content);
    } else {
        core_.AddNote(name, phone_, head, reminder_, content, cid_);
    }
    // A failed write has told the user already; the editor closes either way.
    Close();
}

} // namespace tamberlink

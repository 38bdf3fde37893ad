#pragma once

#include "ui/sms/SmsComposeBase.h"
#include "ui/sms/SmsRecipient.h"
#include "ui_dlg_sms_new.h"

#include <QPointer>

#include <memory>

class QLineEdit;
class QListView;

namespace tamberlink {

class CSmsContacts;
class RecipientListModel;

// "新建短信": an SMS to several persons. A number typed in "EditInput" and the recipient
// tiles of "TileLayoutList" (8 a row; a person shows once, whatever adds it again) receive
// the content; "ButtonRecently" picks persons from the sent SMS, "ButtonContacts" from the
// contacts; "ButtonSend" hands the SMS off. Exists at most once.
class CSmsNew : public SmsComposeBase {
    Q_OBJECT

public:
    static constexpr QPoint kPosition{100, 50};
    static constexpr int kNumberMaxLength = 11;
    static constexpr int kTileColumns = 8;
    static constexpr int kTileInset = 5;

    // `recent`: the persons "ButtonRecently" offers.
    CSmsNew(QWidget* parent, AppCore& core, SmsRecipients recent = {});

    // Adds a tile for each person that has none yet.
    void AddRecipients(const SmsRecipients& recipients);
    void RemoveRecipient(int index);
    // The tiles, in order.
    SmsRecipients Recipients() const;

    // Opens "选择联系人" over the window with the recent persons or with every contact, or
    // brings the open one forward with those.
    CSmsContacts* OpenContactPicker(bool recent);
    CSmsContacts* ContactPicker() const;

    // The numbers the SMS goes to: the typed one, then the tiles', each number once.
    QStringList Numbers() const;
    // "ButtonSend": checks that there are recipients and a content, then hands the SMS off.
    void Send();

    QLineEdit* NumberEdit() const { return numberEdit_; }
    QListView* TileList() const { return tiles_; }
    RecipientListModel& TileModel() { return *tileModel_; }

    QWidget* BuildForm() override { return SetUpForm(ui_); }

protected:
    void InitWindow() override;

private:
    SmsRecipients recent_;
    RecipientListModel* tileModel_ = nullptr;
    QLineEdit* numberEdit_ = nullptr;
    QListView* tiles_ = nullptr;
    QPointer<CSmsContacts> contactPicker_;
    Ui::dlg_sms_new ui_;
};

} // namespace tamberlink

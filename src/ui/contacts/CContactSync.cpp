#include "ui/contacts/CContactSync.h"

#include "app/AppCore.h"
#include "app/ContactSyncService.h"

#include <QDateTime>

namespace tamberlink {

CContactSync::CContactSync(QWidget* parent, AppCore& core)
    : CSettingBaseUI(parent, QStringLiteral("通讯录同步"), core) {}

void CContactSync::InitContent() {
    ContactSyncService* sync = Core().ContactSync();
    if (sync == nullptr) {
        SetBusy(true);
        ui_.LabelLastSync->setText(QStringLiteral("联系人数据库无法打开，不能同步"));
        return;
    }
    const AddressBookAccount account = sync->Account();
    ui_.EditServer->setText(account.server);
    ui_.EditUser->setText(account.user);
    if (!account.book.isEmpty()) {
        ui_.ComboBook->addItem(account.book, account.book);
    }
    ShowLastSync();
    connect(ui_.ButtonDiscover, &QAbstractButton::clicked, this, &CContactSync::Discover);
    connect(ui_.ButtonSave, &QAbstractButton::clicked, this, [this] {
        if (Save()) {
            Close();
        }
    });
    connect(ui_.ButtonSyncNow, &QAbstractButton::clicked, this, &CContactSync::SyncNow);
    connect(sync, &ContactSyncService::BooksFound, this, &CContactSync::OnBooksFound);
    connect(sync, &ContactSyncService::SyncFinished, this, &CContactSync::OnSyncFinished);
    connect(sync, &ContactSyncService::SyncStarted, this,
            [this] { ui_.LabelLastSync->setText(QStringLiteral("正在同步…")); });
    if (sync->IsSyncing()) {
        ui_.LabelLastSync->setText(QStringLiteral("正在同步…"));
    }
}

void CContactSync::SetBusy(bool busy) {
    for (QWidget* control :
         {static_cast<QWidget*>(ui_.ButtonDiscover), static_cast<QWidget*>(ui_.ButtonSave),
          static_cast<QWidget*>(ui_.ButtonSyncNow)}) {
        control->setEnabled(!busy);
    }
}

void CContactSync::Discover() {
    const QString server = ui_.EditServer->text().trimmed();
    if (server.isEmpty()) {
        Core().ShowTip(QStringLiteral("请填写服务器地址"));
        return;
    }
    SetBusy(true);
    ui_.LabelLastSync->setText(QStringLiteral("正在查找通讯录…"));
    Core().ContactSync()->Discover(server, ui_.EditUser->text(), ui_.EditPassword->text());
}

void CContactSync::OnBooksFound(const std::vector<AddressBookInfo>& books, const QString& error) {
    SetBusy(false);
    if (!error.isEmpty()) {
        ui_.LabelLastSync->setText(error);
        return;
    }
    ui_.ComboBook->clear();
    for (const AddressBookInfo& book : books) {
        ui_.ComboBook->addItem(
            book.name.isEmpty() ? book.url : QStringLiteral("%1（%2）").arg(book.name, book.url),
            book.url);
    }
    ui_.LabelLastSync->setText(QStringLiteral("找到 %1 个通讯录").arg(books.size()));
}

bool CContactSync::Save() {
    const QString book = ui_.ComboBook->currentData().toString();
    if (book.isEmpty()) {
        Core().ShowTip(QStringLiteral("请先点“查找通讯录”，再选择要同步的通讯录"));
        return false;
    }
    if (!Core().ContactSync()->SaveAccount(ui_.EditServer->text(), ui_.EditUser->text(), book,
                                           ui_.EditPassword->text())) {
        Core().ShowTip(QStringLiteral("保存通讯录同步设置失败"));
        return false;
    }
    return true;
}

void CContactSync::SyncNow() {
    if (!Save()) {
        return;
    }
    SetBusy(true);
    // A password typed here is the one to use, before the keyring has it.
    const QString password = ui_.EditPassword->text();
    Core().ContactSync()->SyncNow(password.isEmpty() ? std::nullopt
                                                     : std::optional<QString>(password));
}

void CContactSync::ShowLastSync() {
    const AddressBookAccount account = Core().ContactSync()->Account();
    if (account.lastSync == 0) {
        ui_.LabelLastSync->setText(QStringLiteral("尚未同步"));
        return;
    }
    ui_.LabelLastSync->setText(QStringLiteral("上次同步：%1\n%2")
                                   .arg(QDateTime::fromSecsSinceEpoch(account.lastSync)
                                            .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                                        account.lastResult));
}

void CContactSync::OnSyncFinished(const SyncOutcome&) {
    SetBusy(false);
    ShowLastSync();
}

} // namespace tamberlink

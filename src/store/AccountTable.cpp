#include "store/AccountTable.h"

#include "store/StoreConnection.h"

namespace tamberlink {

namespace {

constexpr const char* kErrorOnly = "";

} // namespace

AccountRecord AccountTable::Read() {
    const auto lock = connection_.Lock();
    SqlStatement query =
        connection_.Prepare("select account,password,rememberpsd from table_user where id='0'");
    AccountRecord account;
    if (query.Next()) {
        account.account = query.Text(0);
        account.password = query.Text(1);
        account.rememberPassword = query.Int(2);
    }
    return account;
}

bool AccountTable::SaveLogin(const QString& account, const QString& password, bool remember) {
    const auto lock = connection_.Lock();
    const QString flag = QString::number(remember ? 1 : 0);
    if (account.isEmpty()) {
        SqlStatement update =
            connection_.Prepare("update table_user set rememberpsd=? where id='0'");
        update.Bind(1, flag);
        return connection_.Run(update, kErrorOnly);
    }
    SqlStatement update = connection_.Prepare(
        "update table_user set account=?, password=?, rememberpsd=? where id='0'");
    update.Bind(1, account).Bind(2, password).Bind(3, flag);
    return connection_.Run(update, kErrorOnly);
}

bool AccountTable::UpdateStoredPassword(const QString& password) {
    const auto lock = connection_.Lock();
    // The text replaced is a password: its bytes are overwritten, not left in free space.
    connection_.Exec("PRAGMA secure_delete=ON");
    SqlStatement update = connection_.Prepare("update table_user set password=? where id='0'");
    update.Bind(1, password);
    if (!connection_.Run(update, kErrorOnly)) {
        return false;
    }
    // Until a checkpoint the file keeps the old page beside the new one in the log.
    connection_.Exec("PRAGMA wal_checkpoint(TRUNCATE)");
    return true;
}

bool AccountTable::UpdateProfile(const QString& account, const QString& name,
                                 const QString& company) {
    const auto lock = connection_.Lock();
    SqlStatement update =
        connection_.Prepare("update table_user set account=?, name=?, company=? where id='0'");
    update.Bind(1, account).Bind(2, name).Bind(3, company);
    return connection_.Run(update, "更新个人信息：");
}

ProfileRecord AccountTable::GetProfile(const QString& account) {
    const auto lock = connection_.Lock();
    SqlStatement query = connection_.Prepare("select name,company from table_user where account=?");
    query.Bind(1, account);
    ProfileRecord profile;
    if (query.Next()) {
        profile.name = query.Text(0);
        profile.company = query.Text(1);
    }
    return profile;
}

} // namespace tamberlink

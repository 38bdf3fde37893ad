#pragma once

#include "store/AccountRecord.h"

#include <QString>

namespace tamberlink {

class StoreConnection;

// table_user: the one account row, id 0, which the seed makes and the program only updates.
class AccountTable {
public:
    explicit AccountTable(StoreConnection& connection)
        : connection_(connection) {}

    AccountRecord Read();
    // With no account, only the remember flag changes.
    bool SaveLogin(const QString& account, const QString& password, bool remember);
    // Replaces the stored password alone (a password in clear giving way to its hash).
    bool UpdateStoredPassword(const QString& password);
    bool UpdateProfile(const QString& account, const QString& name, const QString& company);
    ProfileRecord GetProfile(const QString& account);

private:
    StoreConnection& connection_;
};

} // namespace tamberlink

#pragma once

#include <QString>

namespace tamberlink {

// The signed-in account of table_user row 0.
struct AccountRecord {
    QString account;
    QString password;
    int rememberPassword = 0;
};

// The user's display name and company.
struct ProfileRecord {
    QString name;
    QString company;
};

} // namespace tamberlink

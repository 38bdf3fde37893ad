#include "store/SettingTable.h"

#include "store/StoreConnection.h"

namespace tamberlink {

QString SettingTable::ReadText(const QString& name) {
    const auto lock = connection_.Lock();
    SqlStatement query = connection_.Prepare("select value1 from table_setting where name=?");
    query.Bind(1, name);
    return query.Next() ? query.Text(0) : QString();
}

bool SettingTable::ReadSwitch(const QString& name) {
    const auto lock = connection_.Lock();
    SqlStatement query = connection_.Prepare("select value2 from table_setting where name=?");
    query.Bind(1, name);
    return query.Next() && query.Int(0) != 0;
}

bool SettingTable::UpdateText(const QString& name, const QString& value) {
    const auto lock = connection_.Lock();
    SqlStatement update = connection_.Prepare("update table_setting set value1=? where name=?");
    update.Bind(1, value).Bind(2, name);
    return update.Run();
}

bool SettingTable::UpdateSwitch(const QString& name, bool on) {
    const auto lock = connection_.Lock();
    SqlStatement update = connection_.Prepare("update table_setting set value2=? where name=?");
    update.Bind(1, on ? 1 : 0).Bind(2, name);
    return update.Run();
}

} // namespace tamberlink

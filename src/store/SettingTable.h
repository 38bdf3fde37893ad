#pragma once

#include <QString>

namespace tamberlink {

class StoreConnection;

// table_setting: one row per setting, keyed by name. Text settings live in value1; switches
// in value2, stored as 0 and 1. A missing row reads as empty text or off, and an update of
// it changes nothing: the seed and the schema upgrades make the rows.
class SettingTable {
public:
    explicit SettingTable(StoreConnection& connection)
        : connection_(connection) {}

    QString ReadText(const QString& name);
    bool ReadSwitch(const QString& name);
    bool UpdateText(const QString& name, const QString& value);
    bool UpdateSwitch(const QString& name, bool on);

private:
    StoreConnection& connection_;
};

} // namespace tamberlink

#pragma once

#include <QString>

#include <cstdint>
#include <mutex>

namespace tamberlink {

class LocalDatabase;

// The settings rows of table_setting, read once at start-up and then kept in memory; every
// setter updates memory first and writes its row at once. The serial listener sets the
// extension and area code while the UI thread reads them, so the values are guarded and
// handed out as copies.
class SettingsStore {
public:
    // A change of screen capture within this many seconds of the last one is ignored.
    static constexpr std::int64_t kScreenOffQuietSeconds = 2;

    explicit SettingsStore(LocalDatabase& database);

    // Empty texts and zero switches: the state before the database is read.
    void Clear();
    void Load();

    QString FenjiCode() const;
    QString AreaCode() const;
    QString IpCode() const;
    int SwitchIP() const;
    QString Proxy() const;
    // The cloud service's base URL the user gave; empty for the program's own.
    QString CloudServer() const;
    int PopOff() const;
    int Auto() const;
    int AutoAdmin() const;
    int ScreenOff() const;
    // Automatic recording is on when the user or another program turned it on.
    bool IsAutoRecordOn() const;

    void SetFenjiCode(const QString& code);
    // Codes of 6 or more characters are refused: nothing changes and false is returned.
    bool SetAreaCode(const QString& code);
    void SetIpCode(const QString& code);
    void SetSwitchIP(int value);
    void SetPopOff(int value);
    // False when the row could not be written.
    bool SetProxy(const QString& proxy);
    bool SetCloudServer(const QString& url);
    // `now` in seconds. False, changing nothing, within the quiet time of the last change.
    bool SetScreenOff(int value, std::int64_t now);
    // From the local API the choice goes to auto_admin and the user's row is reset to 0.
    void SetAuto(bool byApi, bool on);

private:
    LocalDatabase& database_;
    mutable std::mutex mutex_;
    QString fenjiCode_;
    QString areaCode_;
    QString ipCode_;
    int switchIP_ = 0;
    QString proxy_;
    QString cloudServer_;
    int popoff_ = 0;
    int auto_ = 0;
    int autoAdmin_ = 0;
    int screenoff_ = 0;
    std::int64_t lastScreenOffChange_ = 0;
};

} // namespace tamberlink

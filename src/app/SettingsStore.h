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

    // Empty texts and switches off: the state before the database is read.
    void Clear();
    void Load();

    QString FenjiCode() const;
    QString AreaCode() const;
    QString IpCode() const;
    bool SwitchIP() const;
    QString Proxy() const;
    // The cloud service's base URL the user gave; empty for the program's own.
    QString CloudServer() const;
    bool PopOff() const;
    bool Auto() const;
    bool AutoAdmin() const;
    bool ScreenOff() const;
    // Automatic recording is on when the user or another program turned it on.
    bool IsAutoRecordOn() const;

    void SetFenjiCode(const QString& code);
    // Codes of 6 or more characters are refused: nothing changes and false is returned.
    bool SetAreaCode(const QString& code);
    void SetIpCode(const QString& code);
    void SetSwitchIP(bool on);
    void SetPopOff(bool on);
    // False when the row could not be written.
    bool SetProxy(const QString& proxy);
    bool SetCloudServer(const QString& url);
    // `now` in seconds. False, changing nothing, within the quiet time of the last change.
    bool SetScreenOff(bool on, std::int64_t now);
    // From the local API the choice goes to auto_admin and the user's row is reset to 0.
    void SetAuto(bool byApi, bool on);

private:
    LocalDatabase& database_;
    mutable std::mutex mutex_;
    QString fenjiCode_;
    QString areaCode_;
    QString ipCode_;
    bool switchIP_ = false;
    QString proxy_;
    QString cloudServer_;
    bool popoff_ = false;
    bool auto_ = false;
    bool autoAdmin_ = false;
    bool screenoff_ = false;
    std::int64_t lastScreenOffChange_ = 0;
};

} // namespace tamberlink

#include "app/SettingsStore.h"

#include "store/LocalDatabase.h"

namespace tamberlink {

namespace {

// Names of the rows in table_setting.
const QString kFenjiCode = QStringLiteral("fenjiCode");
const QString kAreaCode = QStringLiteral("areaCode");
const QString kIpCode = QStringLiteral("ipCode");
const QString kSwitchIP = QStringLiteral("switchIP");
const QString kProxy = QStringLiteral("proxy");
const QString kCloudServer = QStringLiteral("cloudServer");
const QString kPopOff = QStringLiteral("popoff");
const QString kAuto = QStringLiteral("auto");
const QString kAutoAdmin = QStringLiteral("auto_admin");
const QString kScreenOff = QStringLiteral("screenoff");

constexpr int kLongestAreaCode = 5;

} // namespace

SettingsStore::SettingsStore(LocalDatabase& database)
    : database_(database) {}

void SettingsStore::Clear() {
    std::lock_guard lock(mutex_);
    fenjiCode_.clear();
    areaCode_.clear();
    ipCode_.clear();
    proxy_.clear();
    cloudServer_.clear();
    switchIP_ = popoff_ = auto_ = autoAdmin_ = screenoff_ = false;
}

void SettingsStore::Load() {
    // Read outside the lock: the database has its own.
    QString fenjiCode = database_.Settings().ReadText(kFenjiCode);
    QString areaCode = database_.Settings().ReadText(kAreaCode);
    QString ipCode = database_.Settings().ReadText(kIpCode);
    const bool switchIP = database_.Settings().ReadSwitch(kSwitchIP);
    QString proxy = database_.Settings().ReadText(kProxy);
    QString cloudServer = database_.Settings().ReadText(kCloudServer);
    const bool popoff = database_.Settings().ReadSwitch(kPopOff);
    const bool autoRecord = database_.Settings().ReadSwitch(kAuto);
    const bool autoAdmin = database_.Settings().ReadSwitch(kAutoAdmin);
    const bool screenoff = database_.Settings().ReadSwitch(kScreenOff);

    std::lock_guard lock(mutex_);
    fenjiCode_ = std::move(fenjiCode);
    areaCode_ = std::move(areaCode);
    ipCode_ = std::move(ipCode);
    switchIP_ = switchIP;
    proxy_ = std::move(proxy);
    cloudServer_ = std::move(cloudServer);
    popoff_ = popoff;
    auto_ = autoRecord;
    autoAdmin_ = autoAdmin;
    screenoff_ = screenoff;
}

QString SettingsStore::FenjiCode() const {
    std::lock_guard lock(mutex_);
    return fenjiCode_;
}

QString SettingsStore::AreaCode() const {
    std::lock_guard lock(mutex_);
    return areaCode_;
}

QString SettingsStore::IpCode() const {
    std::lock_guard lock(mutex_);
    return ipCode_;
}

bool SettingsStore::SwitchIP() const {
    std::lock_guard lock(mutex_);
    return switchIP_;
}

QString SettingsStore::Proxy() const {
    std::lock_guard lock(mutex_);
    return proxy_;
}

bool SettingsStore::PopOff() const {
    std::lock_guard lock(mutex_);
    return popoff_;
}

bool SettingsStore::Auto() const {
    std::lock_guard lock(mutex_);
    return auto_;
}

bool SettingsStore::AutoAdmin() const {
    std::lock_guard lock(mutex_);
    return autoAdmin_;
}

bool SettingsStore::ScreenOff() const {
    std::lock_guard lock(mutex_);
    return screenoff_;
}

bool SettingsStore::IsAutoRecordOn() const {
    std::lock_guard lock(mutex_);
    return auto_ || autoAdmin_;
}

void SettingsStore::SetFenjiCode(const QString& code) {
    {
        std::lock_guard lock(mutex_);
        fenjiCode_ = code;
    }
    database_.Settings().UpdateText(kFenjiCode, code);
}

bool SettingsStore::SetAreaCode(const QString& code) {
    if (code.size() > kLongestAreaCode) {
        return false;
    }
    {
        std::lock_guard lock(mutex_);
        areaCode_ = code;
    }
    database_.Settings().UpdateText(kAreaCode, code);
    return true;
}

void SettingsStore::SetIpCode(const QString& code) {
    {
        std::lock_guard lock(mutex_);
        ipCode_ = code;
    }
    database_.Settings().UpdateText(kIpCode, code);
}

void SettingsStore::SetSwitchIP(bool on) {
    {
        std::lock_guard lock(mutex_);
        switchIP_ = on;
    }
    database_.Settings().UpdateSwitch(kSwitchIP, on);
}

void SettingsStore::SetPopOff(bool on) {
    {
        std::lock_guard lock(mutex_);
        popoff_ = on;
    }
    database_.Settings().UpdateSwitch(kPopOff, on);
}

QString SettingsStore::CloudServer() const {
    std::lock_guard lock(mutex_);
    return cloudServer_;
}

bool SettingsStore::SetCloudServer(const QString& url) {
    {
        std::lock_guard lock(mutex_);
        cloudServer_ = url;
    }
    return database_.Settings().UpdateText(kCloudServer, url);
}

bool SettingsStore::SetProxy(const QString& proxy) {
    {
        std::lock_guard lock(mutex_);
        proxy_ = proxy;
    }
    return database_.Settings().UpdateText(kProxy, proxy);
}

bool SettingsStore::SetScreenOff(bool on, std::int64_t now) {
    {
        std::lock_guard lock(mutex_);
        if (now - lastScreenOffChange_ <= kScreenOffQuietSeconds) {
            return false;
        }
        lastScreenOffChange_ = now;
        screenoff_ = on;
    }
    database_.Settings().UpdateSwitch(kScreenOff, on);
    return true;
}

void SettingsStore::SetAuto(bool byApi, bool on) {
    {
        std::lock_guard lock(mutex_);
        auto_ = on;
        if (byApi) {
            autoAdmin_ = on;
        }
    }
    database_.Settings().UpdateSwitch(byApi ? kAutoAdmin : kAuto, on);
    if (byApi) {
        database_.Settings().UpdateSwitch(kAuto, false);
    }
}

} // namespace tamberlink
